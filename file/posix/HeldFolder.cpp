#include "file/HeldFolder.h"

#include "file/FileFailure.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

struct HeldFolder::Native
{
    quint64 device = 0, inode = 0;
};

// The chain already reached the folder from root; its descriptor is duplicated, not reopened.
HeldFolder::HeldFolder(const PageLocation &page, const QString &)
    : m_page(page), d(std::make_unique<Native>())
{
    m_page.folder = ::fcntl(page.folder, F_DUPFD_CLOEXEC, 0);
    struct stat status = {};
    if (m_page.folder < 0 || ::fstat(m_page.folder, &status) != 0)
        m_error = FileFailure::cannotOpen(errno);
    d->device = quint64(status.st_dev);
    d->inode = quint64(status.st_ino);
}

HeldFolder::~HeldFolder()
{
    if (m_page.folder >= 0)
        ::close(m_page.folder);
}

bool HeldFolder::sameFolder(const HeldFolder &other) const
{
    // Not held(): a folder whose sync failed is still the same folder.
    return d->inode != 0 && d->device == other.d->device && d->inode == other.d->inode;
}

bool HeldFolder::sync()
{
    if (::fsync(m_page.folder) == 0)
        return true;
    m_error = FileFailure::replacedButNotDurable(qt_error_string(errno));
    return false;
}
