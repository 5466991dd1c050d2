#include "OpenFolder.h"

#ifdef Q_OS_UNIX

#include <fcntl.h>
#include <unistd.h>

OpenFolder::~OpenFolder()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int OpenFolder::descriptor(QByteArrayView folder)
{
    if (m_fd >= 0 && folder == m_path)
        return m_fd;
    if (m_fd >= 0)
        ::close(m_fd);
    m_path = folder.toByteArray();
#ifdef O_PATH
    // Only a handle for lookups: needs no read permission on the folder and reads nothing.
    constexpr int flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
    constexpr int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif
    m_fd = ::open(m_path.constData(), flags);
    return m_fd;
}

#else

OpenFolder::~OpenFolder() = default;

#endif
