#include "scan/CollectHtmlFiles.h"

#include "scan/FolderPath.h"
#include "scan/FolderWalk.h"

void CollectHtmlFiles(const QString &folder, QStringList &list, WalkObserver &observer)
{
    FolderWalk(list, observer).walkTree(FolderPath::normalised(folder));
}

void ListFolderFiles(const QString &folder, QStringList &list, WalkObserver &observer)
{
    FolderWalk(list, observer).walkFolder(FolderPath::normalised(folder));
}
