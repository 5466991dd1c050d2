#pragma once

#include <QDir>
#include <QString>

/// Path helpers of the folder walk. Folder paths are kept in native form (QDir::toNativeSeparators)
/// because they go into the file list unchanged and are shown to the user as they are.
namespace FolderPath {

/// The folder the user typed in its one fixed form: absolute, cleaned, native separators, no
/// trailing separator except on a root ("/", "C:\"). A bare drive such as "D:" means its root.
QString normalised(const QString &typed);

/// folder + separator + name, leaving the separator out when folder already ends in one (a
/// root), so every entry has exactly one separator before its name.
QString join(const QString &folder, const QString &name, QChar separator = QDir::separator());

} // namespace FolderPath
