#pragma once

#include <QString>

/// The operations a run performs on the progress window. The program uses ProgressWindowView; tests
/// install a recorder around it to follow a run step by step.
class ProgressView
{
public:
    virtual ~ProgressView() = default;

    virtual void show() = 0; ///< makes the window visible, modeless, in front and active
    virtual void hide() = 0; ///< hides it; it keeps its contents
    virtual void setStatus(const QString &text) = 0;
    virtual void showProgressBar() = 0;
    virtual void setProgressMaximum(qsizetype maximum) = 0;
    virtual void setProgressValue(qsizetype value) = 0;
    virtual void clearResults() = 0; ///< empties both lists; the failures' goes out of sight
    virtual void addChangedFile(const QString &path, qint64 replacements) = 0;

    /// Lists a file or folder that could not be changed; the list of failures comes into
    /// sight with the first.
    virtual void addFailure(const QString &path, const QString &reason) = 0;

    /// The captions of the list of files changed (or put back) and of the failures.
    virtual void setCaptions(const QString &changed, const QString &failed) = 0;

    /// The journal of the run the results list shows, which its "Undo this run" undoes;
    /// empty: there is nothing to undo.
    virtual void setUndoableRun(const QString &journal) = 0;

    /// The run is over or stopped: the window, if visible, comes in front of the others with
    /// its results. Never builds a window.
    virtual void bringToFront() = 0;

    /// The run stopped early because the main window was closed. Unlike the other
    /// operations this never builds a window: the program may be ending.
    virtual void stopped() = 0;

    /// The view runs use: the installed one, else the progress window.
    static ProgressView &current();

    /// Makes runs report to view; nullptr brings back the progress window. The caller keeps
    /// ownership.
    static void install(ProgressView *view);
};
