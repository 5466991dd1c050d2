#pragma once

#include "KeptRun.h"

#include <QList>
#include <QString>

/// The runs the undo journal keeps, as the tool names and lists them.
namespace RunList {

/// The kept runs, newest first.
QList<KeptRun> read();

/// How a run is named on the command line (--undo RUN): its number, or for a run of an
/// earlier version, which has none, its folder's name.
QString nameOf(const KeptRun &run);

/// The run name names: by its number or its folder's name.
std::optional<KeptRun> find(const QString &name);

/// One line of --list-runs: name, time of the first change, folder, texts, pages changed, and
/// whether it was undone.
QString line(const KeptRun &run);

} // namespace RunList
