#pragma once

#include "FolderHandleNative.h"

#include <QString>

/// A folder the walk has open. On POSIX systems it holds the folder's descriptor, from which its
/// subfolders are opened by their bare names: no component above is looked up again, so a folder
/// on the way swapped for a link cannot lead elsewhere, and a path may outgrow PATH_MAX. On
/// Windows, where the listing goes by path and junctions are never entered, it holds the path.
class FolderHandle
{
public:
    /// Device, inode and change time to the nanosecond: two paths to one folder (a bind mount)
    /// give the same, and a later folder that reuses a freed inode number does not. On Windows,
    /// where no folder has two paths within one walk, the path.
    using Identity = FolderIdentity;

    /// Opens folder, a native path, following a link: this is the folder the user chose.
    explicit FolderHandle(const QString &folder);
    ~FolderHandle();

    FolderHandle(FolderHandle &&other) noexcept;
    FolderHandle &operator=(FolderHandle &&other) = delete;

    /// Opens the subfolder name (a bare name) of this open folder, refusing a link.
    FolderHandle subfolder(const QString &name) const;

    /// Whether the folder could not be opened; why, in the system's words, is error().
    bool failed() const { return !m_error.isEmpty(); }
    const QString &error() const { return m_error; }
    /// Tells the folders of one walk apart, whatever path reached them.
    const Identity &identity() const { return m_identity; }
    /// The platform's hold on the folder, for listing it.
    const FolderHandleNative &native() const { return m_native; }

private:
    FolderHandle() = default;
    FolderHandleNative m_native;
    Identity m_identity;
    QString m_error;
};
