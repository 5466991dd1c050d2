#include "file/ScratchFile.h"

#include "file/FileFailure.h"
#include "file/posix/ScratchFileNative.h"

#include <QRandomGenerator>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using FileFailure::ScratchStep;

namespace {

constexpr qsizetype BufferBytes = qsizetype(256) << 10;

std::atomic<bool> alwaysNamed = false;

// The named scratch files under way (a group of pages waiting to take their place holds several),
// for removeUnfinished() in a signal handler. Set and cleared on the thread that writes scratch
// files, which the handler interrupts: a name is written while its slot is disarmed, so the
// handler reads it whole or not at all.
struct UnfinishedSlot
{
    volatile std::sig_atomic_t armed = 0;
    const void *owner = nullptr;
    int folder = -1;
    char name[PATH_MAX] = {};
};
// More than a group's pages, with the scratch file of an undo's page beside them.
std::array<UnfinishedSlot, 80> unfinished;

UnfinishedSlot *slotOf(const void *owner)
{
    for (UnfinishedSlot &slot : unfinished) {
        if (slot.owner == owner)
            return &slot;
    }
    return nullptr;
}

void disarmUnfinished(const void *owner)
{
    if (UnfinishedSlot *slot = slotOf(owner)) {
        slot->armed = 0;
        std::atomic_signal_fence(std::memory_order_seq_cst);
        slot->owner = nullptr;
    }
}

void armUnfinished(const void *owner, int folder, const QByteArray &name)
{
    disarmUnfinished(owner);
    UnfinishedSlot *slot = slotOf(nullptr);
    if (!slot || name.size() >= qsizetype(sizeof slot->name))
        return;
    slot->owner = owner;
    slot->folder = folder;
    std::memcpy(slot->name, name.constData(), size_t(name.size()) + 1);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    slot->armed = 1;
}

// Owner-only until the page's own permissions are copied onto it.
constexpr mode_t ScratchMode = 0600;

// A name of the page's folder that no page has: hidden (the walk leaves out names that begin
// with a dot, so a scratch file left by a power cut is never taken for a page), naming whose it
// is, and cut short where the page's name is long, so that it always fits the folder.
QByteArray scratchName(const QByteArray &pageName, long nameMax)
{
    static constexpr char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray suffix = ".tagmender-";
    for (int i = 0; i < 6; ++i)
        suffix += letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)];
    const qsizetype room = qsizetype(nameMax) - 1 - suffix.size();
    return '.' + pageName.first(qBound(qsizetype(0), room, pageName.size())) + suffix;
}

long nameMaxOf(int folder)
{
    const long most = ::fpathconf(folder, _PC_NAME_MAX);
    return most > 0 ? most : 255;
}

} // namespace

ScratchFile::Native::~Native()
{
    if (m_fd >= 0)
        ::close(m_fd);
    removeName();
}

void ScratchFile::Native::removeName()
{
    if (!m_name.isEmpty())
        ::unlinkat(m_page.folder, m_name.constData(), 0);
    setName({});
}

void ScratchFile::Native::setName(const QByteArray &name)
{
    m_name = name;
    if (!name.isEmpty())
        armUnfinished(this, m_page.folder, name);
    else
        disarmUnfinished(this);
}

void ScratchFile::setAlwaysNamed(bool named)
{
    alwaysNamed = named;
}

void ScratchFile::removeUnfinished()
{
    for (const UnfinishedSlot &slot : unfinished) {
        if (slot.armed)
            ::unlinkat(slot.folder, slot.name, 0);
    }
}

