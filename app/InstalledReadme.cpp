#include "app/InstalledReadme.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString installedReadme()
{
    const QFileInfo readme(QDir(QCoreApplication::applicationDirPath())
                               .filePath(QStringLiteral(TAGMENDER_DOC_DIR "/README.md")));
    return readme.isFile() ? QDir::toNativeSeparators(readme.canonicalFilePath()) : QString();
}
