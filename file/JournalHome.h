#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

/// Where the undo journals of runs live, in which order, and how many are kept. Each run that
/// changes a page has a folder of its own in location() (see JournalLayout), named after the
/// moment it made its first change, and a sequence number, which orders the runs: a clock set
/// back (by NTP, a resumed virtual machine, another system on the same disk) would put the
/// names out of order. Nothing here follows a link in the journal (see JournalFolder).
namespace JournalHome {

/// The journals of at most this many runs are kept...
constexpr int KeptRuns = 10;
/// ...and of those, older ones go while all of them together take more than this; the newest
/// run that changed something stays whatever it takes.
constexpr qint64 KeptBytes = qint64(1) << 30;

/// The user's data folder (XDG_DATA_HOME or ~/.local/share; on Windows the local application
/// data folder) + "/tagmender/journal".
QString location();

/// Whether home lies in folder (canonical paths, so that a link on the way counts) where a run
/// in folder would write it: not in a hidden folder there, which runs never enter, as
/// ~/.local/share lies in a home folder.
bool liesIn(const QString &folder, const QString &home = location());

/// A name for a new run's folder: the moment, to the millisecond, and the process id, which
/// keeps two runs started together apart. Shows when a run was made; orders nothing.
QString newRunName();

/// What a run notes in its folder as it starts (JournalLayout::runNote): the chosen folder,
/// which an undo reaches the pages from, the run's sequence number, and its texts (see KeptRun).
QByteArray runNote(const QString &root, qint64 sequence, const QString &search,
                   const QString &replacement);

/// The chosen folder a run noted (runNote()); null where the note names none.
QString rootOf(const QByteArray &note);

/// The number for a run about to make its folder: one more than any run's in home. Taken under
/// the journal's lock (JournalLayout::lock), so that no two runs get the same.
qint64 nextSequence(const QString &home);

/// Notes in a run's folder, as a run with changes ends, that it left no original it did not
/// replace and how many bytes its files take: later runs then neither look through its files
/// nor add up their sizes. A run stopped by a kill has no such note, and is looked through.
void settle(const QString &run, qint64 bytes);

/// The bytes a settled run noted, or -1 for a run that is not settled.
qint64 settledBytes(const QString &run);

/// The run folders in home that hold at least one change, oldest first: by sequence number,
/// those of earlier versions (which had none) first, by name.
QStringList runs(const QString &home = location());

/// The newest of runs(), or empty.
QString latestRun(const QString &home = location());

/// Removes the run folders that the limits (keptRuns, keptBytes: the ones above, unless a test
/// sets smaller) leave no room for beside one more run, and those without a change; a run under
/// way (its folder locked) is left alone. Of a folder, only the journal's own files go: the
/// folder stays when anything else is in it.
void prune(const QString &home, int keptRuns = KeptRuns, qint64 keptBytes = KeptBytes);

/// Lets go of the originals that a run stopped by a kill kept for pages it never replaced: a
/// hard link would leave such a page with two names, which the next run refuses to replace.
/// Runs under way are left alone. Called before a run or an undo starts.
void recover(const QString &home = location());

} // namespace JournalHome
