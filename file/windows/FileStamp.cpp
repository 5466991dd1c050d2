#include "FileStamp.h"

#include <QDateTime>
#include <QFileInfo>

std::optional<FileStamp> FileStamp::read(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return std::nullopt;
    // Folded: a case-insensitive file system takes two spellings of one name for one file.
    const qint64 modified = info.lastModified().toMSecsSinceEpoch();
    return FileStamp({0, 0, info.canonicalFilePath().toCaseFolded()},
                     info.isFile() && !info.isSymLink() && !info.isJunction(), info.size(),
                     {modified / 1000, (modified % 1000) * 1000000}, {});
}

std::optional<FileStamp> FileStamp::read(const PageLocation &page)
{
    return read(page.path);
}
