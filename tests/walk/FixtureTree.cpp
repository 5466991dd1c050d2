#include "FixtureTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

FixtureTree::FixtureTree() = default;

QString FixtureTree::path(const QString &relative) const
{
    // The canonical root, so that the walk's normalised paths compare equal even where the
    // temporary folder lies below a link (as /tmp does on some systems).
    const QString root = QFileInfo(m_dir.path()).canonicalFilePath();
    return relative.isEmpty() ? root : root + u'/' + relative;
}

QString FixtureTree::native(const QString &relative) const
{
    return QDir::toNativeSeparators(path(relative));
}

QStringList FixtureTree::natives(const QStringList &relatives) const
{
    QStringList result;
    for (const QString &relative : relatives)
        result.append(native(relative));
    return result;
}

QStringList FixtureTree::natives(const QString &folder, const QStringList &relatives) const
{
    QStringList result;
    for (const QString &relative : relatives)
        result.append(native(folder + u'/' + relative));
    return result;
}

bool FixtureTree::addFile(const QString &relative)
{
    const QString file = path(relative);
    if (!QDir().mkpath(QFileInfo(file).path()))
        return false;
    QFile out(file);
    return out.open(QIODevice::WriteOnly) && out.write("<p>x</p>\r\n") > 0;
}

bool FixtureTree::addFiles(const QString &folder, const QStringList &relatives)
{
    for (const QString &relative : relatives) {
        if (!addFile(folder.isEmpty() ? relative : folder + u'/' + relative))
            return false;
    }
    return true;
}

bool FixtureTree::addFolder(const QString &relative)
{
    return QDir().mkpath(path(relative));
}
