#pragma once

#include "FileStamp.h"
#include "SearchPreScan.h"

#include <QString>

#include <optional>

/// What PreScanFile found out about one file, ahead of its rewrite. Only a hint for
/// RewriteFile: it trusts a CannotOccur verdict while the file keeps the stamp it had then, and
/// checks everything again in every other case.
struct PreScanVerdict
{
    enum class Kind {
        CannotOccur, ///< the search text occurs in no line of the file
        MayOccur,    ///< the search text occurs; scan says in which encoding
        Failed,      ///< the file could not be pre-scanned; reason says why
    };

    Kind kind = Kind::Failed;
    std::optional<FileStamp> stamp; ///< the file as pre-scanned; missing when it was not found
    SearchPreScan::Result scan;     ///< for CannotOccur and MayOccur
    QString reason;                 ///< for Failed
};
