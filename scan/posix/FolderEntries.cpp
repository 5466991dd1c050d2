// A folder's entries as POSIX lists them.
#include "scan/FolderHandle.h"
#include "scan/FolderListing.h"
#include "scan/PageName.h"
#include "scan/ShownName.h"

#include <QFile>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class EntryKind { Folder, File, Link, Other };

EntryKind kindOf(int folderFd, const char *name, unsigned char type)
{
    // Some file systems (older XFS, several network ones) leave the type to a stat call.
    if (type == DT_UNKNOWN) {
        struct stat status;
        if (fstatat(folderFd, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
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

// Reads a folder's entries from its open descriptor, name and type (DT_*) of one at a time.
// Linux reads them straight from the walk's own descriptor with getdents64, which saves the
// five calls per folder that opening a directory stream costs (a duplicate, its stat, its
// flags, its close); the walk lists each folder once, so the descriptor's position does not
// matter. Other systems use a stream on a duplicate, since closedir() closes what it reads.
class EntryReader
{
public:
    explicit EntryReader(int fd) : m_fd(fd) {}
    ~EntryReader();
    EntryReader(const EntryReader &) = delete;
    EntryReader &operator=(const EntryReader &) = delete;

    /// The next entry, or nullptr at the end or on an error (then errno is set, else 0).
    const char *next(unsigned char &type);

private:
    int m_fd;
#ifdef __linux__
    alignas(dirent64) char m_buffer[32768];
    ssize_t m_filled = 0;
    ssize_t m_at = 0;
#else
    DIR *m_dir = nullptr;
    bool m_opened = false;
#endif
};

#ifdef __linux__
EntryReader::~EntryReader() = default;

const char *EntryReader::next(unsigned char &type)
{
    if (m_at >= m_filled) {
        m_filled = getdents64(m_fd, m_buffer, sizeof m_buffer);
        m_at = 0;
        if (m_filled <= 0) {
            errno = m_filled < 0 ? errno : 0;
            return nullptr;
        }
    }
    const auto *entry = reinterpret_cast<const dirent64 *>(m_buffer + m_at);
    m_at += entry->d_reclen;
    type = entry->d_type;
    return entry->d_name;
}
#else
EntryReader::~EntryReader()
{
    if (m_dir)
        closedir(m_dir);
}

const char *EntryReader::next(unsigned char &type)
{
    if (!m_opened) {
        m_opened = true;
        const int fd = fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
        m_dir = fd < 0 ? nullptr : fdopendir(fd);
        if (!m_dir) {
            const int error = errno;
            if (fd >= 0)
                ::close(fd);
            errno = error;
            return nullptr;
        }
    }
    errno = 0;
    const dirent *entry = m_dir ? readdir(m_dir) : nullptr;
    if (!entry)
        return nullptr;
    type = entry->d_type;
    return entry->d_name;
}
#endif

} // namespace

// POSIX rather than QDir: the entry type tells folders, files and links apart without a stat
// call per entry, which makes a tree of 50,000 files several times faster to list.
void FolderListing::readEntries(const FolderHandle &folder)
{
    const int fd = folder.native().fd;
    EntryReader entries(fd);
    unsigned char type = DT_UNKNOWN;
    for (const char *raw; (raw = entries.next(type));) {
        // A leading dot marks a hidden entry, left out by design and without a report; it also
        // drops "." and "..". A name that merely decodes to a leading dot is not hidden: it
        // fails survivesDecoding() and is reported.
        if (raw[0] == '.')
            continue;
        const EntryKind kind = kindOf(fd, raw, type);
        if (kind == EntryKind::Other)
            continue;
        const QString name = QFile::decodeName(raw);
        if (kind == EntryKind::Link) {
            const bool page = IsPageName(name);
            noteLink(name, raw, !page && linksToFolder(fd, raw), page);
            continue;
        }
        // An undecodable name is matched with U+FFFD standing in for its bad bytes, which is
        // enough to tell whether the walk would have wanted the file.
        if (kind == EntryKind::File && !IsPageName(name))
            continue;
        const bool folderEntry = kind == EntryKind::Folder;
        if (survivesDecoding(name, raw))
            (folderEntry ? m_subfolders : m_files).append(name);
        else
            (folderEntry ? m_undecodableFolders : m_undecodableFiles).append(ShownName(raw));
    }
    if (errno != 0)
        fail(qt_error_string(errno));
}
