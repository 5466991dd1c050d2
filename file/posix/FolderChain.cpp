#include "file/FolderChain.h"

#include "file/FileFailure.h"
#include "file/posix/LongPath.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Read access, not O_PATH: the rewrite syncs the folder after a rename, which a path-only
// descriptor cannot.
constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// The bytes of path below root, if path lies below it: "a/b/page.htm".
std::optional<QByteArray> below(const QByteArray &root, const QByteArray &path)
{
    if (root.isEmpty() || !path.startsWith(root))
        return std::nullopt;
    if (root.endsWith('/'))
        return path.mid(root.size());
    if (path.size() <= root.size() || path[root.size()] != '/')
        return std::nullopt;
    return path.mid(root.size() + 1);
}

// "." and ".." would lead elsewhere than the name says, and the walk lists neither.
bool isPlainName(const QByteArray &name)
{
    return !name.isEmpty() && name != "." && name != "..";
}

// error is what opening folder failed with: a folder that became a link or a file is named so.
Failure folderFailure(const QString &folder, int errorCode)
{
    if (errorCode == ELOOP || errorCode == ENOTDIR)
        return FileFailure::folderReplaced(folder);
    return FileFailure::cannotOpenFolder(folder, errorCode);
}

} // namespace

struct FolderChain::Native
{
    explicit Native(const QString &root) : m_root(QFile::encodeName(root)) {}
    ~Native();

    std::optional<PageLocation> locate(const QString &path, Failure &error);
    bool openRoot(Failure &error);
    bool descend(const std::vector<QByteArray> &folders, const QString &path, Failure &error);
    void closeFrom(std::size_t level);
    std::optional<PageLocation> locateByPath(const QString &path, Failure &error);

    QByteArray m_root;              ///< the chosen folder, encoded; empty: none
    std::vector<QByteArray> m_open; ///< names of the open folders below the root
    std::vector<int> m_fds;         ///< the root's, then one per name of m_open
    int m_byPath = -1;              ///< a folder opened by its path (see locateByPath)
    QString m_lastFolder;           ///< the folder part of the path located last below the root
};

FolderChain::FolderChain(const QString &root) : d(std::make_unique<Native>(root)) {}

FolderChain::~FolderChain() = default;

std::optional<PageLocation> FolderChain::locate(const QString &path, Failure &error)
{
    return d->locate(path, error);
}

FolderChain::Native::~Native()
{
    closeFrom(0);
    if (m_byPath >= 0)
        ::close(m_byPath);
}

void FolderChain::Native::closeFrom(std::size_t level)
{
    for (std::size_t i = level; i < m_fds.size(); ++i)
        ::close(m_fds[i]);
    if (level < m_fds.size())
        m_fds.resize(level);
    if (level == 0)
        m_open.clear();
    else if (level - 1 < m_open.size())
        m_open.resize(level - 1);
}

std::optional<PageLocation> FolderChain::Native::locate(const QString &path, Failure &error)
{
    // The common case: another page of the folder located last.
    const qsizetype slash = path.lastIndexOf(u'/');
    if (!m_lastFolder.isEmpty() && slash == m_lastFolder.size() && path.startsWith(m_lastFolder)) {
        const QByteArray name = QFile::encodeName(path.sliced(slash + 1));
        if (isPlainName(name))
            return PageLocation{path, m_fds.back(), name};
    }
    m_lastFolder.clear();
    const QByteArray encoded = QFile::encodeName(path);
    const std::optional<QByteArray> relative = below(m_root, encoded);
    if (!relative)
        return locateByPath(path, error);
    QList<QByteArray> names = relative->split('/');
    const QByteArray name = names.takeLast();
    const std::vector<QByteArray> folders(names.begin(), names.end());
    for (const QByteArray &folder : folders) {
        if (!isPlainName(folder)) {
            error = FileFailure::notInTree();
            return std::nullopt;
        }
    }
    if (!isPlainName(name)) {
        error = FileFailure::notRegular();
        return std::nullopt;
    }
    if (!descend(folders, path, error))
        return std::nullopt;
    if (slash > 0)
        m_lastFolder = path.first(slash);
    return PageLocation{path, m_fds.back(), name};
}

bool FolderChain::Native::openRoot(Failure &error)
{
    if (!m_fds.empty())
        return true;
    const int fd = LongPath(m_root).open(FolderFlags);
    if (fd < 0) {
        error = folderFailure(QFile::decodeName(m_root), errno);
        return false;
    }
    m_fds.push_back(fd);
    return true;
}

// Keeps the open folders that the page's path shares with the last one and opens the rest, each
// from its parent without following a link.
bool FolderChain::Native::descend(const std::vector<QByteArray> &folders, const QString &path,
                                  Failure &error)
{
    if (!openRoot(error))
        return false;
    std::size_t shared = 0;
    while (shared < m_open.size() && shared < folders.size() && m_open[shared] == folders[shared])
        ++shared;
    closeFrom(shared + 1);
    for (std::size_t level = shared; level < folders.size(); ++level) {
        const int fd = ::openat(m_fds.back(), folders[level].constData(), FolderFlags | O_NOFOLLOW);
        if (fd < 0) {
            const int reason = errno;
            QString shown = QDir::toNativeSeparators(path);
            shown.truncate(shown.lastIndexOf(QDir::separator()));
            error = folderFailure(shown, reason);
            return false;
        }
        m_fds.push_back(fd);
        m_open.push_back(folders[level]);
    }
    return true;
}

std::optional<PageLocation> FolderChain::Native::locateByPath(const QString &path, Failure &error)
{
    const QByteArray encoded = QFile::encodeName(QDir::cleanPath(path));
    const qsizetype slash = encoded.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : encoded.first(qMax(slash, 1));
    const QByteArray name = encoded.mid(slash + 1);
    if (!isPlainName(name)) {
        error = FileFailure::notRegular();
        return std::nullopt;
    }
    if (m_byPath >= 0)
        ::close(m_byPath);
    m_byPath = LongPath(folder).open(FolderFlags);
    if (m_byPath < 0) {
        error = FileFailure::cannotOpen(errno);
        return std::nullopt;
    }
    return PageLocation{path, m_byPath, name};
}
