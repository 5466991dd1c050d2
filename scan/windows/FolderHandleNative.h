#pragma once

#include <QString>

/// A folder's path: no folder has two paths within one walk here.
using FolderIdentity = QString;

/// A folder named by its path, native separators: the listing goes by path.
struct FolderHandleNative
{
    QString path;
};
