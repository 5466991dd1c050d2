#include "TreeFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>

#include <algorithm>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace TreeFiles {

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size() &&
           file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                               QFile::ReadOther);
}

QByteArray read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return bytes.isNull() ? QByteArray("") : bytes; // an empty file is not an unreadable one
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

bool rebuild(const QString &root, const QList<Page> &pages)
{
    for (QDirIterator it(root, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
         it.hasNext();)
        QFile::setPermissions(it.next(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return QDir(root).removeRecursively() && QDir().mkpath(root) &&
           std::all_of(pages.cbegin(), pages.cend(),
                       [&](const Page &p) { return write(root + u'/' + p.name, p.before); });
}

Page page(const QString &name, qsizetype size, const QByteArray &search,
          const QByteArray &replacement)
{
    QByteArray text;
    for (int line = 0; text.size() < size; ++line)
        text += search + ' ' + QByteArray::number(line) + " <p>text</p>\r\n";
    text.truncate(size);
    return {name, text, QByteArray(text).replace(search, replacement)};
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

bool setOwnerAndMode(const QString &path, uid_t owner, gid_t group, mode_t mode)
{
    const QByteArray native = QFile::encodeName(path);
    return ::chown(native.constData(), owner, group) == 0 && ::chmod(native.constData(), mode) == 0;
}

QString state(const QString &path, bool kept)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info = {};
    if (::lstat(native.constData(), &info) != 0)
        return {};
    QByteArray names(::llistxattr(native.constData(), nullptr, 0), '\0');
    names.resize(::llistxattr(native.constData(), names.data(), size_t(names.size())));
    QStringList attributes;
    for (const QByteArray &name : names.split('\0')) {
        QByteArray value(::lgetxattr(native.constData(), name.constData(), nullptr, 0), '\0');
        value.resize(
            ::lgetxattr(native.constData(), name.constData(), value.data(), size_t(value.size())));
        if (!name.isEmpty())
            attributes << QString::fromUtf8(name + '=' + value.toHex());
    }
    attributes.sort();
    QString line =
        QString::asprintf("owner %u:%u mode %o ", info.st_uid, info.st_gid, info.st_mode) +
        attributes.join(u' ');
    QFile file(path);
    const QByteArray bytes =
        S_ISREG(info.st_mode) && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (!kept)
        line += QString::asprintf(" inode %llu time %lld.%09lld md5 ", qulonglong(info.st_ino),
                                  qlonglong(info.st_mtim.tv_sec), qlonglong(info.st_mtim.tv_nsec)) +
                QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex();
    return line;
}

QStringList statesBelow(const QString &root, const QStringList &replaced)
{
    QStringList states;
    for (QDirIterator it(root,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString path = it.next();
        const bool folder = it.fileInfo().isDir() && !it.fileInfo().isSymLink();
        states << path + ": " + state(path, folder || replaced.contains(path));
    }
    states.sort();
    return states;
}

} // namespace TreeFiles
