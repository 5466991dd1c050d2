#pragma once

#include <QtGlobal>

#include <tuple>

/// Device, inode and change time (seconds, nanoseconds) of a folder.
using FolderIdentity = std::tuple<quint64, quint64, qint64, qint64>;

/// A folder open as a descriptor, from which its subfolders are opened by their bare names.
struct FolderHandleNative
{
    int fd = -1;
};
