#include "file/PathKind.h"

#include <QFileInfo>

// Qt reaches paths longer than MAX_PATH on Windows itself.
PathKind KindOfPath(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return PathKind::Missing;
    return info.isDir() ? PathKind::Folder : PathKind::Other;
}
