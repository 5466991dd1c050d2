#include "FolderHandle.h"

#include <utility>

#ifdef Q_OS_UNIX

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FolderHandle::FolderHandle(const QString &folder)
{
    take(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

FolderHandle::~FolderHandle()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

FolderHandle::FolderHandle(FolderHandle &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_identity(other.m_identity),
      m_error(std::move(other.m_error))
{}

int FolderHandle::descriptor() const
{
    return m_fd;
}

FolderHandle FolderHandle::subfolder(const QString &name) const
{
    // The walk only keeps names that encode back to the bytes it read.
    FolderHandle handle;
    handle.take(openat(m_fd, QFile::encodeName(name).constData(),
                       O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    return handle;
}

// The identity comes from the descriptor itself: a stat by path could meet another folder.
void FolderHandle::take(int fd)
{
    struct stat status;
    if (fd < 0 || fstat(fd, &status) != 0) {
        m_error = qt_error_string(errno);
        if (fd >= 0)
            ::close(fd);
        return;
    }
    m_fd = fd;
    m_identity = {quint64(status.st_dev), quint64(status.st_ino), qint64(status.st_ctim.tv_sec),
                  qint64(status.st_ctim.tv_nsec)};
}

#else

#include "FolderPath.h"

FolderHandle::FolderHandle(const QString &folder) : m_identity(folder) {}

FolderHandle::~FolderHandle() = default;

FolderHandle::FolderHandle(FolderHandle &&other) noexcept = default;

const QString &FolderHandle::path() const
{
    return m_identity;
}

FolderHandle FolderHandle::subfolder(const QString &name) const
{
    return FolderHandle(FolderPath::join(m_identity, name));
}

#endif
