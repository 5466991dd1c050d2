#pragma once

#include "file/Failure.h"

#include <QString>

/// How the rewrite of one file ended.
struct RewriteResult
{
    enum class Status {
        Unchanged, ///< the search text does not occur; the file was not touched
        Changed,   ///< the file was replaced by its rewritten form (in a dry run: would be)
        Failed,    ///< nothing was changed; reason says what failed (the one exception, a
                   ///< folder that could not be synced after the replacement, says so)
        Locked,    ///< nothing was changed: another program kept the page locked until the
                   ///< deadline; reason says so
    };

    Status status = Status::Unchanged;
    QString reason;          ///< for Failed: a human-readable reason that names the failing step
    qint64 replacements = 0; ///< for Changed: how many replacements the new text holds
    FailureKind kind = FailureKind::Other; ///< for Failed and Locked: what failed

    Failure failure() const { return {kind, reason}; }
};
