#include "CollectHtmlFiles.h"

#include "FolderPath.h"
#include "FolderWalk.h"

void CollectHtmlFiles(const QString &pattern, const QString &folder, QStringList &list,
                      WalkObserver &observer)
{
    FolderWalk(pattern, list, observer).walkTree(FolderPath::normalised(folder));
}

void ListFolderFiles(const QString &pattern, const QString &folder, QStringList &list,
                     WalkObserver &observer)
{
    FolderWalk(pattern, list, observer).walkFolder(FolderPath::normalised(folder));
}
