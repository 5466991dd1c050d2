#pragma once

#include "file/FileStamp.h"

#include <optional>

#include <sys/stat.h>

/// The stamp of a status already read: device, inode, size, modification and change times.
FileStamp StampOfStatus(const struct stat &status);

/// The stamp of the entry name in the folder open as folderFd (or AT_FDCWD), without following
/// a link. Nothing when it cannot be looked at; errno says why.
std::optional<FileStamp> StampAt(int folderFd, const char *name);

/// The stamp of the open file fd: of the file actually opened, whatever its path names now.
std::optional<FileStamp> StampOfOpen(int fd);
