#include "app/FolderList.h"

#include "scan/FolderPath.h"

#include <QDir>
#include <QFileInfo>

FolderList::FolderList(Shows shows)
    : m_shows(shows), m_path(FolderPath::normalised(QDir::currentPath()))
{
    refresh();
}

bool FolderList::setPath(const QString &text)
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

QString FolderList::path() const
{
    return m_path;
}

void FolderList::refresh()
{
    const QDir::Filters filters =
        m_shows == Shows::Folders ? QDir::Dirs | QDir::NoDotAndDotDot : QDir::Files;
    m_entries = QDir(m_path).entryList(filters, QDir::Name | QDir::IgnoreCase);
}
