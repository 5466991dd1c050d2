#include "journal/RunJournal.h"

#include "file/ContentHash.h"
#include "file/FileStamp.h"
#include "journal/JournalLayout.h"
#include "journal/posix/JournalFolderNative.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype ChunkBytes = qsizetype(1) << 20;

// Returns false with errno set; a write that stops short is a full disk.
bool writeAll(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t wrote = ::write(fd, data, size_t(size));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0) {
            errno = wrote < 0 ? errno : ENOSPC;
            return false;
        }
        data += wrote;
        size -= wrote;
    }
    return true;
}

// Reads size bytes of fd from offset into data without moving its position. Short: the end.
qint64 readAt(int fd, char *data, qint64 size, qint64 offset)
{
    for (;;) {
        const ssize_t got = ::pread(fd, data, size_t(size), off_t(offset));
        if (got >= 0 || errno != EINTR)
            return qint64(got);
    }
}

// A new file of folder with bytes in it, on the disk (its name is not, until the folder is).
bool writeFile(int folder, const QByteArray &name, const QByteArray &bytes)
{
    const int fd =
        ::openat(folder, name.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, bytes.constData(), bytes.size()) && ::fdatasync(fd) == 0;
    const int reason = errno;
    ::close(fd);
    errno = reason;
    return written;
}

// A run hashes every page it writes before it may replace the page: the kind kept here is the
// fast one (see ContentHash).
std::optional<QByteArray> hashOf(int fd)
{
    ContentHash hash(ContentHash::kept());
    const auto buffer = std::make_unique_for_overwrite<char[]>(size_t(ChunkBytes));
    for (qint64 offset = 0, got = 1; got > 0; offset += got) {
        got = readAt(fd, buffer.get(), ChunkBytes, offset);
        if (got < 0)
            return std::nullopt;
        hash.addData(buffer.get(), got);
    }
    return hash.result();
}

} // namespace

RunJournal::RunJournal(const QString &root, const QString &search, const QString &replacement,
                       const QString &home)
    : m_root(root), m_search(search), m_replacement(replacement), m_home(home)
{}

RunJournal::~RunJournal()
{
    if (m_fd < 0)
        return;
    settleIfClean();
    ::close(m_fd);
}

