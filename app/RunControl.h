#pragma once

#include <QString>

/// What the progress window asks of the runs, and nothing more: it stops the run under way
/// when the user closes it, and undoes a run listed in it. The main window answers; the
/// program hands it over where it assembles the windows (Program), so that the progress
/// window never reaches the main one.
class RunControl
{
public:
    virtual ~RunControl() = default;

    /// True while a run or an undo is under way.
    virtual bool runUnderWay() const = 0;

    /// Asks the run under way to stop between two files.
    virtual void requestStop() = 0;

    /// Undoes the run whose journal is journal; nothing while a run is under way.
    virtual void undoRun(const QString &journal) = 0;
};
