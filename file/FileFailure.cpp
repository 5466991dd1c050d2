#include "FileFailure.h"

QString FileFailure::notRegular()
{
    return QStringLiteral("not a regular file");
}

QString FileFailure::cannotOpen(int errorCode)
{
    return cannotOpen(qt_error_string(errorCode));
}

QString FileFailure::cannotOpen(const QString &reason)
{
    return QStringLiteral("cannot open the file: ") + reason;
}

QString FileFailure::cannotOpenFolder(const QString &folder, int errorCode)
{
    return QStringLiteral("cannot open its folder \"%1\": %2")
        .arg(folder, qt_error_string(errorCode));
}

QString FileFailure::folderReplaced(const QString &folder)
{
    return QStringLiteral("cannot open its folder \"%1\": it is no longer a folder (a link or a "
                          "file took its place), so it is not followed")
        .arg(folder);
}

QString FileFailure::notInTree()
{
    return QStringLiteral("the path does not lead to a file inside the chosen folder");
}

QString FileFailure::cannotRead(const QString &reason)
{
    return QStringLiteral("cannot read the file: ") + reason;
}

QString FileFailure::locked(int seconds)
{
    return QStringLiteral("another program kept the file locked for %1 seconds (another run of "
                          "Tagmender on the same folder, perhaps); it was left as it was")
        .arg(seconds);
}

QString FileFailure::modifiedMeanwhile()
{
    return QStringLiteral("the file was modified by another program during the run");
}
