#pragma once

#include <QStringList>
#include <functional>

/// Runs work where a permission check can fail: in-process for an ordinary user, and in a forked
/// child that gives up root for "nobody" when the tests run as root (as CI does), since root
/// reads any folder whatever its mode. Unix only.
class UnprivilegedRun
{
public:
    /// Runs work and stores what it returned in result. False when no child could be started or
    /// it did not finish normally; result then holds a line that says why.
    static bool run(const std::function<QStringList()> &work, QStringList &result);

private:
    static bool runInChild(const std::function<QStringList()> &work, QStringList &result);
};
