#include "FolderWalk.h"

#include "FolderListing.h"
#include "FolderPath.h"
#include "WalkObserver.h"

namespace {

QString undecodableReason(const QString &kind, const QString &shownName)
{
    return QStringLiteral("the %1 \"%2\" was left out because its name is not valid in the file "
                          "name encoding")
        .arg(kind, shownName);
}

} // namespace

FolderWalk::FolderWalk(const QString &pattern, QStringList &list, WalkObserver &observer)
    : m_pattern(pattern), m_list(list), m_observer(observer)
{}

void FolderWalk::walkTree(const QString &folder)
{
    m_intoSubfolders = true;
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
    reportProblems(folder, listing);
    if (listing.failed())
        return false;
    m_levels.push_back({folder, listing.subfolders(), listing.files(), 0});
    return true;
}

// Every problem gets its own report, the listing error and each entry left out, so that no page
// the user expects goes missing without a word. Subfolders count only for a walk that enters them.
void FolderWalk::reportProblems(const QString &folder, const FolderListing &listing)
{
    if (listing.failed())
        m_observer.folderFailed(folder, listing.error());
    if (m_intoSubfolders) {
        for (const QString &name : listing.undecodableFolders())
            m_observer.folderFailed(folder, undecodableReason(QStringLiteral("folder"), name));
    }
    for (const QString &name : listing.undecodableFiles())
        m_observer.folderFailed(folder, undecodableReason(QStringLiteral("file"), name));
}

void FolderWalk::appendFiles(const Level &level)
{
    for (const QString &name : level.files)
        m_list.append(FolderPath::join(level.folder, name));
}
