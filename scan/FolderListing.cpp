#include "scan/FolderListing.h"

#include "file/FileFailure.h"
#include "scan/FolderHandle.h"
#include "scan/PageName.h"
#include "scan/ShownName.h"

#include <QFile>

#include <algorithm>

namespace {

// Case folding, not the locale's collation: the order must not change with the user's settings.
bool nameBefore(const QString &left, const QString &right)
{
    const int folded = left.compare(right, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : left.compare(right, Qt::CaseSensitive) < 0;
}

void sortNames(QStringList &names)
{
    std::sort(names.begin(), names.end(), nameBefore);
}

} // namespace

FolderListing FolderListing::read(const FolderHandle &folder)
{
    FolderListing listing;
    listing.readEntries(folder);
    sortNames(listing.m_subfolders);
    sortNames(listing.m_files);
    sortNames(listing.m_undecodableFolders);
    sortNames(listing.m_undecodableFiles);
    sortNames(listing.m_linkedFolders);
    sortNames(listing.m_linkedFiles);
    return listing;
}

// A link is never followed, but the user is told of one that stands where a page or a folder
// would be, so that no page goes missing without a word; links to anything else do not matter.
void FolderListing::noteLink(const QString &name, const QByteArray &raw, bool toFolder, bool page)
{
    const QString shown = QFile::encodeName(name) == raw ? name : ShownName(raw);
    if (toFolder)
        m_linkedFolders.append(shown);
    else if (page)
        m_linkedFiles.append(shown);
}

void FolderListing::fail(const QString &error)
{
    // A folder read only in part is treated as unreadable: a half list would look complete. The
    // undecodable names stay, since those entries are left out and must still be reported.
    m_subfolders.clear();
    m_files.clear();
    m_error = error.isEmpty() ? FileFailure::unknownError() : error;
}
