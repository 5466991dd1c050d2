#include "InputCheck.h"

#include <QDir>
#include <QFileInfo>

std::optional<QString> CheckRunInput(const QString &folder, const QString &search,
                                     const QString &replacement)
{
    // A field holding only spaces counts as filled: spaces are valid search text.
    if (folder.isEmpty() || search.isEmpty() || replacement.isEmpty())
        return QStringLiteral("Please fill out all text-fields (o;");
    // Case matters: "Home" -> "home" is a real change and must pass.
    if (replacement == search)
        return QStringLiteral("The two text-fields must not be the same.");
    // Every replacement would put a new occurrence into the line, so the line would grow
    // for ever on the first file that holds the search text.
    if (replacement.contains(search))
        return QStringLiteral("The text to replace with must not contain the text to search for.");

    const QFileInfo info(folder);
    const QString shown = QDir::toNativeSeparators(folder);
    if (!info.exists())
        return QStringLiteral("The folder \"%1\" does not exist.").arg(shown);
    if (!info.isDir())
        return QStringLiteral("\"%1\" is not a folder.").arg(shown);
    return std::nullopt;
}
