#pragma once

#include <QStringList>

#include <functional>

/// Runs work as an unprivileged user, where permission checks can fail: in-process for an
/// ordinary user, and in a forked child that becomes user and group 65534 when the tests run as
/// root (root reads everything whatever its mode). The child hands back what work returned.
namespace AsNobody {

/// False when no child could be started or it did not finish normally (result then says why).
bool run(const std::function<QStringList()> &work, QStringList &result);

} // namespace AsNobody
