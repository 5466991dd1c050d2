#pragma once

#include "file/Failure.h"
#include "text/SearchPreScan.h"

#include <QString>

/// What the read-ahead hands over for one page, and all it hands over: true when the pre-scan
/// found that the search text cannot occur in the page as it read it. That settles the page as
/// of the moment it was read, as if the run had reached it then; every other page is read afresh
/// at its turn (see ProcessPage).
using TextAbsence = bool;

/// What PreScanFile found out about one file, ahead of its turn.
struct PreScanVerdict
{
    enum class Kind {
        CannotOccur, ///< the search text occurs in no line of the file
        MayOccur,    ///< the search text occurs; scan says in which encoding
        Failed,      ///< the file could not be pre-scanned; reason says why
    };

    Kind kind = Kind::Failed;
    SearchPreScan::Result scan; ///< for CannotOccur and MayOccur
    Failure reason;             ///< for Failed

    /// The one fact the run acts on.
    TextAbsence absence() const { return kind == Kind::CannotOccur; }
};
