#pragma once

#include <QString>

/// What a path the user typed names, found as the system finds it in one call: every link on
/// the way followed, the last one too. Also for a path longer than the system takes in one
/// call (PATH_MAX on POSIX), which is looked up in pieces (LongPath).
enum class PathKind {
    Missing, ///< nothing, or nothing that can be looked at
    Folder,
    Other,
};

/// What path names.
PathKind KindOfPath(const QString &path);
