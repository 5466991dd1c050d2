#include "scan/FolderPath.h"

QString FolderPath::normalised(const QString &typed)
{
    // An empty text must not turn into the root below: it stays empty and fails to list.
    if (typed.isEmpty())
        return typed;
    QString path = QDir::fromNativeSeparators(typed);
    // The trailing separator makes a bare drive designator ("D:") absolute, meaning the root of
    // that drive as it always did; cleanPath() takes it off again everywhere but on a root.
    if (!path.endsWith(u'/'))
        path += u'/';
    return QDir::toNativeSeparators(QDir::cleanPath(QDir::current().absoluteFilePath(path)));
}

QString FolderPath::join(const QString &folder, const QString &name, QChar separator)
{
    if (folder.endsWith(separator))
        return folder + name;
    return folder + separator + name;
}
