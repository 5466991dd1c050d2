#include "journal/JournalHome.h"

#include "journal/JournalEntry.h"
#include "journal/JournalFolder.h"
#include "journal/JournalLayout.h"
#include "journal/JournalReader.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <algorithm>

namespace {

using Kind = JournalFolder::Kind;

// A run folder of the home, with its place in the order of runs.
struct Run
{
    QString name;
    qint64 sequence = 0; ///< 0: written by an earlier version, which kept none
};

qint64 sequenceOf(const JournalFolder &run)
{
    const QJsonObject note =
        QJsonDocument::fromJson(run.read(JournalLayout::runNote).value_or(QByteArray())).object();
    return qMax(note.value("sequence").toString().toLongLong(), qint64(0));
}

// The plain folders of home, oldest run first.
QList<Run> orderedRuns(const JournalFolder &home)
{
    QList<Run> runs;
    for (const JournalFolder::Item &item : home.items()) {
        JournalFolder run; // a plain folder, or nothing the journal made
        if (run.open(home, item.name))
            runs.append({item.name, sequenceOf(run)});
    }
    std::sort(runs.begin(), runs.end(), [](const Run &a, const Run &b) {
        return a.sequence != b.sequence ? a.sequence < b.sequence : a.name < b.name;
    });
    return runs;
}

qint64 settledBytesOf(const JournalFolder &run)
{
    const std::optional<QByteArray> note = run.read(JournalLayout::settledNote);
    const QJsonValue bytes = QJsonDocument::fromJson(note.value_or(QByteArray())).object()["bytes"];
    return bytes.isDouble() ? qint64(bytes.toDouble()) : -1;
}

// A settled run settled with at least one entry; any other is looked through.
bool hasChanges(const JournalFolder &run)
{
    return settledBytesOf(run) >= 0 || JournalReader(run).pages() > 0;
}

qint64 bytesOf(const JournalFolder &run)
{
    if (const qint64 noted = settledBytesOf(run); noted >= 0)
        return noted;
    qint64 bytes = 0;
    for (const JournalFolder::Item &item : run.items())
        bytes += item.kind == Kind::File ? item.size : 0;
    return bytes;
}

// The journal's own files go, then the folder, if that leaves it empty. False: a run holds it.
bool removeUnlessBusy(const JournalFolder &home, const QString &name)
{
    {
        JournalFolder run;
        if (!run.open(home, name))
            return true; // gone meanwhile, or no plain folder: nothing of the journal's
        if (!run.lockUnlessBusy())
            return false;
        for (const JournalFolder::Item &item : run.items()) {
            if (item.kind == Kind::File)
                run.remove(item.name);
        }
    } // closed first: Windows removes no folder that is open
    home.removeFolder(name);
    return true;
}

// Whether original number's entry was written whole: its line of the group that covers it, or
// (earlier versions, which wrote no groups) its own file. One there but unreadable now says
// nothing of what it holds: it counts.
bool entryComplete(const JournalFolder &run, qint64 number, const QStringList &groups)
{
    QString name = JournalLayout::entry(number);
    bool grouped = false;
    for (qsizetype i = 0; !grouped && i < groups.size(); ++i) {
        const auto range = JournalLayout::groupOf(groups.at(i));
        grouped = range->first <= number && number <= range->second;
        name = grouped ? groups.at(i) : name;
    }
    const std::optional<QByteArray> bytes = run.read(name);
    if (!bytes)
        return run.links(name) > 0;
    return (grouped ? JournalEntry::fromGroupJson(*bytes, number) : JournalEntry::fromJson(*bytes))
        .has_value();
}

// A group none of whose originals is left tells of no page: it goes with the last of them.
void removeEmptyGroups(const JournalFolder &run, const QStringList &groups)
{
    for (const QString &group : groups) {
        const auto range = JournalLayout::groupOf(group);
        bool empty = true;
        for (qint64 n = range->first; empty && n <= range->second; ++n)
            empty = run.links(JournalLayout::original(n)) == 0;
        if (empty)
            run.remove(group);
    }
}

// A kept original that still has another name was never replaced: that name is the page's, and
// the hard link would make the next run refuse the page as having other names. Nor was one
// without a complete entry, which a page gets before it is replaced: a copy cut short, say.
// A run that settled (JournalHome::settle) left none, and its originals are not looked through.
void releaseUnreplaced(JournalFolder &run)
{
    if (settledBytesOf(run) >= 0 || !run.lockUnlessBusy())
        return;
    const QList<JournalFolder::Item> items = run.items();
    QStringList groups;
    for (const JournalFolder::Item &item : items) {
        if (JournalLayout::groupOf(item.name))
            groups.append(item.name);
    }
    for (const JournalFolder::Item &item : items) {
        const qint64 number = JournalLayout::numberOf(item.name, JournalLayout::originalSuffix);
        if (item.kind != Kind::File || number == 0)
            continue;
        if (run.links(item.name) < 2 && entryComplete(run, number, groups))
            continue;
        run.remove(JournalLayout::entry(number));
        run.remove(item.name);
    }
    removeEmptyGroups(run, groups);
}

// Resolved as far as it exists, so that a link on the way counts, and a journal not made yet.
QString resolved(const QString &path)
{
    QString existing = QDir::cleanPath(QFileInfo(path).absoluteFilePath()), rest;
    while (!QFileInfo::exists(existing) && !QFileInfo(existing).isRoot()) {
        rest.prepend(u'/' + QFileInfo(existing).fileName());
        existing = QFileInfo(existing).path();
    }
    return QFileInfo(existing).canonicalFilePath() + rest;
}

} // namespace

