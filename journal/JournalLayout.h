#pragma once

#include <QString>
#include <QStringView>

#include <optional>
#include <utility>

/// The names of what the undo journal writes, in one place. In JournalHome::location():
///
///     lock                held by a run while it prunes, takes its number and makes its folder
///     RUN/                one folder a run (JournalHome::newRunName())
///         run.json        the chosen folder, the run's sequence number and its two texts
///         N.orig N.entry  the original of the run's N-th kept page and its JournalEntry
///         F-L.entries     the entries of originals F to L, one a line, written and synced at
///                         once for a group of pages (earlier versions wrote N.entry only)
///         settled.json    what the run's files take, noted as it ended (JournalHome::settle)
///         undone.json     how the run's last undo ended (KeptRun::noteUndo)
///
/// Nothing but these names is ever read or removed: what else lies there is left alone.
namespace JournalLayout {

inline const QString lock = QStringLiteral("lock");
inline const QString runNote = QStringLiteral("run.json");
inline const QString settledNote = QStringLiteral("settled.json");
inline const QString undoneNote = QStringLiteral("undone.json");
inline const QString originalSuffix = QStringLiteral(".orig");
inline const QString entrySuffix = QStringLiteral(".entry");
inline const QString groupSuffix = QStringLiteral(".entries");

/// The most entries one group holds, so that no name makes a reader count without end.
inline constexpr qint64 GroupMost = 4096;

inline QString original(qint64 number)
{
    return QString::number(number) + originalSuffix;
}

inline QString entry(qint64 number)
{
    return QString::number(number) + entrySuffix;
}

/// The N of a name "N" + suffix (N from 1, as written: no sign, no leading zero), else 0.
inline qint64 numberOf(QStringView name, QStringView suffix)
{
    if (!name.endsWith(suffix) || name.startsWith(u'0'))
        return 0;
    const QStringView digits = name.chopped(suffix.size());
    bool ok = !digits.isEmpty();
    for (const QChar c : digits)
        ok = ok && c >= u'0' && c <= u'9';
    const qint64 number = ok ? digits.toLongLong(&ok) : 0;
    return ok ? number : 0;
}

inline QString group(qint64 first, qint64 last)
{
    return QString::number(first) + u'-' + QString::number(last) + groupSuffix;
}

/// The F and L of a name "F-L" + groupSuffix (as written: F from 1, L from F, at most GroupMost
/// entries), else nothing.
inline std::optional<std::pair<qint64, qint64>> groupOf(QStringView name)
{
    if (!name.endsWith(groupSuffix))
        return std::nullopt;
    const QStringView range = name.chopped(groupSuffix.size());
    const qsizetype dash = range.indexOf(u'-');
    if (dash < 0)
        return std::nullopt;
    const qint64 first = numberOf(range.first(dash), {});
    const qint64 last = numberOf(range.sliced(dash + 1), {});
    if (first == 0 || last < first || last - first >= GroupMost || name != group(first, last))
        return std::nullopt;
    return std::pair(first, last);
}

/// Whether name is one that a run writes in its folder.
inline bool isOwn(QStringView name)
{
    return name == runNote || name == settledNote || name == undoneNote ||
           numberOf(name, originalSuffix) > 0 || numberOf(name, entrySuffix) > 0 ||
           groupOf(name).has_value();
}

} // namespace JournalLayout
