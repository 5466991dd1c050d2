#pragma once

#include "file/FailureKind.h"

#include <QString>

/// A failure as FileFailure words it: its kind, for callers to decide on, and its text, for users.
/// A default one stands for none: every failure has words.
struct Failure
{
    FailureKind kind = FailureKind::None;
    QString text;

    bool isEmpty() const { return text.isEmpty(); }
};
