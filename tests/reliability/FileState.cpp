#include "FileState.h"

#include <QFile>

#include <sys/stat.h>
#include <sys/xattr.h>

namespace {

QByteArray attributeValue(const QByteArray &path, const char *name)
{
    const ssize_t size = ::lgetxattr(path.constData(), name, nullptr, 0);
    if (size < 0)
        return QByteArrayLiteral("<unreadable>");
    QByteArray value(size, '\0');
    const ssize_t got = ::lgetxattr(path.constData(), name, value.data(), size_t(size));
    return got < 0 ? QByteArrayLiteral("<unreadable>") : value.left(got);
}

QStringList attributesOf(const QByteArray &path)
{
    QStringList result;
    const ssize_t size = ::llistxattr(path.constData(), nullptr, 0);
    if (size <= 0)
        return result;
    QByteArray names(size, '\0');
    const ssize_t got = ::llistxattr(path.constData(), names.data(), size_t(size));
    for (const QByteArray &name : names.left(qMax<ssize_t>(got, 0)).split('\0')) {
        if (!name.isEmpty())
            result << QString::fromUtf8(name) + u'=' +
                          QString::fromLatin1(attributeValue(path, name.constData()).toHex());
    }
    result.sort();
    return result;
}

template <typename T> void compare(QStringList &out, const char *field, T mine, T theirs)
{
    if (mine != theirs)
        out << QStringLiteral("%1 %2 became %3").arg(QLatin1String(field)).arg(mine).arg(theirs);
}

} // namespace

FileState FileState::of(const QString &path)
{
    FileState state;
    const QByteArray native = QFile::encodeName(path);
    struct stat info = {};
    if (::lstat(native.constData(), &info) != 0)
        return state;
    state.exists = true;
    state.inode = info.st_ino;
    state.owner = info.st_uid;
    state.group = info.st_gid;
    state.mode = info.st_mode;
    state.modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    state.attributes = attributesOf(native);
    if (S_ISREG(info.st_mode)) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            state.bytes = file.readAll();
    }
    return state;
}

QString FileState::differences(const FileState &other, Compare what) const
{
    QStringList out;
    compare(out, "existence", exists, other.exists);
    compare(out, "owner", owner, other.owner);
    compare(out, "group", group, other.group);
    compare(out, "mode", QString::number(mode, 8), QString::number(other.mode, 8));
    if (attributes != other.attributes)
        out << QStringLiteral("attributes [%1] became [%2]")
                   .arg(attributes.join(u' '), other.attributes.join(u' '));
    if (what == Compare::Untouched) {
        if (bytes != other.bytes)
            out << QStringLiteral("bytes changed (%1 bytes became %2)")
                       .arg(bytes.size())
                       .arg(other.bytes.size());
        compare(out, "inode", inode, other.inode);
        compare(out, "modification time", modifiedNs, other.modifiedNs);
    }
    return out.join(QStringLiteral("; "));
}
