#pragma once

#include <QString>

class QWidget;

/// What a run asks of the window it was started from, and nothing more: the run never reaches
/// into that window's controls.
class RunHost
{
public:
    virtual ~RunHost() = default;

    /// The window messages go to while the progress window is not on the screen.
    virtual QWidget *messageParent() = 0;

    /// Enables or disables everything that starts a run or changes its input.
    virtual void setInputEnabled(bool enabled) = 0;

    /// True once the user closed the window: the run stops between two files.
    virtual bool closeRequested() const = 0;

    /// True once a stop was asked for (the progress window's close) during the current run.
    virtual bool stopRequested() const = 0;

    /// Points the window's tracked folder at text and returns the folder the run lists: its
    /// normalised path, or text itself when it names no folder (any more).
    virtual QString trackFolder(const QString &text) = 0;
};
