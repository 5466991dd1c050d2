#pragma once

/// What only the benchmarks' and the tests' build of the tool (bench/bench-batch) can ask for,
/// never the installed tagmender-batch: a run that could not be undone has no place there.
struct BatchSwitches
{
    /// false: keep no undo journal, to measure what it costs (bench/journal-cost).
    bool journaled = true;
};

/// The whole tagmender-batch, for its main(): reads the command line (see BatchOptions) and
/// runs, previews, lists or undoes. Returns the exit status; a run stopped by a signal ends
/// the program by that signal instead (see StopSignals).
int RunBatchTool(int argc, char *argv[], const BatchSwitches &switches = {});