bool ScratchFile::Native::open()
{
#ifdef O_TMPFILE
    if (!alwaysNamed)
        m_fd = ::openat(m_page.folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, ScratchMode);
    // Only a file system without unnamed files answers so; any other failure is the folder's.
    if (m_fd < 0 && !alwaysNamed && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return fail(ScratchStep::Create, errno);
#endif
    return m_fd >= 0 || createNamed();
}

// O_EXCL: an existing file of the same name is never opened or truncated; a name that is taken
// only means another try.
bool ScratchFile::Native::createNamed()
{
    const long nameMax = nameMaxOf(m_page.folder);
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QByteArray name = scratchName(m_page.name, nameMax);
        m_fd = ::openat(m_page.folder, name.constData(),
                        O_CREAT | O_EXCL | O_RDWR | O_NOFOLLOW | O_CLOEXEC, ScratchMode);
        if (m_fd >= 0) {
            setName(name);
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    return fail(ScratchStep::Create, errno);
}

bool ScratchFile::Native::write(const void *data, qsizetype size)
{
    if (!m_error.isEmpty())
        return false;
    if (size == 0) // data may then be null, which memcpy must not be given
        return true;
    if (m_used + size > BufferBytes && !writeBuffered())
        return false;
    if (size >= BufferBytes)
        return writeOut(static_cast<const char *>(data), size);
    if (!m_buffer)
        m_buffer = std::make_unique_for_overwrite<char[]>(size_t(BufferBytes));
    std::memcpy(m_buffer.get() + m_used, data, size_t(size));
    m_used += size;
    return true;
}

bool ScratchFile::Native::writeBuffered()
{
    if (!m_error.isEmpty())
        return false;
    const qsizetype used = m_used;
    m_used = 0;
    return writeOut(m_buffer.get(), used);
}

// The buffer goes too, and comes back with the next write: a page that waits for its group to
// take its place keeps no buffer meanwhile, however many pages wait.
bool ScratchFile::Native::flush()
{
    const bool flushed = writeBuffered();
    m_buffer.reset();
    return flushed;
}

bool ScratchFile::Native::takeBack(void *data, qsizetype size)
{
    if (!m_error.isEmpty())
        return false;
    const qsizetype fromBuffer = std::min(size, m_used);
    const qsizetype fromFile = size - fromBuffer;
    char *const to = static_cast<char *>(data);
    if (fromFile > 0 && !cutFileEnd(to, fromFile))
        return false;
    if (fromBuffer > 0)
        std::memcpy(to + fromFile, m_buffer.get() + (m_used - fromBuffer), size_t(fromBuffer));
    m_used -= fromBuffer;
    return true;
}

// Read access is why the file is opened for reading and writing.
bool ScratchFile::Native::cutFileEnd(char *data, qsizetype size)
{
    const ScratchStep step = ScratchStep::ReadBack;
    if (size > m_written)
        return fail(FileFailure::scratchFailed(step, FileFailure::readBeyondWritten()));
    const qint64 from = m_written - size;
    for (qsizetype done = 0; done < size;) {
        const ssize_t got = ::pread(m_fd, data + done, size_t(size - done), off_t(from + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got < 0 ? fail(step, errno)
                           : fail(FileFailure::scratchFailed(step, FileFailure::endOfFile()));
        done += qsizetype(got);
    }
    if (::ftruncate(m_fd, off_t(from)) != 0 || ::lseek(m_fd, off_t(from), SEEK_SET) != off_t(from))
        return fail(ScratchStep::CutShort, errno);
    m_written = from;
    return true;
}

// A write that stops short (a full disk) reports no error: only writing the rest again
// brings out the reason.
bool ScratchFile::Native::writeOut(const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t wrote = ::write(m_fd, data, size_t(size));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return fail(ScratchStep::Write, wrote < 0 ? errno : ENOSPC);
        data += wrote;
        size -= qsizetype(wrote);
        m_written += wrote;
    }
    return true;
}

// The access time is left as it is: only the modification time says which version a page is.
bool ScratchFile::Native::setModified(const FileStamp::Time &time)
{
    if (!flush())
        return false;
    const struct timespec times[2] = {{0, UTIME_OMIT},
                                      {time_t(time.seconds), long(time.nanoseconds)}};
    if (::futimens(m_fd, times) != 0)
        return fail(ScratchStep::SetTime, errno);
    return true;
}

// Where the file system cannot (or the file has failed), nothing starts: sync() writes all.
void ScratchFile::Native::startWriteBack()
{
#ifdef __linux__
    if (m_error.isEmpty())
        ::sync_file_range(m_fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

bool ScratchFile::Native::sync()
{
    if (!flush())
        return false;
    if (::fsync(m_fd) != 0)
        return fail(ScratchStep::WriteToDisk, errno);
    return true;
}

// An unnamed file is linked in through /proc rather than with AT_EMPTY_PATH, which needs a
// privilege ordinary users lack.
bool ScratchFile::Native::giveName()
{
    if (!m_name.isEmpty())
        return true;
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd);
    const long nameMax = nameMaxOf(m_page.folder);
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QByteArray name = scratchName(m_page.name, nameMax);
        if (::linkat(AT_FDCWD, self.constData(), m_page.folder, name.constData(),
                     AT_SYMLINK_FOLLOW) == 0) {
            setName(name);
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    return fail(ScratchStep::Replace, errno);
}

bool ScratchFile::Native::commit(const std::function<bool()> &unchanged)
{
    if (!place(unchanged))
        return false;
    // A rename is durable only once the folder that holds the new name is on the disk.
    if (::fsync(m_page.folder) != 0)
        return fail(FileFailure::replacedButNotDurable(qt_error_string(errno)));
    return true;
}

bool ScratchFile::Native::place(const std::function<bool()> &unchanged)
{
    if (!m_error.isEmpty() || !giveName())
        return false;
    // As late as possible: a change another program makes after this look is lost. Nothing but
    // the rename lies between them; every sync came before.
    if (!unchanged())
        return fail(FileFailure::modifiedMeanwhile());
    if (::renameat(m_page.folder, m_name.constData(), m_page.folder, m_page.name.constData()) != 0)
        return fail(ScratchStep::Replace, errno);
    setName({});
    return true;
}

bool ScratchFile::Native::fail(ScratchStep step, int errorCode)
{
    return fail(FileFailure::scratchFailed(step, qt_error_string(errorCode)));
}

bool ScratchFile::Native::fail(const Failure &failure)
{
    if (m_error.isEmpty())
        m_error = failure;
    return false;
}
