#pragma once

#include "RewriteResult.h"

#include <QString>

/// Restrictions for a rewrite run in a child process.
struct ChildRestrictions
{
    bool asNobody = false;     ///< drop root privileges to user and group 65534 first
    qint64 fileSizeLimit = -1; ///< RLIMIT_FSIZE in bytes, or -1 for none
};

/// Runs RewriteFile on path in a forked child process under restrictions, so that privileges
/// can be dropped and limits set without affecting the test process, and returns its result.
/// When the child cannot apply the restrictions, the result is Failed with a reason that
/// starts with "child:".
RewriteResult RewriteInChild(const QString &path, const QString &search, const QString &replacement,
                             const ChildRestrictions &restrictions);
