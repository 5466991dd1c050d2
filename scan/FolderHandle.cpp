#include "FolderHandle.h"

#include <utility>

#ifdef Q_OS_UNIX

#include <QFile>

#include <cerrno>
#include <fcntl.h>
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
    : m_fd(std::exchange(other.m_fd, -1)), m_error(std::move(other.m_error))
{}

FolderHandle FolderHandle::subfolder(const QString &name) const
{
    // The walk only keeps names that encode back to the bytes it read.
    FolderHandle handle;
    handle.take(openat(m_fd, QFile::encodeName(name).constData(),
                       O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    return handle;
}

void FolderHandle::take(int fd)
{
    if (fd < 0)
        m_error = qt_error_string(errno);
    m_fd = fd;
}

#else

#include "FolderPath.h"

FolderHandle::FolderHandle(const QString &folder) : m_path(folder) {}

FolderHandle::~FolderHandle() = default;

FolderHandle::FolderHandle(FolderHandle &&other) noexcept = default;

FolderHandle FolderHandle::subfolder(const QString &name) const
{
    return FolderHandle(FolderPath::join(m_path, name));
}

#endif
