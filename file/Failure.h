#pragma once

#include "file/FailureKind.h"

#include <QString>

/// A failure as FileFailure words it: its kind, for callers to decide on, and its text, for users.
struct Failure
{
    FailureKind kind = FailureKind::Other;
    QString text;

    /// Until every holder of a reason keeps the whole failure, a failure passes for its text
    /// where only the text is kept.
    operator QString() const { return text; } // NOLINT(google-explicit-constructor)
};
