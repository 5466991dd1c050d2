#include "KeptRun.h"

#include "JournalFolder.h"
#include "JournalHome.h"
#include "JournalLayout.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonObject noteOf(const JournalFolder &run, const QString &name)
{
    return QJsonDocument::fromJson(run.read(name).value_or(QByteArray())).object();
}

// The texts were noted from this version on; before, there is no key at all.
QString textOf(const QJsonObject &note, const char *key)
{
    const QJsonValue text = note.value(QLatin1String(key));
    return text.isString() ? text.toString() : QString();
}

} // namespace

QDateTime KeptRun::firstChange() const
{
    // "yyyyMMdd-HHmmss-zzz-PID", in UTC.
    QDateTime time =
        QDateTime::fromString(QFileInfo(folder).fileName().left(19), u"yyyyMMdd-HHmmss-zzz");
    time.setTimeSpec(Qt::UTC);
    return time;
}

std::optional<KeptRun> KeptRun::read(const QString &folder)
{
    const QFileInfo info(folder);
    JournalFolder home, run;
    if (!home.open(info.path()) || !run.open(home, info.fileName()))
        return std::nullopt;
    const QJsonObject note = noteOf(run, JournalLayout::runNote);
    KeptRun kept;
    kept.folder = run.path();
    kept.root = JournalHome::rootOf(QJsonDocument(note).toJson());
    if (kept.root.isEmpty())
        return std::nullopt;
    kept.sequence = qMax(note.value("sequence").toString().toLongLong(), qint64(0));
    kept.search = textOf(note, "search");
    kept.replacement = textOf(note, "replacement");
    for (const JournalFolder::Item &item : run.items()) {
        if (item.kind == JournalFolder::Kind::File &&
            JournalLayout::numberOf(item.name, JournalLayout::entrySuffix) > 0)
            ++kept.pages;
    }
    const QJsonObject undo = noteOf(run, JournalLayout::undoneNote);
    if (!undo.isEmpty()) {
        kept.undone = undo.value("completed").toBool() ? Undone::Completely : Undone::Stopped;
        kept.leftAlone = undo.value("leftAlone").toInteger();
    }
    return kept;
}

// Never written through a link: the old note goes (a link itself, never what it leads to), and
// NewOnly makes no file where a name is taken.
void KeptRun::noteUndo(const QString &folder, bool completed, qint64 leftAlone)
{
    const QFileInfo info(folder);
    JournalFolder home, run;
    if (!home.open(info.path()) || !run.open(home, info.fileName()))
        return;
    run.remove(JournalLayout::undoneNote);
    QFile note(run.path() + u'/' + JournalLayout::undoneNote);
    if (note.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        note.write(QJsonDocument(QJsonObject{{"completed", completed}, {"leftAlone", leftAlone}})
                       .toJson());
}
