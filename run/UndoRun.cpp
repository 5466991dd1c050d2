#include "run/UndoRun.h"

#include "file/ContentHash.h"
#include "file/FileFailure.h"
#include "file/FileStamp.h"
#include "file/FolderChain.h"
#include "file/ScratchFile.h"
#include "file/SourceFile.h"
#include "journal/JournalHome.h"
#include "journal/JournalReader.h"
#include "journal/KeptRun.h"
#include "run/RunObserver.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>

namespace {

using Status = RewriteResult::Status;

constexpr qint64 ChunkBytes = qint64(1) << 20;

RewriteResult failed(const Failure &failure)
{
    return {Status::Failed, failure};
}

// Whether path lies below root, as the run listed its pages: no "." or ".." on the way.
bool liesBelow(const QString &path, const QString &root)
{
    const QString from = QDir::fromNativeSeparators(root), at = QDir::fromNativeSeparators(path);
    const QString prefix = from.endsWith(u'/') ? from : from + u'/';
    if (from.isEmpty() || !at.startsWith(prefix))
        return false;
    const QStringList names = at.sliced(prefix.size()).split(u'/');
    return std::none_of(names.begin(), names.end(), [](const QString &name) {
        return name.isEmpty() || name == u"." || name == u"..";
    });
}

// The original has the size the run kept, looked at before and counted while it is copied:
// one cut short or grown since is not the page's original.
bool asKept(qint64 size, const JournalEntry &entry)
{
    return size == entry.originalSize;
}

// An undo replaces a page as a run does, so it refuses what a run refuses, in the same words.
std::optional<Failure> refusal(const SourceFile &page)
{
    if (page.isReadOnly())
        return FileFailure::readOnly();
    if (page.hasOtherLinks())
        return FileFailure::otherHardLinks();
    return std::nullopt;
}

} // namespace

UndoRun::UndoRun(const QString &runFolder, RunObserver &observer)
    : m_folder(runFolder), m_observer(observer)
{}

// A kill may have cut entries short: recover() lets go of those (their pages were never
// replaced), so that every entry left that cannot be read is reported.
bool UndoRun::load()
{
    const QFileInfo run(m_folder);
    JournalHome::recover(run.path());
    JournalFolder home;
    const JournalReader journal(m_journal);
    if (home.open(run.path()) && m_journal.open(home, run.fileName()))
        m_root = journal.root();
    if (m_root.isEmpty()) {
        m_observer.folderFailed(m_folder, FileFailure::notRunJournal());
        return false;
    }
    const QMap<qint64, QString> entries = journal.entries();
    for (auto it = entries.cbegin(); it != entries.cend(); ++it)
        m_steps.append(journal.entry(it.key(), it.value()));
    return true;
}

// Notes how it ended in the journal, so that the list of runs tells which were undone.
bool UndoRun::process()
{
    FolderChain folders(m_root);
    qint64 leftAlone = 0;
    for (qsizetype i = 0; i < m_steps.size(); ++i) {
        if (m_observer.stopRequested()) {
            KeptRun::noteUndo(m_folder, false, leftAlone);
            return false;
        }
        const JournalReader::Read &step = m_steps.at(i);
        m_observer.fileStarted(i, m_steps.size(), step.entry.path);
        const RewriteResult result =
            step.problem.isEmpty() ? restore(folders, step.entry) : failed(step.problem);
        if (result.status == Status::Changed) {
            m_observer.fileChanged(step.entry.path, 0); // put back: no replacement to count
        } else if (result.status == Status::Failed) {
            ++leftAlone;
            m_observer.fileFailed(step.entry.path, result.failure);
        }
        m_observer.yield();
    }
    KeptRun::noteUndo(m_folder, true, leftAlone);
    return true;
}

RewriteResult UndoRun::restore(FolderChain &folders, const JournalEntry &entry)
{
    Failure unreachable;
    const std::optional<PageLocation> page =
        liesBelow(entry.path, m_root) ? folders.locate(entry.path, unreachable) : std::nullopt;
    if (!page)
        return failed(unreachable.isEmpty() ? FileFailure::notInTree() : unreachable);
    if (!FileStamp::read(*page) && errno == ENOENT)
        return failed(FileFailure::goneSinceRun());
    SourceFile current;
    if (!current.open(*page, [this] { m_observer.yield(); }))
        return failed(current.error());
    QFile original;
    QString reason;
    if (!JournalReader(m_journal).openOriginal(entry, original, reason))
        return failed(FileFailure::originalMissing(reason));
    if (!asKept(original.size(), entry))
        return failed(FileFailure::originalNotAsKept(original.size(), entry.originalSize));
    switch (compare(current, original, entry)) {
    case Holds::Written:
        if (const std::optional<Failure> refused = refusal(current))
            return failed(*refused);
        return putBack(*page, current, original, entry);
    case Holds::Original:
        return {Status::Unchanged, {}};
    case Holds::Other:
        return failed(FileFailure::changedSinceRun());
    case Holds::Unreadable:
        break;
    }
    return failed(FileFailure::cannotRead(current.device().errorString()));
}

// Whether the page holds what the run wrote, or its original (put back before). The bytes
// tell, not the stamp: a page touched, copied over or checked out again with the very bytes
// the run wrote is put back.
UndoRun::Holds UndoRun::compare(SourceFile &current, QFile &original, const JournalEntry &entry)
{
    QIODevice &page = current.device();
    const bool maybeWritten = current.size() == entry.written.size;
    bool same = current.size() == original.size();
    if (!maybeWritten && !same)
        return Holds::Other;
    ContentHash hash(*ContentHash::kindOf(entry.written.hash)); // entries read are checked
    for (qint64 done = 0; done < current.size();) {
        const QByteArray chunk = page.read(qMin(ChunkBytes, current.size() - done));
        if (chunk.isEmpty())
            return Holds::Unreadable;
        if (maybeWritten)
            hash.addData(chunk.constData(), chunk.size());
        same = same && chunk == original.read(chunk.size());
        done += chunk.size();
    }
    if (maybeWritten && hash.result() == entry.written.hash)
        return Holds::Written;
    return same ? Holds::Original : Holds::Other;
}

// The page gets the original's modification time too (where the journal knows it), so that
// whatever goes by the time (a backup, a build, a sync) takes it for the page it was.
RewriteResult UndoRun::putBack(const PageLocation &page, SourceFile &current, QFile &original,
                               const JournalEntry &entry)
{
    ScratchFile scratch(page);
    if (!scratch.open())
        return failed(scratch.error());
    qint64 copied = 0;
    original.seek(0);
    for (QByteArray chunk; !(chunk = original.read(ChunkBytes)).isEmpty(); copied += chunk.size()) {
        if (!scratch.write(chunk.constData(), chunk.size()))
            return failed(scratch.error());
    }
    if (original.error() != QFileDevice::NoError)
        return failed(FileFailure::originalMissing(original.errorString()));
    if (!asKept(copied, entry))
        return failed(FileFailure::originalNotAsKept(copied, entry.originalSize));
    if (!scratch.flush())
        return failed(scratch.error());
    if (!current.copyMetadataTo(scratch))
        return failed(current.error());
    if (entry.originalModified && !scratch.setModified(*entry.originalModified))
        return failed(scratch.error());
    if (!scratch.sync())
        return failed(scratch.error());
    current.closeBeforeReplacement();
    if (!scratch.commit([&current] { return current.unchangedOnDisk(); }))
        return failed(scratch.error());
    return {Status::Changed, {}};
}
