#pragma once

#include "file/PageLocation.h"

#include <QString>
#include <QtGlobal>

#include <optional>

/// Which file a path names and which version of it, read with one stat: enough to tell whether
/// a file is still the one looked at a moment ago, and whether two paths name the same file.
class FileStamp
{
public:
    /// The file itself, whatever path names it: device and inode on POSIX; on Windows the
    /// canonical path, which is enough for the aliases a folder walk can produce there.
    struct Identity
    {
        quint64 device = 0;
        quint64 inode = 0;
        QString canonicalPath;
        friend bool operator==(const Identity &, const Identity &) = default;
    };

    /// A moment to the nanosecond, as the file system keeps it.
    struct Time
    {
        qint64 seconds = 0;
        qint64 nanoseconds = 0;
        friend bool operator==(const Time &, const Time &) = default;
    };

    FileStamp() = default;
    /// changed is the time the file's metadata last changed, where the system keeps one.
    FileStamp(Identity identity, bool regular, qint64 size, Time modified, Time changed)
        : m_identity(std::move(identity)), m_regular(regular), m_size(size), m_modified(modified),
          m_changed(changed)
    {}

    /// The stamp of the file path names; a final symbolic link is not followed (it is no
    /// regular file: a run never reads or writes through one). Nothing when the path names
    /// nothing (errno is ENOENT) or cannot be looked at (errno says why on POSIX).
    static std::optional<FileStamp> read(const QString &path);

    /// The same for a page reached through its open folder.
    static std::optional<FileStamp> read(const PageLocation &page);

    const Identity &identity() const { return m_identity; }
    bool isRegularFile() const { return m_regular; }
    qint64 size() const { return m_size; }
    const Time &modified() const { return m_modified; }

    /// True when both name the same file with the same size and times. The change time counts
    /// too: it also moves when a writer restores the modification time.
    friend bool operator==(const FileStamp &, const FileStamp &) = default;

private:
    Identity m_identity;
    bool m_regular = false;
    qint64 m_size = 0;
    Time m_modified;
    Time m_changed;
};
