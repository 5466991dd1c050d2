#include "UndoRun.h"

#include "ContentHash.h"
#include "FileFailure.h"
#include "FileStamp.h"
#include "FolderChain.h"
#include "JournalHome.h"
#include "RunObserver.h"
#include "ScratchFile.h"
#include "SourceFile.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cerrno>

namespace {

using Status = RewriteResult::Status;

constexpr qint64 ChunkBytes = qint64(1) << 20;

RewriteResult failed(const QString &reason)
{
    return {Status::Failed, reason};
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

UndoRun::UndoRun(const QString &runFolder, RunObserver &observer)
    : m_folder(runFolder), m_observer(observer)
{}

bool UndoRun::load()
{
    JournalHome::recover(QFileInfo(m_folder).path());
    const QJsonObject run = QJsonDocument::fromJson(readAll(m_folder + "/run.json")).object();
    m_root = run.value("folder").toString();
    QStringList names = QDir(m_folder).entryList({QStringLiteral("*.entry")}, QDir::Files);
    if (!run.contains("folder")) {
        m_observer.folderFailed(m_folder, QStringLiteral("not the journal of a run"));
        return false;
    }
    QCollator numbers;
    numbers.setNumericMode(true);
    std::sort(names.begin(), names.end(), numbers);
    // An entry that does not read back was cut short by a kill before its page was replaced.
    for (const QString &name : std::as_const(names)) {
        if (const auto entry = JournalEntry::read(m_folder + u'/' + name))
            m_entries.append(*entry);
    }
    return true;
}

bool UndoRun::process()
{
    FolderChain folders(m_root);
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (m_observer.stopRequested())
            return false;
        const JournalEntry &entry = m_entries.at(i);
        m_observer.fileStarted(i, m_entries.size(), entry.path);
        const RewriteResult result = restore(folders, entry);
        if (result.status == Status::Changed)
            m_observer.fileChanged(entry.path, 0); // put back: no replacement to count
        else if (result.status == Status::Failed)
            m_observer.fileFailed(entry.path, result.reason);
        m_observer.yield();
    }
    return true;
}

RewriteResult UndoRun::restore(FolderChain &folders, const JournalEntry &entry)
{
    QString reason;
    const std::optional<PageLocation> page = folders.locate(entry.path, reason);
    if (!page)
        return failed(reason);
    if (!FileStamp::read(*page) && errno == ENOENT)
        return failed(FileFailure::goneSinceRun());
    SourceFile current;
    if (!current.open(*page, [this] { m_observer.yield(); }))
        return failed(current.error());
    QFile original(m_folder + u'/' + QFile::decodeName(entry.kept));
    if (!original.open(QIODevice::ReadOnly))
        return failed(FileFailure::originalMissing(original.errorString()));
    switch (compare(current, original, entry)) {
    case Holds::Written:
        return putBack(*page, current, original, entry.originalModified);
    case Holds::Original:
        return {Status::Unchanged, {}};
    case Holds::Other:
        return failed(FileFailure::changedSinceRun());
    case Holds::Unreadable:
        break;
    }
    return failed(FileFailure::cannotRead(current.device().errorString()));
}

// Whether the page holds what the run wrote, or its original (put back before).
UndoRun::Holds UndoRun::compare(SourceFile &current, QFile &original, const JournalEntry &entry)
{
    QIODevice &page = current.device();
    const bool written = entry.written.matches(current.stamp());
    if (!written && current.size() != original.size())
        return Holds::Other;
    ContentHash hash(*ContentHash::kindOf(entry.written.hash)); // entries read are checked
    bool same = true;
    for (qint64 done = 0; done < current.size();) {
        const QByteArray chunk = page.read(qMin(ChunkBytes, current.size() - done));
        if (chunk.isEmpty())
            return Holds::Unreadable;
        if (written)
            hash.addData(chunk.constData(), chunk.size());
        else
            same = same && chunk == original.read(chunk.size());
        done += chunk.size();
    }
    if (written)
        return hash.result() == entry.written.hash ? Holds::Written : Holds::Other;
    return same ? Holds::Original : Holds::Other;
}

// The page gets the original's modification time too (where the journal knows it), so that
// whatever goes by the time (a backup, a build, a sync) takes it for the page it was.
RewriteResult UndoRun::putBack(const PageLocation &page, SourceFile &current, QFile &original,
                               const std::optional<FileStamp::Time> &modified)
{
    ScratchFile scratch(page);
    if (!scratch.open())
        return failed(scratch.error());
    for (QByteArray chunk; !(chunk = original.read(ChunkBytes)).isEmpty();) {
        if (!scratch.write(chunk.constData(), chunk.size()))
            return failed(scratch.error());
    }
    if (original.error() != QFileDevice::NoError)
        return failed(FileFailure::originalMissing(original.errorString()));
    if (!scratch.flush())
        return failed(scratch.error());
    if (!current.copyMetadataTo(scratch))
        return failed(current.error());
    if (modified && !scratch.setModified(*modified))
        return failed(scratch.error());
    if (!scratch.sync())
        return failed(scratch.error());
    current.closeBeforeReplacement();
    if (!scratch.commit([&current] { return current.unchangedOnDisk(); }))
        return failed(scratch.error());
    return {Status::Changed, {}};
}
