#include "file/posix/PosixFileMetadata.h"

#include "file/FileFailure.h"
#include "file/posix/PosixStamp.h"

#include <QByteArray>
#include <QFile>
#include <QList>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

#ifdef Q_OS_LINUX
#include <sys/xattr.h>
#endif

namespace {

using Step = FileFailure::MetadataStep;

// What failed, with errno's reason; for a step about one attribute, its name.
Failure failure(Step step, const QByteArray &attribute = {})
{
    return FileFailure::metadataFailed(step, qt_error_string(errno), QString::fromUtf8(attribute));
}

#ifdef Q_OS_LINUX

// Names are NUL-terminated, one after the other. Returns false with errno set.
bool listAttributes(int fd, QList<QByteArray> &names)
{
    names.clear();
    const ssize_t size = ::flistxattr(fd, nullptr, 0);
    if (size < 0)
        return errno == ENOTSUP; // a file system without extended attributes has none to copy
    QByteArray list(size, '\0');
    const ssize_t got = ::flistxattr(fd, list.data(), size_t(list.size()));
    if (got < 0)
        return false;
    list.truncate(got);
    for (const QByteArray &name : list.split('\0')) {
        if (!name.isEmpty())
            names.append(name);
    }
    return true;
}

// Returns false with errno set; a missing attribute reads as an empty value with ENODATA.
bool readAttribute(int fd, const QByteArray &name, QByteArray &value)
{
    for (;;) {
        const ssize_t size = ::fgetxattr(fd, name.constData(), nullptr, 0);
        if (size < 0)
            return false;
        value.resize(size);
        const ssize_t got = ::fgetxattr(fd, name.constData(), value.data(), size_t(size));
        if (got >= 0) {
            value.truncate(got);
            return true;
        }
        if (errno != ERANGE) // ERANGE: the value grew in between; ask its size again
            return false;
    }
}

// An attribute the scratch file got from its folder (an ACL from the folder's default ACL,
// say) but the file does not have would grant what the file did not.
Failure removeExtraAttributes(int targetFd, const QList<QByteArray> &keep)
{
    QList<QByteArray> names;
    if (!listAttributes(targetFd, names))
        return failure(Step::ListScratchAttributes);
    for (const QByteArray &name : std::as_const(names)) {
        if (!keep.contains(name) && ::fremovexattr(targetFd, name.constData()) != 0)
            return failure(Step::RemoveAttribute, name);
    }
    return {};
}

Failure copyAttributes(int sourceFd, int targetFd)
{
    QList<QByteArray> names;
    if (!listAttributes(sourceFd, names))
        return failure(Step::ListAttributes);
    if (const Failure reason = removeExtraAttributes(targetFd, names); !reason.isEmpty())
        return reason;
    QByteArray value;
    QByteArray present;
    for (const QByteArray &name : std::as_const(names)) {
        if (!readAttribute(sourceFd, name, value))
            return failure(Step::ReadAttribute, name);
        // An attribute the scratch file already has with this value (a label the file system
        // gave it, for instance) is left alone: setting it might need privileges.
        if (readAttribute(targetFd, name, present) && present == value)
            continue;
        if (::fsetxattr(targetFd, name.constData(), value.constData(), size_t(value.size()), 0) !=
            0)
            return failure(Step::GiveAttribute, name);
    }
    return {};
}

#endif // Q_OS_LINUX

} // namespace

bool PosixFileMetadata::readAt(int folderFd, const char *name)
{
    return ::fstatat(folderFd, name, &m_stat, AT_SYMLINK_NOFOLLOW) == 0;
}

bool PosixFileMetadata::readOpen(int fd)
{
    return ::fstat(fd, &m_stat) == 0;
}

bool PosixFileMetadata::sameVersionAs(const PosixFileMetadata &other) const
{
    // One rule for "unchanged" in the whole program: the run trusts a pre-scan by the same one.
    return StampOfStatus(m_stat) == StampOfStatus(other.m_stat);
}

Failure PosixFileMetadata::copyTo(int sourceFd, int targetFd) const
{
    struct stat target = {};
    if (::fstat(targetFd, &target) != 0)
        return failure(Step::ReadScratch);
    // Only a change of owner needs privileges; a file the user owns is left as it is.
    if ((target.st_uid != m_stat.st_uid || target.st_gid != m_stat.st_gid) &&
        ::fchown(targetFd, m_stat.st_uid, m_stat.st_gid) != 0)
        return FileFailure::cannotKeepOwner(m_stat.st_uid, m_stat.st_gid, qt_error_string(errno));
#ifdef Q_OS_LINUX
    // After the owner, which clears security.capability; before the mode, since setting an
    // ACL can clear the setgid bit.
    if (const Failure reason = copyAttributes(sourceFd, targetFd); !reason.isEmpty())
        return reason;
#else
    Q_UNUSED(sourceFd);
#endif
    return copyMode(targetFd);
}

// Last: a change of owner clears the setuid and setgid bits, and setting an ACL the setgid bit,
// so the scratch file is looked at again. A mode it already has is not set: a file system that
// keeps no modes (FAT through FUSE) gives every file the same one and fails every fchmod.
Failure PosixFileMetadata::copyMode(int targetFd) const
{
    const mode_t mode = m_stat.st_mode & 07777;
    struct stat target = {};
    if (::fstat(targetFd, &target) != 0)
        return failure(Step::ReadScratch);
    if ((target.st_mode & 07777) == mode || ::fchmod(targetFd, mode) == 0)
        return {};
    // Such a file system says it cannot (ENOSYS, EOPNOTSUPP), as one without extended
    // attributes does; the scratch file is then let through with the mode it has, unless that
    // mode grants someone what the page's did not: a file system that kept a narrower mode for
    // the page would otherwise open it up.
    const int reason = errno;
    if ((reason == ENOSYS || reason == EOPNOTSUPP || reason == ENOTSUP) &&
        (target.st_mode & 07777 & ~mode) == 0)
        return {};
    errno = reason;
    return failure(Step::GivePermissions);
}
