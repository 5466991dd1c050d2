#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <sys/types.h>

/// A file as a test sees it on disk, captured without following a symbolic link: enough to
/// tell a file left untouched from one that was replaced, and to compare what a replacement
/// must keep (owner, group, mode, extended attributes, which carry the POSIX ACLs).
struct FileState
{
    /// What differences() compares.
    enum class Compare {
        Kept,      ///< what a replacement must keep: type, owner, group, mode, attributes
        Untouched, ///< all of that, the bytes, the inode and the modification time too
    };

    bool exists = false;
    QByteArray bytes;
    ino_t inode = 0;
    uid_t owner = 0;
    gid_t group = 0;
    mode_t mode = 0; ///< type and permission bits
    qint64 modifiedNs = 0;
    QStringList attributes; ///< "name=hex value", sorted

    /// Reads the state of path (exists stays false when it cannot be read).
    static FileState of(const QString &path);

    /// What differs between this state and other, one item per field, or an empty string.
    QString differences(const FileState &other, Compare what) const;
};
