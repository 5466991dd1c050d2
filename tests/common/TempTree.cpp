#include "tests/common/TempTree.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QProcess>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

namespace {
constexpr auto everything = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
}

TempTree::TempTree() : m_root(QFileInfo(m_dir.path()).canonicalFilePath()) {}

TempTree::~TempTree()
{
#ifdef Q_OS_UNIX
    // QDir can neither remove names it cannot decode, nor paths beyond PATH_MAX, nor enter a
    // folder without permissions.
    QProcess::execute(QStringLiteral("sh"),
                      {QStringLiteral("-c"),
                       QStringLiteral("chmod -R u+rwx -- \"$0\"; rm -rf -- \"$0\""), m_root});
#endif
}

QString TempTree::path(const QString &name, bool native) const
{
    const QString path = name.isEmpty() ? m_root : QDir(m_root).filePath(name);
    return native ? QDir::toNativeSeparators(path) : path;
}

QStringList TempTree::state() const
{
    QStringList lines = QDir(path()).entryList(everything);
    for (QString &line : lines) {
        const QFileInfo info(path(line));
        if (info.isSymLink())
            line += QStringLiteral(" -> ") + info.symLinkTarget();
        else if (info.isFile()) // not a FIFO: reading it would block
            line += QStringLiteral(" %1 %2 ")
                        .arg(info.permissions().toInt())
                        .arg(info.lastModified().toMSecsSinceEpoch()) +
                    QCryptographicHash::hash(read(line), QCryptographicHash::Sha1).toHex();
    }
    return lines;
}

bool TempTree::writeFile(const QString &path, const QByteArray &bytes, const QDateTime &time)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size() && file.flush() &&
           (!time.isValid() || file.setFileTime(time, QFileDevice::FileModificationTime));
}

QByteArray TempTree::readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QByteArray("") + file.readAll() : QByteArray();
}

QStringList TempTree::entries(const QString &folder)
{
    return QDir(folder).entryList(everything, QDir::Name);
}

qint64 TempTree::fileBytes(const QString &folder, const QString &except)
{
    qint64 bytes = 0;
    for (const QFileInfo &file : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden))
        bytes += file.fileName() == except ? 0 : file.size();
    return bytes;
}

Page TempTree::page(const QString &name, qsizetype size, const QByteArray &search,
                    const QByteArray &replacement)
{
    QByteArray text;
    for (int line = 0; text.size() < size; ++line)
        text += search + ' ' + QByteArray::number(line) + " <p>text</p>\r\n";
    text.truncate(size);
    return {name, text, QByteArray(text).replace(search, replacement)};
}

bool TempTree::rebuild(const QString &root, const QList<Page> &pages)
{
    return QDir(root).removeRecursively() && QDir().mkpath(root) &&
           std::all_of(pages.cbegin(), pages.cend(),
                       [&](const Page &p) { return writeFile(root + u'/' + p.name, p.before); });
}

bool TempTree::isDone(const QString &root, const QList<Page> &pages)
{
    QStringList names;
    for (const Page &p : pages)
        names << (readFile(root + u'/' + p.name) == p.after ? p.name : QString());
    names.sort();
    return entries(root) == names;
}

#ifdef Q_OS_UNIX
bool TempTree::setOwnerAndMode(const QString &path, unsigned owner, unsigned group, unsigned mode)
{
    const QByteArray native = QFile::encodeName(path);
    return ::chown(native.constData(), owner, group) == 0 && ::chmod(native.constData(), mode) == 0;
}

bool TempTree::writeInPlace(const QString &path, const QByteArray &bytes)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat status = {};
    QFile file(path);
    const bool written = ::stat(native.constData(), &status) == 0 &&
                         file.open(QIODevice::ReadWrite) && file.write(bytes) == bytes.size();
    file.close();
    const timespec times[2] = {status.st_atim, status.st_mtim};
    return written && ::utimensat(AT_FDCWD, native.constData(), times, 0) == 0;
}

QString TempTree::state(const QString &path, bool kept)
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

QStringList TempTree::statesBelow(const QString &root, const QStringList &replaced)
{
    QStringList states;
    for (QDirIterator it(root, everything, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        const bool folder = it.fileInfo().isDir() && !it.fileInfo().isSymLink();
        states << path + ": " + state(path, folder || replaced.contains(path));
    }
    states.sort();
    return states;
}

bool TempTree::actAs(unsigned id)
{
    return ::getuid() != 0 || (id == 0 ? ::seteuid(0) == 0 && ::setegid(0) == 0
                                       : ::setegid(id) == 0 && ::seteuid(id) == 0);
}
#endif
