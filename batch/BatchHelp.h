#pragma once

#include <QString>

/// What --help and --version print. The manual page, tagmender-batch.1, says the same at length.
namespace BatchHelp {

/// Every option, the exit statuses, and where the undo journal lives (journal).
QString help(const QString &journal);

/// The program's name and version.
QString version();

} // namespace BatchHelp
