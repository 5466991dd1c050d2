#include "FolderList.h"

#include <QDir>
#include <QFileInfo>

FolderList::FolderList(Shows shows) : m_shows(shows), m_path(QDir::currentPath())
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
    const QFileInfo folder(text);
    if (!folder.isDir()) {
        return false;
    }
    m_path = QDir::cleanPath(folder.absoluteFilePath());
    return true;
}

QString FolderList::path() const
{
    return QDir::toNativeSeparators(m_path);
}

void FolderList::refresh()
{
    const QDir::Filters filters =
        m_shows == Shows::Folders ? QDir::Dirs | QDir::NoDotAndDotDot : QDir::Files;
    m_entries = QDir(m_path).entryList(filters, QDir::Name | QDir::IgnoreCase);
}
