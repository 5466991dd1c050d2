#include "SourceFile.h"

#include "FileFailure.h"
#include "FileStamp.h"

#include <QFileInfo>

#include <thread>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

bool SourceFile::fail(const QString &reason)
{
    m_error = reason;
    return false;
}

#ifdef Q_OS_UNIX

namespace {

constexpr std::chrono::milliseconds LockRetry{10};

} // namespace

bool SourceFile::open(const PageLocation &page, const std::function<void()> &yield)
{
    m_page = page;
    const auto deadline = std::chrono::steady_clock::now() + LockWait;
    for (;;) {
        if (!openOnce())
            return false;
        const Lock lock = takeLock();
        if (lock == Lock::Taken)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return fail(FileFailure::locked(int(LockWait.count())));
        // Moved: the other run replaced the page while this one waited; its new version is
        // the one to rewrite, at once.
        if (lock == Lock::Busy) {
            if (yield)
                yield();
            std::this_thread::sleep_for(LockRetry);
        }
    }
}

// The page is looked at before it is opened, so that nothing but a regular file is ever
// opened. Another file may take the name in between: a FIFO (opened non-blocking, so the open
// does not wait for a writer), a device (which would be read for ever) or a link (O_NOFOLLOW
// fails with ELOOP on it). So what counts from here on is the file actually opened, checked
// once more; the check before the replacement then compares the name with that file.
bool SourceFile::openOnce()
{
    m_file.reset();
    const int folder = m_page.folder;
    const char *name = m_page.name.constData();
    if (!m_metadata.readAt(folder, name))
        return fail(FileFailure::cannotOpen(errno));
    if (!m_metadata.isRegularFile())
        return fail(FileFailure::notRegular());
    const int fd =
        ::openat(folder, name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return fail(errno == ELOOP ? FileFailure::notRegular() : FileFailure::cannotOpen(errno));
    m_file.emplace(fd);
    if (!m_metadata.readOpen(fd))
        return fail(FileFailure::cannotOpen(errno));
    if (!m_metadata.isRegularFile())
        return fail(FileFailure::notRegular());
    return true;
}

// The lock is advisory: it keeps out other runs of this program, not other programs. A file
// system that has no such locks (some network ones) gets the rewrite without.
SourceFile::Lock SourceFile::takeLock()
{
    if (::flock(m_file->handle(), LOCK_EX | LOCK_NB) != 0)
        return errno == EWOULDBLOCK || errno == EINTR ? Lock::Busy : Lock::Taken;
    // Whoever held the lock may have changed the file in place meanwhile, or put a new file
    // in its place: what was read of it before the lock counts for nothing.
    const std::optional<FileStamp> named =
        FileStamp::readAt(m_page.folder, m_page.name.constData());
    if (!m_metadata.readOpen(m_file->handle()))
        return Lock::Moved;
    if (!named || named->identity() != FileStamp::fromStatus(m_metadata.status()).identity())
        return Lock::Moved;
    return Lock::Taken;
}

QIODevice &SourceFile::device()
{
    return *m_file;
}

qint64 SourceFile::size() const
{
    return m_metadata.size();
}

int SourceFile::handle() const
{
    return m_file->handle();
}

bool SourceFile::isReadOnly() const
{
    return m_metadata.lacksWriteBits() ||
           ::faccessat(m_page.folder, m_page.name.constData(), W_OK, 0) != 0;
}

bool SourceFile::hasOtherLinks() const
{
    return m_metadata.hasOtherLinks();
}

bool SourceFile::copyMetadataTo(ScratchFile &scratch)
{
    m_error = m_metadata.copyTo(m_file->handle(), scratch.handle());
    return m_error.isEmpty();
}

void SourceFile::prepareForReplacement() {}

// The name is looked at without following a link, in the folder the page was opened from, so a
// link or any other file that took the page's place (another inode) is refused here, right
// before the rename.
bool SourceFile::unchangedOnDisk()
{
    PosixFileMetadata now;
    return now.readAt(m_page.folder, m_page.name.constData()) && now.sameVersionAs(m_metadata);
}

// The caller looked at the page (unchangedOnDisk()) right before the link, so only a writer in
// the few microseconds between could hide here, and what the rewrite reads of the page comes
// after this anyway.
bool SourceFile::rereadAfterLink()
{
    PosixFileMetadata now;
    if (!now.readOpen(m_file->handle()))
        return fail(FileFailure::cannotOpen(errno));
    const struct stat &before = m_metadata.status(), &after = now.status();
    if (before.st_size != after.st_size || before.st_mtim.tv_sec != after.st_mtim.tv_sec ||
        before.st_mtim.tv_nsec != after.st_mtim.tv_nsec)
        return fail(FileFailure::modifiedMeanwhile());
    m_metadata = now;
    return true;
}

#else // Windows: Qt to read, Win32 for the file's identity and attributes.

#include <QDir>

#include <io.h>

namespace {

// QFileDevice::handle() is a C runtime descriptor on Windows; Win32 wants the HANDLE behind it.
void *win32Handle(const QFile &file)
{
    return reinterpret_cast<void *>(_get_osfhandle(file.handle()));
}

// QFile and ReadFileFacts follow reparse points; a link is refused by its name instead.
bool isLink(const QFileInfo &info)
{
    return info.isSymLink() || info.isJunction();
}

} // namespace

bool SourceFile::open(const PageLocation &page, const std::function<void()> &)
{
    m_page = page;
    const QFileInfo info(page.path);
    if (isLink(info) || (info.exists() && !info.isFile()))
        return fail(FileFailure::notRegular());
    m_file.setFileName(page.path);
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return fail(FileFailure::cannotOpen(m_file.errorString()));
    // Read through the open handle, so that they describe the file being read.
    std::wstring error;
    if (!ReadFileFacts(win32Handle(m_file), m_facts, error))
        return fail(FileFailure::cannotOpen(QString::fromStdWString(error)));
    return true;
}

QIODevice &SourceFile::device()
{
    return m_file;
}

qint64 SourceFile::size() const
{
    return qint64(m_facts.size);
}

int SourceFile::handle() const
{
    return m_file.handle();
}

// The read-only attribute makes ReplaceFileW fail with "access denied" only after the scratch
// file is written; checked here, the file is refused up front. QFileInfo adds the NTFS
// permissions when the program turns their lookup on.
bool SourceFile::isReadOnly() const
{
    return m_facts.isReadOnly() || !QFileInfo(m_page.path).isWritable();
}

// ReplaceFileW gives the path a new file, as a rename does: other names would keep the old text.
bool SourceFile::hasOtherLinks() const
{
    return m_facts.links > 1;
}

// ReplaceFileW itself gives the new file the old one's attributes, ACL and streams.
bool SourceFile::copyMetadataTo(ScratchFile &)
{
    return true;
}

void SourceFile::prepareForReplacement()
{
    m_file.close();
}

bool SourceFile::rereadAfterLink()
{
    return true;
}

// Looked at by name: the file itself was closed by prepareForReplacement().
bool SourceFile::unchangedOnDisk()
{
    if (isLink(QFileInfo(m_page.path)))
        return false;
    const QString path = QDir::toNativeSeparators(QFileInfo(m_page.path).absoluteFilePath());
    WindowsFileFacts now;
    std::wstring error;
    return ReadFileFacts(path.toStdWString(), now, error) && SameFileVersion(now, m_facts);
}

#endif
