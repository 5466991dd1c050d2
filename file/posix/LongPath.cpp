#include "file/posix/LongPath.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A folder on the way is only looked up from, never read: a path-only descriptor needs no read
// permission on it, as the lookup of the whole path needs none.
#ifdef O_PATH
constexpr int PieceFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
constexpr int PieceFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif

} // namespace

// Each piece ends at a slash, so that no name is cut in two; a name longer than a piece can
// hold cannot exist, and fails as the whole path would. A piece after the first never starts
// with a slash, which would take it from the root.
LongPath::LongPath(const QByteArray &path) : m_folder(AT_FDCWD)
{
    qsizetype from = 0;
    while (path.size() - from >= PATH_MAX) {
        const qsizetype cut = path.lastIndexOf('/', from + PATH_MAX - 1);
        if (cut <= from) {
            m_error = ENAMETOOLONG;
            return;
        }
        const QByteArray piece = path.mid(from, cut - from);
        const int next = ::openat(m_folder, piece.constData(), PieceFlags);
        if (next < 0) {
            m_error = errno;
            return;
        }
        if (m_folder != AT_FDCWD)
            ::close(m_folder);
        m_folder = next;
        for (from = cut; from < path.size() && path[from] == '/';)
            ++from;
    }
    // Nothing left after a cut: the path ended in slashes, and names the folder reached.
    m_rest = from == 0 || from < path.size() ? path.mid(from) : QByteArray(".");
}

LongPath::~LongPath()
{
    if (m_folder != AT_FDCWD)
        ::close(m_folder);
}

int LongPath::open(int flags) const
{
    if (m_error != 0) {
        errno = m_error;
        return -1;
    }
    return ::openat(m_folder, m_rest.constData(), flags);
}

bool LongPath::status(struct stat &status) const
{
    if (m_error != 0) {
        errno = m_error;
        return false;
    }
    return ::fstatat(m_folder, m_rest.constData(), &status, 0) == 0;
}
