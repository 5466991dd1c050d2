#include "file/FileStamp.h"

#include "file/posix/PosixStamp.h"

#include <QFile>

#include <fcntl.h>

FileStamp StampOfStatus(const struct stat &status)
{
    return FileStamp({quint64(status.st_dev), quint64(status.st_ino), {}}, S_ISREG(status.st_mode),
                     qint64(status.st_size),
                     {qint64(status.st_mtim.tv_sec), qint64(status.st_mtim.tv_nsec)},
                     {qint64(status.st_ctim.tv_sec), qint64(status.st_ctim.tv_nsec)});
}

std::optional<FileStamp> StampAt(int folderFd, const char *name)
{
    struct stat status = {};
    if (::fstatat(folderFd, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    return StampOfStatus(status);
}

std::optional<FileStamp> StampOfOpen(int fd)
{
    struct stat status = {};
    if (::fstat(fd, &status) != 0)
        return std::nullopt;
    return StampOfStatus(status);
}

std::optional<FileStamp> FileStamp::read(const QString &path)
{
    return StampAt(AT_FDCWD, QFile::encodeName(path).constData());
}

std::optional<FileStamp> FileStamp::read(const PageLocation &page)
{
    return StampAt(page.folder, page.name.constData());
}
