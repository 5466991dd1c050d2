#pragma once

#include <QString>
#include <QStringList>

/// Where the undo journals of runs live, and how many are kept. Each run that changes a page
/// has a folder of its own in location(), named after the moment it made its first change, so
/// that names sort oldest first.
namespace JournalHome {

/// The journals of at most this many runs are kept...
constexpr int KeptRuns = 10;
/// ...and of those, older ones go while all of them together take more than this.
constexpr qint64 KeptBytes = qint64(1) << 30;

/// The user's data folder (XDG_DATA_HOME or ~/.local/share; on Windows the local application
/// data folder) + "/tagmender/journal". Outside every folder a run works on.
QString location();

/// A name for a new run's folder: the moment, to the millisecond, so that names sort by time,
/// and the process id, which keeps two runs started together apart.
QString newRunName();

/// Notes in a run's folder, as a run with changes ends, that it left no original it did not
/// replace and how many bytes its files take: later runs then neither look through its files
/// nor add up their sizes. A run stopped by a kill has no such note, and is looked through.
void settle(const QString &run, qint64 bytes);

/// The bytes a settled run noted, or -1 for a run that is not settled.
qint64 settledBytes(const QString &run);

/// The run folders in home that hold at least one change, oldest first.
QStringList runs(const QString &home = location());

/// The newest of runs(), or empty.
QString latestRun(const QString &home = location());

/// Removes the run folders that the limits (keptRuns, keptBytes: the ones above, unless a test
/// sets smaller) leave no room for beside one more run, and those without a change; a run under
/// way (its folder locked) is left alone.
void prune(const QString &home, int keptRuns = KeptRuns, qint64 keptBytes = KeptBytes);

/// Lets go of the originals that a run stopped by a kill kept for pages it never replaced: a
/// hard link would leave such a page with two names, which the next run refuses to replace.
/// Runs under way are left alone. Called before a run or an undo starts.
void recover(const QString &home = location());

} // namespace JournalHome
