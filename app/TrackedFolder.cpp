#include "TrackedFolder.h"

#include "FolderPath.h"

#include <QDir>
#include <QFileInfo>

TrackedFolder::TrackedFolder() : m_path(FolderPath::normalised(QDir::currentPath())) {}

bool TrackedFolder::setPath(const QString &text)
{
    // An empty text would name the working folder to QFileInfo; the field being emptied
    // names no folder at all.
    if (text.isEmpty()) {
        return false;
    }
    if (!QFileInfo(text).isDir()) {
        return false;
    }
    // The same form the run lists its pages under, so the two never disagree on a folder.
    m_path = FolderPath::normalised(text);
    return true;
}

QString TrackedFolder::path() const
{
    return m_path;
}
