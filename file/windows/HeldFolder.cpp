#include "file/HeldFolder.h"

#include "file/FolderChain.h"

// A chain of its own, located once: it holds the page's folders, reparse points refused, until
// the page is in place, whatever the run's chain opens meanwhile.
struct HeldFolder::Native
{
    explicit Native(const QString &root) : folders(root) {}
    FolderChain folders;
};

HeldFolder::HeldFolder(const PageLocation &page, const QString &root)
    : m_page(page), d(std::make_unique<Native>(root))
{
    Failure error;
    if (!d->folders.locate(page.path, error))
        m_error = error;
}

HeldFolder::~HeldFolder() = default;

bool HeldFolder::sameFolder(const HeldFolder &) const
{
    return false;
}

// ReplaceFileW's replacement is durable as it returns (see ScratchFile).
bool HeldFolder::sync()
{
    return true;
}
