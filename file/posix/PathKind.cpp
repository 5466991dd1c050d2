#include "file/PathKind.h"

#include "file/posix/LongPath.h"

#include <QFile>

#include <sys/stat.h>

PathKind KindOfPath(const QString &path)
{
    struct stat status = {};
    if (!LongPath(QFile::encodeName(path)).status(status))
        return PathKind::Missing;
    return S_ISDIR(status.st_mode) ? PathKind::Folder : PathKind::Other;
}
