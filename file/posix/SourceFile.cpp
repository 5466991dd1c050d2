#include "file/SourceFile.h"

#include "file/FileFailure.h"
#include "file/ScratchFile.h"
#include "file/posix/ListedFileNative.h"
#include "file/posix/PosixStamp.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr std::chrono::milliseconds LockRetry{10};

enum class Lock { Taken, Busy, Moved };

// The lock is advisory: it keeps out other runs of this program, not other programs. A file
// system that has no such locks (some network ones) gets the rewrite without.
Lock takeLock(const PageLocation &page, ListedFile::Native &file)
{
    if (::flock(file.reader->handle(), LOCK_EX | LOCK_NB) != 0)
        return errno == EWOULDBLOCK || errno == EINTR ? Lock::Busy : Lock::Taken;
    // Whoever held the lock may have changed the file in place meanwhile, or put a new file
    // in its place: what was read of it before the lock counts for nothing.
    const std::optional<FileStamp> named = StampAt(page.folder, page.name.constData());
    if (!file.metadata.readOpen(file.reader->handle()))
        return Lock::Moved;
    if (!named || named->identity() != StampOfStatus(file.metadata.status()).identity())
        return Lock::Moved;
    return Lock::Taken;
}

} // namespace

// Where the times keep whole seconds, what is read is hashed as it is read, for the last check
// (unchangedOnDisk()); elsewhere the stamp tells, and the hash would cost every changed page.
bool SourceFile::open(const PageLocation &page, const std::function<void()> &yield,
                      std::optional<Clock::time_point> lockDeadline)
{
    m_page = page;
    m_lockedOut = false;
    const Clock::time_point deadline = lockDeadline.value_or(Clock::now() + LockWait);
    for (;;) {
        if (!m_file.open(page))
            return fail(m_file.error());
        const Lock lock = takeLock(page, m_file.native());
        if (lock == Lock::Taken) {
            if (m_file.native().metadata.hasCoarseTimes())
                m_file.native().reader->keepReadHash();
            return true;
        }
        if (Clock::now() >= deadline) {
            m_lockedOut = true;
            return fail(FileFailure::locked(int(LockWait.count())));
        }
        // Moved: the other run replaced the page while this one waited; its new version is
        // the one to rewrite, at once.
        if (lock == Lock::Busy) {
            if (yield)
                yield();
            std::this_thread::sleep_for(LockRetry);
        }
    }
}

qint64 SourceFile::size() const
{
    return m_file.native().metadata.size();
}

int SourceFile::handle() const
{
    return m_file.native().reader->handle();
}

bool SourceFile::isReadOnly() const
{
    return m_file.native().metadata.lacksWriteBits() ||
           ::faccessat(m_page.folder, m_page.name.constData(), W_OK, 0) != 0;
}

bool SourceFile::hasOtherLinks() const
{
    return m_file.native().metadata.hasOtherLinks();
}

bool SourceFile::copyMetadataTo(ScratchFile &scratch)
{
    m_error = m_file.native().metadata.copyTo(m_file.native().reader->handle(), scratch.handle());
    return m_error.isEmpty();
}

void SourceFile::closeBeforeReplacement() {}

// The name is looked at without following a link, in the folder the page was opened from, so a
// link or any other file that took the page's place (another inode) is refused here, right
// before the rename.
//
// Where the times keep whole seconds, another program's edit that keeps the page's size, made
// within the second of the page's last change (for a run, the journal's link a moment before),
// leaves the stamp as it was whenever it leaves the modification time's second too: it puts
// the time back, as cp -p and rsync do, or the page was written within that second. There the
// bytes are compared as well: those read of the page since its start, by the rewrite (or an
// undo), against the page read again, which its cached pages make about as fast as a copy.
// They come before the look at the name, which stays the last step before the rename; what can
// still hide is an edit of bytes after they were read again, within about as long as that read.
bool SourceFile::unchangedOnDisk()
{
    PosixFileReader &reader = *m_file.native().reader;
    if (reader.keepsReadHash() && !reader.stillHoldsWhatWasRead())
        return false;
    PosixFileMetadata now;
    return now.readAt(m_page.folder, m_page.name.constData()) &&
           now.sameVersionAs(m_file.native().metadata);
}

// The caller looked at the page (unchangedOnDisk()) right before the link, so only a writer in
// the few microseconds between could hide here, and what the rewrite reads of the page comes
// after this anyway.
bool SourceFile::rereadAfterLink()
{
    PosixFileMetadata &metadata = m_file.native().metadata;
    PosixFileMetadata now;
    if (!now.readOpen(handle()))
        return fail(FileFailure::cannotOpen(errno));
    const struct stat &before = metadata.status(), &after = now.status();
    if (before.st_size != after.st_size || before.st_mtim.tv_sec != after.st_mtim.tv_sec ||
        before.st_mtim.tv_nsec != after.st_mtim.tv_nsec)
        return fail(FileFailure::modifiedMeanwhile());
    metadata = now;
    return true;
}
