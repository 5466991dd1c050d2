#include "file/FileStamp.h"

#include "file/windows/WindowsFileReplace.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <cerrno>

namespace {

// The change time moves with every write and every change of the file's times, attributes or
// names: it tells a page whose writer put the time of last write back, or another file of the
// same size and time renamed into its place, from the page as it was.
FileStamp::Time changeTime(const QString &path)
{
    WindowsFileFacts facts;
    std::wstring error;
    std::int64_t seconds = 0, nanoseconds = 0;
    if (ReadFileFacts(QDir::toNativeSeparators(path).toStdWString(), facts, error) &&
        facts.changed != 0)
        UnixTimeOf(facts.changed, seconds, nanoseconds);
    return {seconds, nanoseconds};
}

} // namespace

std::optional<FileStamp> FileStamp::read(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        // As on POSIX: an undo tells a page that is gone from one it cannot look at by errno.
        errno = ENOENT;
        return std::nullopt;
    }
    // Folded: a case-insensitive file system takes two spellings of one name for one file.
    const qint64 modified = info.lastModified().toMSecsSinceEpoch();
    return FileStamp({0, 0, info.canonicalFilePath().toCaseFolded()},
                     info.isFile() && !info.isSymLink() && !info.isJunction(), info.size(),
                     {modified / 1000, (modified % 1000) * 1000000}, changeTime(path));
}

std::optional<FileStamp> FileStamp::read(const PageLocation &page)
{
    return read(page.path);
}
