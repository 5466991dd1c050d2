#pragma once

#include "file/PageLocation.h"

#include <QString>

/// A page's folder held open beyond the FolderChain's next move, for a page that takes its
/// place later, together with the others of its group; and the sync that makes the names
/// renamed in that folder durable, once for all of them.
///
/// POSIX: a second descriptor of the folder the chain opened, so the page is still reached
/// through the folder that was opened without following a link. Windows: the page goes by its
/// path, and a replacement is durable at once (ReplaceFileW): nothing is held, nothing synced.
class HeldFolder
{
public:
    /// Holds the folder of page; false from held() when that failed, error() saying why.
    explicit HeldFolder(const PageLocation &page);
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

    const QString &error() const { return m_error; }

private:
    PageLocation m_page;
    quint64 m_device = 0, m_inode = 0;
    QString m_error;
};
