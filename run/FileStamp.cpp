#include "FileStamp.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX

#include <fcntl.h>

FileStamp FileStamp::fromStatus(const struct stat &status)
{
    FileStamp stamp;
    stamp.m_identity = {quint64(status.st_dev), quint64(status.st_ino)};
    stamp.m_regular = S_ISREG(status.st_mode);
    stamp.m_size = qint64(status.st_size);
    stamp.m_modified[0] = qint64(status.st_mtim.tv_sec);
    stamp.m_modified[1] = qint64(status.st_mtim.tv_nsec);
    stamp.m_changed[0] = qint64(status.st_ctim.tv_sec);
    stamp.m_changed[1] = qint64(status.st_ctim.tv_nsec);
    return stamp;
}

std::optional<FileStamp> FileStamp::read(const QString &path)
{
    return readAt(AT_FDCWD, QFile::encodeName(path).constData());
}

std::optional<FileStamp> FileStamp::read(const PageLocation &page)
{
    return readAt(page.folder, page.name.constData());
}

std::optional<FileStamp> FileStamp::readAt(int folderFd, const char *name)
{
    struct stat status = {};
    if (::fstatat(folderFd, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    return fromStatus(status);
}

std::optional<FileStamp> FileStamp::readOpen(int fd)
{
    struct stat status = {};
    if (::fstat(fd, &status) != 0)
        return std::nullopt;
    return fromStatus(status);
}

#else

std::optional<FileStamp> FileStamp::read(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return std::nullopt;
    FileStamp stamp;
    // Folded: a case-insensitive file system takes two spellings of one name for one file.
    stamp.m_identity = {info.canonicalFilePath().toCaseFolded()};
    stamp.m_regular = info.isFile() && !info.isSymLink() && !info.isJunction();
    stamp.m_size = info.size();
    stamp.m_modified = info.lastModified();
    return stamp;
}

std::optional<FileStamp> FileStamp::read(const PageLocation &page)
{
    return read(page.path);
}

#endif
