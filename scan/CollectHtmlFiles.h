#pragma once

#include <QStringList>

class WalkObserver;

/// Appends to list the full path of every regular file below folder whose name is a page name
/// (IsPageName: .htm or .html in any case), in post-order: in every folder its subfolders first
/// (each completely), then its own files; names sorted without regard to case. Paths use native
/// separators, with exactly one separator before each name. Hidden entries (a leading dot) and
/// symbolic links are neither listed nor entered, and a folder reached again through another path
/// (a bind mount) is not entered again, without a report. Folders that cannot be listed, and
/// folders and matching files whose names do not come back as the same bytes from decoding and
/// encoding them again, are left out and reported to observer.
void CollectHtmlFiles(const QString &folder, QStringList &list, WalkObserver &observer);

/// Appends the pages of folder itself (no subfolders), in the same form and order;
/// its subfolders are not looked at, so an undecodable subfolder name goes unreported here.
void ListFolderFiles(const QString &folder, QStringList &list, WalkObserver &observer);
