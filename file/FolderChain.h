#pragma once

#include "file/Failure.h"
#include "file/PageLocation.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

/// The folders from the chosen folder down to the folder of the page looked at last, kept open,
/// so that a page is reached from the chosen folder without following a link at any folder of
/// its path (see PageLocation). A run takes the pages of one folder together, so moving on to
/// the next page usually opens no folder at all, and to the next folder, one.
///
/// Only the chosen folder itself is opened by its path: it is the user's choice, link or not.
/// A path outside it (or any path, when no chosen folder is given) has its folder opened by its
/// path, which follows links in all but the page's own name: that is for callers that name a
/// single file themselves.
///
/// On Windows a page is still opened by its full path, but every folder below the chosen one
/// on that path is held open, without delete sharing, and checked not to be a reparse point
/// (a link or junction): while held, no folder of the path can be renamed, removed or replaced.
///
/// Used by one thread. Holds one descriptor per folder level of the open chain.
class FolderChain
{
public:
    /// root is the chosen folder in the form the walk lists its pages under, or empty.
    explicit FolderChain(const QString &root = {});
    ~FolderChain();

    FolderChain(const FolderChain &) = delete;
    FolderChain &operator=(const FolderChain &) = delete;

    /// Opens the folders down to the page at path. The location stays valid until the next
    /// call. On failure, error says why ("cannot open its folder ...: ...").
    std::optional<PageLocation> locate(const QString &path, Failure &error);

private:
    struct Native; ///< the platform's open folders
    std::unique_ptr<Native> d;
};
