#pragma once

#include "file/Failure.h"

#include <QtGlobal>

/// How the rewrite of one file ended.
struct RewriteResult
{
    enum class Status {
        Unchanged, ///< the search text does not occur; the file was not touched
        Changed,   ///< the file was replaced by its rewritten form (in a dry run: would be)
        Failed,    ///< nothing was changed; failure says what failed (the exceptions, a page
                   ///< replaced with something missing, say so in their kind)
        Locked,    ///< nothing was changed: another program kept the page locked until the
                   ///< deadline; failure says so
        Pending,   ///< rewritten into its complete scratch file, handed to a ReplacementGroup,
                   ///< which puts it in place (or reports it) with the group's other pages
    };

    Status status = Status::Unchanged;
    Failure failure;         ///< for Failed and Locked: what failed, naming the failing step
    qint64 replacements = 0; ///< for Changed: how many replacements the new text holds
};
