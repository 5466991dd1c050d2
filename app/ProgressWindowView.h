#pragma once

#include "app/ProgressView.h"

/// Carries a run's operations to the progress window. It keeps no pointer to the window:
/// the user may close it in the middle of a run, and every operation reaches it through
/// ProgressWindow::instance(), which builds a fresh, hidden one when needed.
class ProgressWindowView : public ProgressView
{
public:
    void show() override;
    void hide() override;
    void setStatus(const QString &text) override;
    void showProgressBar() override;
    void setProgressMaximum(qsizetype maximum) override;
    void setProgressValue(qsizetype value) override;
    void clearResults() override;
    void addChangedFile(const QString &path, qint64 replacements) override;
    void addFailure(const QString &path, const QString &reason) override;
    void setCaptions(const QString &changed, const QString &failed) override;
    void setUndoableRun(const QString &journal) override;
    void bringToFront() override;
    void stopped() override;
};
