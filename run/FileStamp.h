#pragma once

#include "PageLocation.h"

#include <QString>
#include <QtGlobal>

#include <optional>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#else
#include <QDateTime>
#endif

/// Which file a path names and which version of it, read with one stat: enough to tell whether
/// a file is still the one looked at a moment ago, and whether two paths name the same file.
class FileStamp
{
public:
    /// The file itself, whatever path names it: device and inode on POSIX; elsewhere the
    /// canonical path, which is enough for the aliases a folder walk can produce there.
    struct Identity
    {
#ifdef Q_OS_UNIX
        quint64 device = 0;
        quint64 inode = 0;
#else
        QString canonicalPath;
#endif
        friend bool operator==(const Identity &, const Identity &) = default;
    };

    /// The stamp of the file path names; a final symbolic link is not followed (it is no
    /// regular file: a run never reads or writes through one). Nothing when the path names
    /// nothing or cannot be looked at (errno says why on POSIX).
    static std::optional<FileStamp> read(const QString &path);

    /// The same for a page reached through its open folder.
    static std::optional<FileStamp> read(const PageLocation &page);

#ifdef Q_OS_UNIX
    /// The same for the file name names in the folder open as folderFd (or AT_FDCWD).
    static std::optional<FileStamp> readAt(int folderFd, const char *name);

    /// The stamp of the open file fd: of the file actually opened, whatever its path names now.
    static std::optional<FileStamp> readOpen(int fd);

    /// The stamp of a status read by other means.
    static FileStamp fromStatus(const struct stat &status);
#endif

    const Identity &identity() const
    {
        return m_identity;
    }
    bool isRegularFile() const
    {
        return m_regular;
    }
    qint64 size() const
    {
        return m_size;
    }

    /// True when both name the same file with the same size and times. On POSIX the change
    /// time is compared as well: it also moves when a writer restores the modification time.
    friend bool operator==(const FileStamp &, const FileStamp &) = default;

private:
    Identity m_identity;
    bool m_regular = false;
    qint64 m_size = 0;
#ifdef Q_OS_UNIX
    qint64 m_modified[2] = {}; ///< seconds, nanoseconds
    qint64 m_changed[2] = {};
#else
    QDateTime m_modified;
#endif
};