QString JournalHome::location()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/tagmender/journal");
}

bool JournalHome::liesIn(const QString &folder, const QString &home)
{
    const QString root = QFileInfo(folder).canonicalFilePath(), journal = resolved(home);
    const QString prefix = root.endsWith(u'/') ? root : root + u'/';
    if (root.isEmpty() || (journal != root && !journal.startsWith(prefix)))
        return false;
    const QStringList below = journal.mid(prefix.size()).split(u'/', Qt::SkipEmptyParts);
    return std::none_of(below.begin(), below.end(),
                        [](const QString &name) { return name.startsWith(u'.'); });
}

QString JournalHome::newRunName()
{
    return QDateTime::currentDateTimeUtc().toString(u"yyyyMMdd-HHmmss-zzz") + u'-' +
           QString::number(QCoreApplication::applicationPid());
}

// JSON numbers are doubles: the number goes as text, as the entries' do.
QByteArray JournalHome::runNote(const QString &root, qint64 sequence, const QString &search,
                                const QString &replacement)
{
    return QJsonDocument(QJsonObject{{"folder", root},
                                     {"sequence", QString::number(sequence)},
                                     {"search", search},
                                     {"replacement", replacement}})
        .toJson();
}

QString JournalHome::rootOf(const QByteArray &note)
{
    const QJsonValue folder = QJsonDocument::fromJson(note).object().value("folder");
    return folder.isString() ? folder.toString() : QString();
}

qint64 JournalHome::nextSequence(const QString &home)
{
    JournalFolder folder;
    const QList<Run> all = folder.open(home) ? orderedRuns(folder) : QList<Run>();
    return all.isEmpty() ? 1 : all.last().sequence + 1;
}

// Not synced: a note lost in a power cut only makes later runs look through the folder. Never
// written through a link: NewOnly makes no file where a name is taken.
void JournalHome::settle(const QString &run, qint64 bytes)
{
    QFile note(run + u'/' + JournalLayout::settledNote);
    if (note.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        note.write(QJsonDocument(QJsonObject{{"bytes", bytes}}).toJson());
}

qint64 JournalHome::settledBytes(const QString &run)
{
    JournalFolder folder;
    return folder.open(run) ? settledBytesOf(folder) : -1;
}

QStringList JournalHome::runs(const QString &home)
{
    QStringList runs;
    JournalFolder folder;
    if (!folder.open(home))
        return runs;
    for (const Run &run : orderedRuns(folder)) {
        JournalFolder opened;
        if (opened.open(folder, run.name) && hasChanges(opened))
            runs.append(opened.path());
    }
    return runs;
}

QString JournalHome::latestRun(const QString &home)
{
    const QStringList all = runs(home);
    return all.isEmpty() ? QString() : all.last();
}

void JournalHome::prune(const QString &home, int keptRuns, qint64 keptBytes)
{
    JournalFolder folder;
    QList<Run> names = folder.open(home) ? orderedRuns(folder) : QList<Run>();
    int kept = 1; // the run about to start
    qint64 bytes = 0;
    bool newestKept = false;
    while (!names.isEmpty()) {
        const QString name = names.takeLast().name;
        bool changes = false;
        {
            JournalFolder run; // closed before it may be removed
            changes = run.open(folder, name) && hasChanges(run);
            bytes += changes ? bytesOf(run) : 0;
        }
        // The newest run that changed something stays whatever it takes: an undo takes it.
        const bool room = changes && (!newestKept || (kept < keptRuns && bytes <= keptBytes));
        newestKept = newestKept || changes;
        if (room || !removeUnlessBusy(folder, name))
            ++kept;
    }
}

void JournalHome::recover(const QString &home)
{
    JournalFolder folder;
    if (!folder.open(home))
        return;
    for (const JournalFolder::Item &item : folder.items()) {
        JournalFolder run;
        if (run.open(folder, item.name))
            releaseUnreplaced(run);
    }
}
