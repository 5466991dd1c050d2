#include "JournalHome.h"

#include "JournalFolder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

namespace {

const QStringList entryPattern{QStringLiteral("*.entry")};

// A settled run settled with at least one entry; any other is looked through.
bool hasChanges(const QString &run)
{
    if (JournalHome::settledBytes(run) >= 0)
        return true;
    return !QDir(run).entryList(entryPattern, QDir::Files).isEmpty();
}

const QString settledName = QStringLiteral("settled.json");

qint64 bytesOf(const QString &run)
{
    if (const qint64 noted = JournalHome::settledBytes(run); noted >= 0)
        return noted;
    qint64 bytes = 0;
    for (QDirIterator it(run, QDir::Files | QDir::Hidden); it.hasNext();)
        bytes += it.nextFileInfo().size();
    return bytes;
}

} // namespace

QString JournalHome::location()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/tagmender/journal");
}

QString JournalHome::newRunName()
{
    return QDateTime::currentDateTimeUtc().toString(u"yyyyMMdd-HHmmss-zzz") + u'-' +
           QString::number(QCoreApplication::applicationPid());
}

// Not synced: a note lost in a power cut only makes later runs look through the folder.
void JournalHome::settle(const QString &run, qint64 bytes)
{
    QFile note(run + u'/' + settledName);
    if (note.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        note.write(QJsonDocument(QJsonObject{{"bytes", bytes}}).toJson());
}

qint64 JournalHome::settledBytes(const QString &run)
{
    QFile note(run + u'/' + settledName);
    if (!note.open(QIODevice::ReadOnly))
        return -1;
    const QJsonValue bytes = QJsonDocument::fromJson(note.readAll()).object().value("bytes");
    return bytes.isDouble() ? qint64(bytes.toDouble()) : -1;
}

QStringList JournalHome::runs(const QString &home)
{
    QStringList runs;
    const QDir folder(home);
    for (const QString &name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (hasChanges(folder.filePath(name)))
            runs.append(folder.filePath(name));
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
    const QDir folder(home);
    QStringList names = folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    int kept = 1; // the run about to start
    qint64 bytes = 0;
    while (!names.isEmpty()) {
        const QString run = folder.filePath(names.takeLast());
        const bool room =
            hasChanges(run) && kept < keptRuns && (bytes += bytesOf(run)) <= keptBytes;
        if (room || !JournalFolder::removeUnlessBusy(run))
            ++kept;
    }
}

void JournalHome::recover(const QString &home)
{
    const QDir folder(home);
    for (const QString &name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        JournalFolder::releaseUnreplaced(folder.filePath(name));
}
