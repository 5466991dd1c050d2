#include "FolderListing.h"

#include "FolderHandle.h"
#include "PageName.h"
#include "ShownName.h"

#include <QFile>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

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
    m_error = error.isEmpty() ? QStringLiteral("Unknown error") : error;
}

#ifdef Q_OS_UNIX

namespace {

enum class EntryKind { Folder, File, Link, Other };

EntryKind kindOf(int folderFd, const dirent &entry)
{
    unsigned char type = entry.d_type;
    // Some file systems (older XFS, several network ones) leave the type to a stat call.
    if (type == DT_UNKNOWN) {
        struct stat status;
        if (fstatat(folderFd, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            return EntryKind::Other;
        type = S_ISDIR(status.st_mode)   ? DT_DIR
               : S_ISREG(status.st_mode) ? DT_REG
               : S_ISLNK(status.st_mode) ? DT_LNK
                                         : DT_UNKNOWN;
    }
    return type == DT_DIR   ? EntryKind::Folder
           : type == DT_REG ? EntryKind::File
           : type == DT_LNK ? EntryKind::Link
                            : EntryKind::Other;
}

// Whether the link points to a folder. Only its target's type is looked at; nothing is opened.
bool linksToFolder(int folderFd, const char *name)
{
    struct stat status;
    return fstatat(folderFd, name, &status, 0) == 0 && S_ISDIR(status.st_mode);
}

// A name is used only when it encodes back to exactly the bytes it was read from: any other
// text would open another entry or none. Decoding turns invalid sequences into U+FFFD and drops a
// leading byte order mark, so that a folder named BOM + ".." would be entered as the parent.
bool survivesDecoding(const QString &name, const char *raw)
{
    return QFile::encodeName(name) == raw;
}

} // namespace

// POSIX rather than QDir: readdir's d_type tells folders, files and links apart without a stat
// call per entry, which makes a tree of 50,000 files several times faster to list.
void FolderListing::readEntries(const FolderHandle &folder)
{
    // A duplicate, since closedir() closes the descriptor it reads: the walk keeps the folder's
    // own one open to open the subfolders from.
    const int fd = fcntl(folder.descriptor(), F_DUPFD_CLOEXEC, 0);
    DIR *dir = fd < 0 ? nullptr : fdopendir(fd);
    if (!dir) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        fail(qt_error_string(error));
        return;
    }
    for (errno = 0; const dirent *entry = readdir(dir); errno = 0) {
        // A leading dot marks a hidden entry, left out by design and without a report; it also
        // drops "." and "..". A name that merely decodes to a leading dot is not hidden: it
        // fails survivesDecoding() and is reported.
        if (entry->d_name[0] == '.')
            continue;
        const EntryKind kind = kindOf(fd, *entry);
        if (kind == EntryKind::Other)
            continue;
        const QString name = QFile::decodeName(entry->d_name);
        if (kind == EntryKind::Link) {
            const bool page = IsPageName(name);
            noteLink(name, entry->d_name, !page && linksToFolder(fd, entry->d_name), page);
            continue;
        }
        // An undecodable name is matched with U+FFFD standing in for its bad bytes, which is
        // enough to tell whether the walk would have wanted the file.
        if (kind == EntryKind::File && !IsPageName(name))
            continue;
        const bool folderEntry = kind == EntryKind::Folder;
        if (survivesDecoding(name, entry->d_name))
            (folderEntry ? m_subfolders : m_files).append(name);
        else
            (folderEntry ? m_undecodableFolders : m_undecodableFiles)
                .append(ShownName(entry->d_name));
    }
    const int error = errno;
    closedir(dir);
    if (error != 0)
        fail(qt_error_string(error));
}

#elif defined(Q_OS_WIN)

// FindFirstFileEx rather than QDir: it reports why a folder cannot be listed, and its attributes
// carry the hidden, system and reparse-point marks that QDir does not all honour.
void FolderListing::readEntries(const FolderHandle &folder)
{
    QString query = folder.path();
    if (!query.endsWith(u'\\'))
        query += u'\\';
    query += u'*';
    WIN32_FIND_DATAW data;
    const HANDLE handle =
        FindFirstFileExW(reinterpret_cast<const wchar_t *>(query.utf16()), FindExInfoBasic, &data,
                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // An empty drive root has no "." entry, so nothing at all matches "*" there.
        if (error != ERROR_FILE_NOT_FOUND)
            fail(qt_error_string(int(error)));
        return;
    }
    do {
        const DWORD attributes = data.dwFileAttributes;
        const bool folderEntry = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        // Junctions and links to folders are never entered; of file reparse points only links
        // are left out, since cloud and deduplicated files are ordinary files to the user.
        const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
                          (folderEntry || data.dwReserved0 == IO_REPARSE_TAG_SYMLINK);
        const QString name = QString::fromWCharArray(data.cFileName);
        if ((attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0 ||
            name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        if (link) {
            noteLink(name, QFile::encodeName(name), folderEntry, IsPageName(name));
            continue;
        }
        if (folderEntry)
            m_subfolders.append(name);
        else if ((attributes & FILE_ATTRIBUTE_DEVICE) == 0 && IsPageName(name))
            m_files.append(name);
    } while (FindNextFileW(handle, &data));
    const DWORD error = GetLastError();
    FindClose(handle);
    if (error != ERROR_NO_MORE_FILES)
        fail(qt_error_string(int(error)));
}

#endif
