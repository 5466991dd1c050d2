// A folder's entries as POSIX lists them.
#include "FolderHandle.h"
#include "FolderListing.h"
#include "PageName.h"
#include "ShownName.h"

#include <QFile>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    const int fd = fcntl(folder.native().fd, F_DUPFD_CLOEXEC, 0);
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
