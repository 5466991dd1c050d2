#pragma once

#include "file/Failure.h"
#include "file/PageLocation.h"

#include <QString>

#include <memory>

/// A page's folder held open beyond the FolderChain's next move, for a page that takes its
/// place later, together with the others of its group; and the sync that makes the names
/// renamed in that folder durable, once for all of them.
///
/// POSIX: a second descriptor of the folder the chain opened, so the page is still reached
/// through the folder that was opened without following a link. Windows: the page goes by its
/// path, so every folder of that path below the chosen one is held open again, as FolderChain
/// holds them, and none can be swapped for a link meanwhile; a replacement is durable at once
/// there (ReplaceFileW), so nothing is synced.
class HeldFolder
{
public:
    /// Holds the folder of page, located below the chosen folder root; false from held() when
    /// that failed, error() saying why.
    HeldFolder(const PageLocation &page, const QString &root);
    ~HeldFolder();

    HeldFolder(const HeldFolder &) = delete;
    HeldFolder &operator=(const HeldFolder &) = delete;

    bool held() const { return m_error.isEmpty(); }

    /// The page, reached through the held folder.
    const PageLocation &location() const { return m_page; }

    /// Whether other holds the very same folder, which one sync serves for both.
    bool sameFolder(const HeldFolder &other) const;

    /// Makes the names renamed in the folder durable; false with error() saying why.
    bool sync();

    const Failure &error() const { return m_error; }

private:
    struct Native; ///< what the platform holds
    PageLocation m_page;
    std::unique_ptr<Native> d;
    Failure m_error;
};
