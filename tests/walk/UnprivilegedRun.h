#pragma once

#include <QStringList>
#include <functional>

namespace UnprivilegedRun {

/// Runs work and stores the lines it returned in result. As root, who reads any folder whatever
/// its mode, work runs in a forked child that has become "nobody" (uid 65534) so that permission
/// checks apply; false, with a line saying why, when that child fails. Otherwise a plain call.
bool run(const std::function<QStringList()> &work, QStringList &result);

} // namespace UnprivilegedRun