// The run's folder, its name durable, with the chosen folder and the run's number written down
// for the undo. Under the journal's lock: no other run prunes or takes a number meanwhile, and
// none sees the folder before it is locked.
bool RunJournal::open()
{
    if (m_fd >= 0)
        return true;
    const auto making = FileFailure::JournalStep::MakeFolder;
    JournalFolder journal;
    if (!QDir().mkpath(m_home))
        return fail(making, errno ? errno : EACCES);
    if (!journal.open(m_home) || !journal.holdLock(JournalLayout::lock))
        return fail(making, errno);
    JournalHome::prune(m_home);
    const int home = journal.native().fd;
    const QByteArray name = QFile::encodeName(JournalHome::newRunName());
    const QByteArray run =
        JournalHome::runNote(m_root, JournalHome::nextSequence(m_home), m_search, m_replacement);
    const QByteArray note = QFile::encodeName(JournalLayout::runNote);
    bool made = ::mkdirat(home, name.constData(), 0700) == 0;
    if (made) {
        m_fd = ::openat(home, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        made = m_fd >= 0 && ::flock(m_fd, LOCK_EX) == 0 && writeFile(m_fd, note, run) &&
               ::fsync(home) == 0;
        m_bytes = run.size();
    }
    const int reason = errno;
    if (!made && m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
        ::unlinkat(home, (name + '/' + note).constData(), 0);
        ::unlinkat(home, name.constData(), AT_REMOVEDIR);
    }
    if (!made)
        return fail(making, reason);
    m_path = QDir(m_home).filePath(QFile::decodeName(name));
    return true;
}

bool RunJournal::keepOriginal(const PageLocation &page, int sourceFd, qint64 size)
{
    if (!open())
        return false;
    // The time is the one thing of the original that a copy does not keep: it goes in the entry.
    struct stat status = {};
    if (::fstat(sourceFd, &status) != 0)
        return fail(FileFailure::JournalStep::LookAtOriginal, errno);
    const FileStamp::Time modified{qint64(status.st_mtim.tv_sec), qint64(status.st_mtim.tv_nsec)};
    const QByteArray kept = JournalLayout::original(++m_count).toLatin1();
    // Linked through /proc: the file that was opened and read, not whatever the name names now.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(sourceFd);
    if (::linkat(AT_FDCWD, self.constData(), m_fd, kept.constData(), AT_SYMLINK_FOLLOW) == 0) {
        m_open.append({JournalEntry{page.path, kept, false, size, modified, {}}});
        m_bytes += size;
        return true;
    }
    if (errno != EXDEV && errno != EPERM && errno != EMLINK && errno != ENOENT)
        return fail(FileFailure::JournalStep::LinkOriginal, errno);
    if (!copy(sourceFd, kept, size))
        return false;
    m_open.append({JournalEntry{page.path, kept, true, size, modified, {}}});
    m_bytes += size;
    return true;
}

bool RunJournal::copy(int sourceFd, const QByteArray &kept, qint64 size)
{
    const auto step = FileFailure::JournalStep::CopyOriginal;
    const int fd = ::openat(m_fd, kept.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0)
        return fail(step, errno);
    const auto buffer = std::make_unique_for_overwrite<char[]>(size_t(ChunkBytes));
    bool copied = true;
    for (qint64 offset = 0; copied && offset < size;) {
        const qint64 got = readAt(sourceFd, buffer.get(), qMin(ChunkBytes, size - offset), offset);
        copied = got > 0 && writeAll(fd, buffer.get(), got);
        errno = got == 0 ? EIO : errno;
        offset += got;
    }
    copied = copied && ::fsync(fd) == 0;
    const int reason = errno;
    ::close(fd);
    if (!copied) {
        ::unlinkat(m_fd, kept.constData(), 0);
        return fail(step, reason);
    }
    return true;
}

bool RunJournal::note(int scratchFd)
{
    const auto step = FileFailure::JournalStep::WriteEntry;
    if (m_open.isEmpty())
        return fail(step, EINVAL);
    struct stat status = {};
    if (::fstat(scratchFd, &status) != 0)
        return fail(step, errno);
    const std::optional<QByteArray> hash = hashOf(scratchFd);
    if (!hash)
        return fail(step, errno);
    Open &open = m_open.last();
    open.entry.written = {quint64(status.st_dev),
                          quint64(status.st_ino),
                          qint64(status.st_size),
                          {qint64(status.st_mtim.tv_sec), qint64(status.st_mtim.tv_nsec)},
                          *hash};
    open.noted = true;
    return true;
}

// The folder's sync makes the group's name durable, and the names of its originals.
bool RunJournal::writeGroupFile(const Group &group)
{
    const QByteArray name = group.name.toLatin1();
    if (writeFile(m_fd, name, group.bytes) && ::fsync(m_fd) == 0)
        return true;
    const int reason = errno;
    ::unlinkat(m_fd, name.constData(), 0);
    return fail(FileFailure::JournalStep::WriteEntry, reason);
}

void RunJournal::forgetUnlessPlaced(const PageLocation &page, const QByteArray &kept)
{
    const qsizetype i = m_fd < 0 || kept.isEmpty() ? -1 : openIndex(kept);
    if (i < 0)
        return;
    const Open open = m_open.takeAt(i);
    const std::optional<FileStamp> now = FileStamp::read(page);
    const FileStamp::Identity written{open.entry.written.device, open.entry.written.inode, {}};
    if (open.noted && now && now->identity() == written)
        return;
    countForgotten(open, ::unlinkat(m_fd, kept.constData(), 0) == 0);
}
