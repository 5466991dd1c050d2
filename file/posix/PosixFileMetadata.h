#pragma once

#include "file/Failure.h"

#include <sys/stat.h>

/// What a POSIX file system knows of a file, captured once, and the means to pass it on to the
/// scratch file that replaces the file. A rename gives the file the scratch file's owner, mode
/// and extended attributes, so these must be the original's before the rename.
class PosixFileMetadata
{
public:
    /// Reads the metadata of the entry name in the folder open as folderFd without following a
    /// symbolic link: a link reads as a link, which is no regular file. On failure, returns
    /// false with errno set.
    bool readAt(int folderFd, const char *name);

    /// Reads the metadata of the open file fd. On failure, returns false with errno set.
    bool readOpen(int fd);

    const struct stat &status() const { return m_stat; }
    bool isRegularFile() const { return S_ISREG(m_stat.st_mode); }
    qint64 size() const { return qint64(m_stat.st_size); }
    bool hasOtherLinks() const { return m_stat.st_nlink > 1; }

    /// True when no write permission bit is set; root could write the file all the same,
    /// which is why the bits are asked and not access().
    bool lacksWriteBits() const { return (m_stat.st_mode & 0222) == 0; }

    /// True when both name the same file with the same size, modification time and change time,
    /// to the nanosecond: the file was not modified in between. The change time is what gives
    /// away a writer that restores the modification time afterwards (cp -p, rsync --inplace):
    /// no program can set it.
    bool sameVersionAs(const PosixFileMetadata &other) const;

    /// True when the change time has no part below the second, as on a file system that keeps
    /// whole seconds (ext2 and ext3 with small inodes, FAT, HFS+): a change within the second
    /// of the last one then leaves the stamp as it was (see sameVersionAs()). The change time
    /// tells, as no program can set it: the system takes it from its clock at every change, so
    /// where the file system keeps nanoseconds it ends in .000000000 once in a billion changes,
    /// and where it keeps whole seconds (or none), always. The modification time cannot tell: tar,
    /// unzip and copies from FAT give whole seconds on any file system.
    bool hasCoarseTimes() const { return m_stat.st_ctim.tv_nsec == 0; }

    /// Gives the open file targetFd this file's owner, group, exact mode (setuid, setgid and
    /// sticky bits included) and, on Linux, extended attributes (which carry the POSIX ACLs),
    /// reading the attributes from sourceFd, this file opened. Returns the failure, or none.
    Failure copyTo(int sourceFd, int targetFd) const;

private:
    Failure copyMode(int targetFd) const;

    struct stat m_stat = {};
};
