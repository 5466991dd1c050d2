#pragma once

#include "batch/ProgressLine.h"
#include "run/RunObserver.h"

#include <QCoreApplication>

/// The tool's sink for a run, a dry run or an undo. stdout: each page changed (put back, or in
/// a dry run that would change, with its replacements), written out as soon as it is known.
/// stderr: each failure as "PATH: REASON", a progress line on a terminal, and at the end a
/// summary of the counts.
class BatchReport : public RunObserver
{
    Q_DECLARE_TR_FUNCTIONS(BatchReport)

public:
    enum class Kind { Run, DryRun, Undo };

    /// quiet: no progress line and no summary; the pages and failures are still reported.
    BatchReport(Kind kind, bool quiet);

    void fileStarted(qsizetype index, qsizetype count, const QString &path) override;
    void fileChanged(const QString &path, qint64 replacements) override;
    void fileFailed(const QString &path, const Failure &reason) override;
    void folderFailed(const QString &folder, const Failure &reason) override;
    void yield() override;
    bool stopRequested() override;

    /// Ends the report with the summary; completed: false when the run was stopped.
    void finish(bool completed);

    /// Whether any page or folder failed.
    bool anyFailed() const { return m_failed + m_otherFailures > 0; }

private:
    void failure(const QString &path, const QString &reason);
    void drawProgress();
    QString summary(bool completed) const;

    Kind m_kind;
    bool m_quiet;
    ProgressLine m_progress;
    qsizetype m_count = 0;   ///< pages in the run's list
    qsizetype m_started = 0; ///< pages taken up so far
    qint64 m_changed = 0, m_failed = 0, m_otherFailures = 0;
};
