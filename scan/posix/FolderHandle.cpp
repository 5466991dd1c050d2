#include "scan/FolderHandle.h"

#include "file/posix/LongPath.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// The identity comes from the descriptor itself: a stat by path could meet another folder.
void take(int fd, FolderHandleNative &native, FolderIdentity &identity, QString &error)
{
    struct stat status;
    if (fd < 0 || fstat(fd, &status) != 0) {
        error = qt_error_string(errno);
        if (fd >= 0)
            ::close(fd);
        return;
    }
    native.fd = fd;
    identity = {quint64(status.st_dev), quint64(status.st_ino), qint64(status.st_ctim.tv_sec),
                qint64(status.st_ctim.tv_nsec)};
}

} // namespace

FolderHandle::FolderHandle(const QString &folder)
{
    take(LongPath(QFile::encodeName(folder)).open(O_RDONLY | O_DIRECTORY | O_CLOEXEC), m_native,
         m_identity, m_error);
}

FolderHandle::~FolderHandle()
{
    if (m_native.fd >= 0)
        ::close(m_native.fd);
}

FolderHandle::FolderHandle(FolderHandle &&other) noexcept
    : m_native{std::exchange(other.m_native.fd, -1)}, m_identity(other.m_identity),
      m_error(std::move(other.m_error))
{}

FolderHandle FolderHandle::subfolder(const QString &name) const
{
    // The walk only keeps names that encode back to the bytes it read.
    FolderHandle handle;
    take(openat(m_native.fd, QFile::encodeName(name).constData(),
                O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC),
         handle.m_native, handle.m_identity, handle.m_error);
    return handle;
}
