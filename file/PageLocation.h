#pragma once

#include <QByteArray>
#include <QString>

/// A listed page as the run reaches it. On POSIX the page is never looked up by its full path:
/// its folder was opened from the chosen folder one component at a time, without following a
/// link, and the page is named within that open folder. Another program can then swap a folder
/// on the way for a link as it likes: what the run opened stays inside the chosen tree, and
/// paths longer than the system's path limit work too. Windows opens the page by its path, the
/// folders on the way held open by the FolderChain; folder and name stay unset there.
struct PageLocation
{
    QString path;    ///< as listed: what reports and the results list show
    int folder = -1; ///< the page's folder, open; owned by the FolderChain that located it
    QByteArray name; ///< the page's name in that folder, as the file system holds it
};
