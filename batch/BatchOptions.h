#pragma once

#include <QString>
#include <QStringList>

/// What the command line asks for, read the conventional way: options anywhere before "--",
/// which ends them, short ones joinable ("-sn"), a value after "--undo" or joined by "=".
/// A text or folder that begins with "-" goes after "--".
struct BatchOptions
{
    enum class Action { Run, Help, Version, ListRuns, UndoLast, Undo };

    Action action = Action::Run;
    bool subfolders = false;
    bool dryRun = false;
    bool quiet = false;
    QString run;                         ///< for Undo: a run as --list-runs names it
    QString folder, search, replacement; ///< for Run
    /// Why the command line cannot be used (exit status 2); empty when it can.
    QString refusal;

    /// arguments: without the program's name, each exactly as given (see CommandLine).
    static BatchOptions parse(const QStringList &arguments);
};
