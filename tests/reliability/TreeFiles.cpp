#include "TreeFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace TreeFiles {

bool isRoot()
{
    return ::geteuid() == 0;
}

bool write(const QString &path, const QByteArray &bytes)
{
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && file.flush() &&
           file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                               QFile::ReadOther);
}

QByteArray read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.readAll();
    if (bytes.isNull())
        bytes = QByteArray(""); // an empty file is not an unreadable one
    return bytes;
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

bool rebuild(const QString &root, const QList<Page> &pages)
{
    // A test may have left a folder without write permission, whose entries root can remove
    // but another user cannot.
    QDirIterator it(root, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        QFile::setPermissions(it.next(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (QFileInfo::exists(root) && !QDir(root).removeRecursively())
        return false;
    if (!QDir().mkpath(root))
        return false;
    for (const Page &p : pages) {
        if (!write(root + u'/' + p.name, p.before))
            return false;
    }
    return true;
}

QByteArray pageText(qsizetype size, const QByteArray &word)
{
    QByteArray text;
    text.reserve(size + 64);
    for (int line = 0; text.size() < size; ++line)
        text += word + ' ' + QByteArray::number(line) + " <p>text</p>\r\n";
    text.truncate(size);
    return text;
}

Page page(const QString &name, qsizetype size, const QByteArray &search,
          const QByteArray &replacement)
{
    const QByteArray before = pageText(size, search);
    return {name, before, QByteArray(before).replace(search, replacement)};
}

bool isDone(const QString &root, const QList<Page> &pages)
{
    QStringList names;
    for (const Page &p : pages) {
        if (read(root + u'/' + p.name) != p.after)
            return false;
        names << p.name;
    }
    names.sort();
    return entries(root) == names;
}

Page untouchedPage(const QString &name, qsizetype size)
{
    const QByteArray before = pageText(size, "plain");
    return {name, before, before};
}

} // namespace TreeFiles
