#include "file/HeldFolder.h"

#include "file/FileFailure.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

HeldFolder::HeldFolder(const PageLocation &page) : m_page(page)
{
    m_page.folder = ::fcntl(page.folder, F_DUPFD_CLOEXEC, 0);
    struct stat status = {};
    if (m_page.folder < 0 || ::fstat(m_page.folder, &status) != 0)
        m_error = FileFailure::cannotOpen(errno);
    m_device = quint64(status.st_dev);
    m_inode = quint64(status.st_ino);
}

HeldFolder::~HeldFolder()
{
    if (m_page.folder >= 0)
        ::close(m_page.folder);
}

bool HeldFolder::sameFolder(const HeldFolder &other) const
{
    // Not held(): a folder whose sync failed is still the same folder.
    return m_inode != 0 && m_device == other.m_device && m_inode == other.m_inode;
}

bool HeldFolder::sync()
{
    if (::fsync(m_page.folder) == 0)
        return true;
    m_error = FileFailure::replacedButNotDurable(qt_error_string(errno));
    return false;
}
