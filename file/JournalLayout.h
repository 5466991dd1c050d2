#pragma once

#include <QString>
#include <QStringView>

/// The names of what the undo journal writes, in one place. In JournalHome::location():
///
///     lock                held by a run while it prunes, takes its number and makes its folder
///     RUN/                one folder a run (JournalHome::newRunName())
///         run.json        the chosen folder, the run's sequence number and its two texts
///         N.orig N.entry  the original of the run's N-th kept page and its JournalEntry
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

/// Whether name is one that a run writes in its folder.
inline bool isOwn(QStringView name)
{
    return name == runNote || name == settledNote || name == undoneNote ||
           numberOf(name, originalSuffix) > 0 || numberOf(name, entrySuffix) > 0;
}

} // namespace JournalLayout
