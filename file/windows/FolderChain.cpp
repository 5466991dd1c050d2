#include "file/FolderChain.h"

#include "file/FileFailure.h"

#include <QDir>
#include <QStringList>

#include <vector>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

struct FolderChain::Native
{
    explicit Native(const QString &root) : m_root(QDir::toNativeSeparators(root)) {}
    ~Native() { release(0); }

    std::optional<PageLocation> locate(const QString &path, Failure &error);
    bool hold(const QStringList &folders, Failure &error);
    void release(qsizetype from);

    QString m_root;                ///< the chosen folder, native separators; empty: none
    QStringList m_held;            ///< the folders below the root held open, in path order
    std::vector<void *> m_handles; ///< one per entry of m_held
};

FolderChain::FolderChain(const QString &root) : d(std::make_unique<Native>(root)) {}

FolderChain::~FolderChain() = default;

std::optional<PageLocation> FolderChain::locate(const QString &path, Failure &error)
{
    return d->locate(path, error);
}

void FolderChain::Native::release(qsizetype from)
{
    for (std::size_t i = std::size_t(from); i < m_handles.size(); ++i)
        CloseHandle(m_handles[i]);
    m_handles.resize(std::min(m_handles.size(), std::size_t(from)));
    m_held.resize(std::min(m_held.size(), from));
}

std::optional<PageLocation> FolderChain::Native::locate(const QString &path, Failure &error)
{
    const QString native = QDir::toNativeSeparators(path);
    const QString prefix = m_root.endsWith(u'\\') ? m_root : m_root + u'\\';
    if (m_root.isEmpty() || !native.startsWith(prefix, Qt::CaseInsensitive))
        return PageLocation{path, -1, {}};
    QStringList names = native.mid(prefix.size()).split(u'\\');
    names.removeLast();
    if (!hold(names, error))
        return std::nullopt;
    return PageLocation{path, -1, {}};
}

// Keeps what the page's path shares with the last one held and opens the rest, each refused
// when it is a reparse point. The share mode leaves out FILE_SHARE_DELETE, so no other program
// can rename or remove a held folder until it is let go.
bool FolderChain::Native::hold(const QStringList &folders, Failure &error)
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
