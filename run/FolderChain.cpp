#include "FolderChain.h"

#include "FileFailure.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_UNIX

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

} // namespace

FolderChain::FolderChain(const QString &root) : m_root(QFile::encodeName(root)) {}

FolderChain::~FolderChain()
{
    closeFrom(0);
    if (m_byPath >= 0)
        ::close(m_byPath);
}

void FolderChain::closeFrom(std::size_t level)
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

std::optional<PageLocation> FolderChain::locate(const QString &path, QString &error)
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

bool FolderChain::openRoot(QString &error)
{
    if (!m_fds.empty())
        return true;
    const int fd = ::open(m_root.constData(), FolderFlags);
    if (fd < 0) {
        error = FileFailure::cannotOpenFolder(QFile::decodeName(m_root), errno);
        return false;
    }
    m_fds.push_back(fd);
    return true;
}

// Keeps the open folders that the page's path shares with the last one and opens the rest, each
// from its parent without following a link.
bool FolderChain::descend(const std::vector<QByteArray> &folders, const QString &path,
                          QString &error)
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
            error = FileFailure::cannotOpenFolder(shown, reason);
            return false;
        }
        m_fds.push_back(fd);
        m_open.push_back(folders[level]);
    }
    return true;
}

std::optional<PageLocation> FolderChain::locateByPath(const QString &path, QString &error)
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
    m_byPath = ::open(folder.constData(), FolderFlags);
    if (m_byPath < 0) {
        error = FileFailure::cannotOpen(errno);
        return std::nullopt;
    }
    return PageLocation{path, m_byPath, name};
}

#else // Windows

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

FolderChain::FolderChain(const QString &root) : m_root(QDir::toNativeSeparators(root)) {}

FolderChain::~FolderChain()
{
    release(0);
}

void FolderChain::release(qsizetype from)
{
    for (std::size_t i = std::size_t(from); i < m_handles.size(); ++i)
        CloseHandle(m_handles[i]);
    m_handles.resize(std::min(m_handles.size(), std::size_t(from)));
    m_held.resize(std::min(m_held.size(), from));
}

std::optional<PageLocation> FolderChain::locate(const QString &path, QString &error)
{
    const QString native = QDir::toNativeSeparators(path);
    const QString prefix = m_root.endsWith(u'\\') ? m_root : m_root + u'\\';
    if (m_root.isEmpty() || !native.startsWith(prefix, Qt::CaseInsensitive))
        return PageLocation{path};
    QStringList names = native.mid(prefix.size()).split(u'\\');
    names.removeLast();
    if (!hold(names, error))
        return std::nullopt;
    return PageLocation{path};
}

// Keeps what the page's path shares with the last one held and opens the rest, each refused
// when it is a reparse point. The share mode leaves out FILE_SHARE_DELETE, so no other program
// can rename or remove a held folder until it is let go.
bool FolderChain::hold(const QStringList &folders, QString &error)
{
    qsizetype shared = 0;
    while (shared < m_held.size() && shared < folders.size() &&
           m_held[shared].compare(folders[shared], Qt::CaseInsensitive) == 0)
        ++shared;
    release(shared);
    QString folder = m_root;
    for (qsizetype level = 0; level < folders.size(); ++level) {
        if (folders[level].isEmpty() || folders[level] == u"." || folders[level] == u"..") {
            error = FileFailure::notInTree();
            return false;
        }
        folder += (folder.endsWith(u'\\') ? QString() : QStringLiteral("\\")) + folders[level];
        if (level < shared)
            continue;
        const HANDLE handle =
            CreateFileW(reinterpret_cast<const wchar_t *>(folder.utf16()), FILE_READ_ATTRIBUTES,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            error = FileFailure::cannotOpenFolder(folder, int(GetLastError()));
            return false;
        }
        m_handles.push_back(handle);
        m_held.append(folders[level]);
        BY_HANDLE_FILE_INFORMATION info;
        if (!GetFileInformationByHandle(handle, &info) ||
            (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
            (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            error = FileFailure::folderReplaced(folder);
            return false;
        }
    }
    return true;
}

#endif
