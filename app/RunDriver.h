#pragma once

#include "app/FailureTally.h"
#include "app/RunInput.h"
#include "run/RunObserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>

class QWidget;
class ProgressView;
class RunHost;

/// The search-and-replace runs started by the start picture of the main window: the checks,
/// the confirmation, the listing and the rewriting, shown in the progress window and in
/// message boxes, and the undo of a run. The files are the core's business (SearchReplaceRun);
/// this class carries its reports to the screen. It knows the window it was started from only
/// as a RunHost. Runs on the user-interface thread and lets window events through while it
/// works.
class RunDriver : public RunObserver
{
    Q_DECLARE_TR_FUNCTIONS(RunDriver)

public:
    explicit RunDriver(RunHost &host);

    /// Carries out the whole run; returns when it is over, refused or stopped.
    void run(const RunInput &input);

    /// Undoes the run whose journal is journal, after a confirmation, shown in the progress
    /// window like a run.
    void undo(const QString &journal);

    void folderFailed(const QString &folder, const Failure &failure) override;
    void yield() override;
    void fileStarted(qsizetype index, qsizetype count, const QString &path) override;
    void fileChanged(const QString &path, qint64 replacements) override;
    void fileFailed(const QString &path, const Failure &failure) override;
    bool stopRequested() override;

private:
    void begin();
    bool accepted(const RunInput &input);
    void runConfirmed(const RunInput &input);
    void prepare();
    void reportEmptyList(const QString &folder);
    void finish();
    void undoConfirmed(const QString &journal);
    void finishUndo(const QString &journal);
    void stop();
    void letEventsThrough();
    QWidget *onScreen() const;
    void fail(FailureTally::Kind kind, const QString &path, const QString &reason);
    QString failures() const;
    void tell(const QString &text, bool selectable = false);

    RunHost &m_host;
    ProgressView *m_view = nullptr; ///< the view installed when the run began
    QElapsedTimer m_sinceEvents;
    FailureTally m_failures;
    QString m_startFolderFailure; ///< why the chosen folder itself could not be listed
    QString m_startFolder;
    bool m_shown = false;   ///< the progress window was shown: messages go there
    bool m_undoing = false; ///< an undo, not a run
};
