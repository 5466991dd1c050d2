#include "journal/JournalFolder.h"

#include "file/FileFailure.h"
#include "journal/JournalLayout.h"
#include "journal/posix/JournalFolderNative.h"

#include <QStringList>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

QByteArray encoded(const QString &name)
{
    return QFile::encodeName(name);
}

} // namespace

JournalFolder::JournalFolder() : d(std::make_unique<Native>()) {}

JournalFolder::~JournalFolder()
{
    if (d->lock >= 0)
        ::close(d->lock);
    if (d->fd >= 0)
        ::close(d->fd);
}

bool JournalFolder::open(const QString &path)
{
    d->fd = ::open(encoded(path).constData(), FolderFlags);
    m_path = path;
    return d->fd >= 0;
}

bool JournalFolder::open(const JournalFolder &parent, const QString &name)
{
    d->fd = ::openat(parent.d->fd, encoded(name).constData(), FolderFlags);
    m_path = parent.m_path + u'/' + name;
    return d->fd >= 0;
}

// A descriptor of its own, as readdir moves the one it reads; the folder's is kept for *at.
QList<JournalFolder::Item> JournalFolder::items() const
{
    QList<Item> items;
    const int fd = d->fd < 0 ? -1 : ::openat(d->fd, ".", FolderFlags);
    DIR *dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!dir) {
        if (fd >= 0)
            ::close(fd);
        return items;
    }
    while (const dirent *entry = ::readdir(dir)) {
        struct stat status = {};
        const QString name = QFile::decodeName(entry->d_name);
        if (name == u"." || name == u".." ||
            ::fstatat(d->fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        const Kind kind = S_ISDIR(status.st_mode)   ? Kind::Folder
                          : S_ISREG(status.st_mode) ? Kind::File
                                                    : Kind::Other;
        items.append({name, kind, qint64(status.st_size)});
    }
    ::closedir(dir);
    return items;
}

int JournalFolder::links(const QString &name) const
{
    struct stat status = {};
    if (::fstatat(d->fd, encoded(name).constData(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(status.st_mode))
        return 0;
    return int(status.st_nlink);
}

// Non-blocking, so that a FIFO put there does not wait for a writer; looked at once open.
bool JournalFolder::openFile(const QString &name, QFile &file, QString &error) const
{
    const int fd = ::openat(d->fd, encoded(name).constData(),
                            O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
    struct stat status = {};
    const bool plain = fd >= 0 && ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    if (plain && file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return true;
    error = (fd < 0 && errno != ELOOP ? FileFailure::cannotOpen(errno) : FileFailure::notRegular())
                .text;
    if (fd >= 0)
        ::close(fd);
    return false;
}

bool JournalFolder::remove(const QString &name) const
{
    return JournalLayout::isOwn(name) && ::unlinkat(d->fd, encoded(name).constData(), 0) == 0;
}

bool JournalFolder::removeFolder(const QString &name) const
{
    return ::unlinkat(d->fd, encoded(name).constData(), AT_REMOVEDIR) == 0;
}

bool JournalFolder::lockUnlessBusy()
{
    return d->fd >= 0 && ::flock(d->fd, LOCK_EX | LOCK_NB) == 0;
}

bool JournalFolder::holdLock(const QString &name)
{
    d->lock = ::openat(d->fd, encoded(name).constData(),
                       O_RDWR | O_CREAT | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
    while (d->lock >= 0 && ::flock(d->lock, LOCK_EX) != 0) {
        if (errno != EINTR)
            return false;
    }
    return d->lock >= 0;
}
