#pragma once

/// The signals that stop a run from outside: SIGINT (Ctrl+C), SIGTERM and SIGHUP; on Windows
/// Ctrl+C and Ctrl+Break. The first stops the run, or the undo, after the page it is working
/// on, as closing the progress window does. A second ends the program at once; the named
/// scratch files of the page under way and of the pages waiting with it go too (POSIX:
/// ScratchFile::removeUnfinished()), and those pages stay as they were.
namespace StopSignals {

/// Takes the signals over; called on the thread that runs the run. A signal ignored from the
/// start (nohup) stays ignored.
void catchThem();

/// Whether a first signal came; asked between two pages.
bool received();

/// The status to end with: status when no signal came. Else the program ends as the signal
/// would have ended it. POSIX: by the signal itself, once the run is over and its objects gone,
/// so a shell reports 128 plus the signal's number and a script that ran the tool stops too.
/// Windows: returns 130, as for Ctrl+C.
int exitStatus(int status);

} // namespace StopSignals
