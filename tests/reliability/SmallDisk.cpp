#include "SmallDisk.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

SmallDisk::SmallDisk(const QString &mountPoint, qint64 sizeBytes) : m_mountPoint(mountPoint)
{
    const QByteArray options = "size=" + QByteArray::number(sizeBytes) + ",mode=0755";
    m_mounted = ::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs",
                        MS_NOSUID | MS_NODEV, options.constData()) == 0;
    if (!m_mounted)
        m_error = qt_error_string(errno);
}

SmallDisk::~SmallDisk()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_mountPoint).constData(), MNT_DETACH);
}

bool SmallDisk::fill()
{
    const int fd = ::open(QFile::encodeName(m_mountPoint + QStringLiteral("/filler")).constData(),
                          O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const QByteArray chunk(64 * PageBytes, 'f');
    ssize_t wrote = 0;
    while ((wrote = ::write(fd, chunk.constData(), size_t(chunk.size()))) > 0)
        m_fillerBytes += wrote;
    const bool full = wrote < 0 && errno == ENOSPC;
    return ::close(fd) == 0 && full && freePages() == 0;
}

bool SmallDisk::free(qint64 pages)
{
    m_fillerBytes -= pages * PageBytes;
    return m_fillerBytes >= 0 &&
           ::truncate(QFile::encodeName(m_mountPoint + QStringLiteral("/filler")).constData(),
                      off_t(m_fillerBytes)) == 0;
}

qint64 SmallDisk::freePages() const
{
    struct statvfs status = {};
    if (::statvfs(QFile::encodeName(m_mountPoint).constData(), &status) != 0)
        return -1;
    return qint64(status.f_bavail) * qint64(status.f_frsize) / PageBytes;
}
