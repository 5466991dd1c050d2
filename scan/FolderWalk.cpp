#include "FolderWalk.h"

#include "FolderListing.h"
#include "FolderPath.h"
#include "WalkObserver.h"

FolderWalk::FolderWalk(const QString &pattern, QStringList &list, WalkObserver &observer)
    : m_pattern(pattern), m_list(list), m_observer(observer)
{}

void FolderWalk::walkTree(const QString &folder)
{
    // The start folder is the one the user chose, so it is used even when it is a link; below
    // it links are never followed, which rules out cycles and folders outside the tree.
    enter(folder, true);
    while (!m_levels.empty()) {
        Level &level = m_levels.back();
        if (level.nextSubfolder < level.subfolders.size()) {
            const QString subfolder =
                FolderPath::join(level.folder, level.subfolders[level.nextSubfolder++]);
            m_observer.yield();
            enter(subfolder, false); // invalidates level
        } else {
            appendFiles(level);
            m_levels.pop_back();
        }
    }
}

void FolderWalk::walkFolder(const QString &folder)
{
    if (enter(folder, true)) {
        appendFiles(m_levels.back());
        m_levels.pop_back();
    }
}

// Lists folder and pushes it; a folder that cannot be listed is reported and left out, and the
// walk goes on with its siblings.
bool FolderWalk::enter(const QString &folder, bool followLink)
{
    m_observer.yield();
    FolderListing listing = FolderListing::read(folder, m_pattern, followLink);
    if (listing.failed()) {
        m_observer.folderFailed(folder, listing.error());
        return false;
    }
    m_levels.push_back({folder, listing.subfolders(), listing.files(), 0});
    return true;
}

void FolderWalk::appendFiles(const Level &level)
{
    for (const QString &name : level.files)
        m_list.append(FolderPath::join(level.folder, name));
}
