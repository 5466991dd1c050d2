#pragma once

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>

#include <algorithm>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

/// A page of a fixture tree: its name below the root, its bytes before and after a full run.
struct Page
{
    QString name;
    QByteArray before, after;
};

/// Fixture trees of the reliability tests.
namespace TreeFiles {

constexpr uid_t nobody = 65534;

/// Writes bytes to path, making its folders.
inline bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size();
}

/// The bytes of path; null when unreadable, which an empty file is not.
inline QByteArray read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QByteArray("") + file.readAll() : QByteArray();
}

/// The names in folder, hidden ones too, sorted: shows scratch files.
inline QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

/// Empties root and writes the pages below it.
inline bool rebuild(const QString &root, const QList<Page> &pages)
{
    return QDir(root).removeRecursively() && QDir().mkpath(root) &&
           std::all_of(pages.cbegin(), pages.cend(),
                       [&](const Page &p) { return write(root + u'/' + p.name, p.before); });
}

/// size bytes of CR LF lines, each starting with search, so that even 10 bytes hold it.
inline Page page(const QString &name, qsizetype size, const QByteArray &search = "cat",
                 const QByteArray &replacement = "dog")
{
    QByteArray text;
    for (int line = 0; text.size() < size; ++line)
        text += search + ' ' + QByteArray::number(line) + " <p>text</p>\r\n";
    text.truncate(size);
    return {name, text, QByteArray(text).replace(search, replacement)};
}

/// Whether root holds exactly the pages, each with its new text.
inline bool isDone(const QString &root, const QList<Page> &pages)
{
    QStringList names;
    for (const Page &p : pages)
        names << (read(root + u'/' + p.name) == p.after ? p.name : QString());
    names.sort();
    return entries(root) == names;
}

inline bool setOwnerAndMode(const QString &path, uid_t owner, gid_t group, mode_t mode)
{
    const QByteArray native = QFile::encodeName(path);
    return ::chown(native.constData(), owner, group) == 0 && ::chmod(native.constData(), mode) == 0;
}

/// lstat and xattrs (ACLs too) of path; unless kept, also its inode, time and bytes; "" if none.
inline QString state(const QString &path, bool kept = false)
{
    const QByteArray native = QFile::encodeName(path);
    const char *const at = native.constData();
    struct stat info = {};
    if (::lstat(at, &info) != 0)
        return {};
    QByteArray names(::llistxattr(at, nullptr, 0), '\0');
    names.resize(::llistxattr(at, names.data(), size_t(names.size())));
    QStringList line{
        QString::asprintf("owner %u:%u mode %o", info.st_uid, info.st_gid, info.st_mode)};
    for (const QByteArray &name : names.split('\0')) {
        QByteArray value(::lgetxattr(at, name.constData(), nullptr, 0), '\0');
        value.resize(::lgetxattr(at, name.constData(), value.data(), size_t(value.size())));
        if (!name.isEmpty())
            line << QString::fromUtf8(name + '=' + value.toHex());
    }
    std::sort(line.begin() + 1, line.end());
    QFile file(path);
    const bool readable = S_ISREG(info.st_mode) && file.open(QIODevice::ReadOnly);
    if (!kept)
        line << QString::asprintf("inode %llu time %lld.%09lld md5", qulonglong(info.st_ino),
                                  qlonglong(info.st_mtim.tv_sec), qlonglong(info.st_mtim.tv_nsec))
             << QCryptographicHash::hash(readable ? file.readAll() : QByteArray(),
                                         QCryptographicHash::Md5)
                    .toHex();
    return line.join(u' ');
}

/// "path: state" of all below root; only the kept part for folders and the replaced files.
inline QStringList statesBelow(const QString &root, const QStringList &replaced = {})
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
