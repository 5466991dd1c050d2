#include "SiteTree.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

SiteTree::~SiteTree()
{
    QDirIterator it(m_dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        QFile::setPermissions(file, QFile::permissions(file) | QFile::WriteOwner);
    }
}

QString SiteTree::path(const QString &relative) const
{
    return relative.isEmpty() ? m_dir.path() : m_dir.filePath(relative);
}

QString SiteTree::native(const QString &relative) const
{
    return QDir::toNativeSeparators(path(relative));
}

bool SiteTree::write(const QString &relative, const QByteArray &content)
{
    if (!QDir().mkpath(QFileInfo(path(relative)).path())) {
        return false;
    }
    QFile file(path(relative));
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray SiteTree::read(const QString &relative) const
{
    QFile file(path(relative));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool SiteTree::addFolder(const QString &relative)
{
    return QDir().mkpath(path(relative));
}

bool SiteTree::makeReadOnly(const QString &relative)
{
    return QFile::setPermissions(path(relative),
                                 QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
}
