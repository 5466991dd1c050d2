#pragma once

#include "scan/FolderHandle.h"

#include <QString>
#include <QStringList>
#include <set>
#include <vector>

class FolderListing;
class WalkObserver;

/// One walk over a folder tree, appending the full paths of matching files to a list in
/// post-order. Runs on the caller's thread; the observer's yield() is the only place where
/// other code can run while a walk is under way.
class FolderWalk
{
public:
    FolderWalk(QStringList &list, WalkObserver &observer);

    /// Walks folder (already in normalised native form) and every folder below it.
    void walkTree(const QString &folder);
    /// Appends the matching files of folder itself, without entering its subfolders.
    void walkFolder(const QString &folder);

private:
    // One folder being walked. The walk keeps an explicit stack of these instead of recursing,
    // so the depth of a tree is limited by memory, not by the thread's stack.
    struct Level
    {
        QString folder;
        FolderHandle handle;
        QStringList subfolders;
        QStringList files;
        qsizetype nextSubfolder = 0;
    };

    bool enter(const QString &folder, const FolderHandle *parent, const QString &name);
    void reportProblems(const QString &folder, const FolderListing &listing);
    void appendFiles(const Level &level);

    QStringList &m_list;
    WalkObserver &m_observer;
    std::vector<Level> m_levels;
    std::set<FolderHandle::Identity> m_entered; ///< every folder this walk has entered
    bool m_intoSubfolders = false;
};
