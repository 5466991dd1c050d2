#include "scan/FolderWalk.h"

#include "file/FileFailure.h"
#include "scan/FolderHandle.h"
#include "scan/FolderListing.h"
#include "scan/FolderPath.h"
#include "scan/WalkObserver.h"

FolderWalk::FolderWalk(QStringList &list, WalkObserver &observer)
    : m_list(list), m_observer(observer)
{}

void FolderWalk::walkTree(const QString &folder)
{
    m_intoSubfolders = true;
    enter(folder, nullptr, {});
    while (!m_levels.empty()) {
        Level &level = m_levels.back();
        if (level.nextSubfolder < level.subfolders.size()) {
            const QString name = level.subfolders[level.nextSubfolder++];
            m_observer.yield();
            enter(FolderPath::join(level.folder, name), &level.handle, name); // invalidates level
        } else {
            appendFiles(level);
            m_levels.pop_back();
        }
    }
}

void FolderWalk::walkFolder(const QString &folder)
{
    if (enter(folder, nullptr, {})) {
        appendFiles(m_levels.back());
        m_levels.pop_back();
    }
}

// Opens folder (name in parent), lists it and pushes it; a folder that cannot be opened or listed
// is reported and left out, and the walk goes on with its siblings. The start folder (no parent)
// is the one the user chose, so it is opened by its path even when it is a link; every other one
// is opened by its bare name from its parent, which stays open on the stack, and never through a
// link: a folder swapped for a link anywhere on the way cannot lead the walk out of the tree.
bool FolderWalk::enter(const QString &folder, const FolderHandle *parent, const QString &name)
{
    m_observer.yield();
    FolderHandle handle = parent ? parent->subfolder(name) : FolderHandle(folder);
    if (handle.failed()) {
        m_observer.folderFailed(folder, FileFailure::folderUnlisted(handle.error()));
        return false;
    }
    // Reached again through another path (a bind mount, maybe of a folder above): its pages are
    // listed already, or will be. Not a failure, so not reported. Recognised here rather than when
    // the pages are processed, since a page saved by rename meanwhile takes another identity.
    if (!m_entered.insert(handle.identity()).second)
        return false;
    const FolderListing listing = FolderListing::read(handle);
    reportProblems(folder, listing);
    if (listing.failed())
        return false;
    m_levels.push_back({folder, std::move(handle), listing.subfolders(), listing.files(), 0});
    return true;
}

// Every problem gets its own report, the listing error and each entry left out, so that no page
// the user expects goes missing without a word. Subfolders count only for a walk that enters them.
void FolderWalk::reportProblems(const QString &folder, const FolderListing &listing)
{
    if (listing.failed())
        m_observer.folderFailed(folder, FileFailure::folderUnlisted(listing.error()));
    if (m_intoSubfolders) {
        for (const QString &name : listing.undecodableFolders())
            m_observer.folderFailed(folder, FileFailure::undecodableName(true, name));
        for (const QString &name : listing.linkedFolders())
            m_observer.folderFailed(folder, FileFailure::linkLeftOut(name));
    }
    for (const QString &name : listing.undecodableFiles())
        m_observer.folderFailed(folder, FileFailure::undecodableName(false, name));
    for (const QString &name : listing.linkedFiles())
        m_observer.folderFailed(folder, FileFailure::linkLeftOut(name));
}

void FolderWalk::appendFiles(const Level &level)
{
    for (const QString &name : level.files) {
        m_list.append(FolderPath::join(level.folder, name));
        m_observer.fileListed(m_list.constLast());
    }
}
