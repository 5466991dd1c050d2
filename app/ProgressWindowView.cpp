#include "ProgressWindowView.h"

#include "ProgressWindow.h"

#include <QCoreApplication>

#include <limits>

namespace {

// The bar counts in int; a run of more files than that shows a bar that stops short.
int barUnits(qsizetype count)
{
    return static_cast<int>(qMin<qsizetype>(count, std::numeric_limits<int>::max()));
}

} // namespace

void ProgressWindowView::show()
{
    // Already open from an earlier run, the window may lie behind the main one, where the run
    // would go on unseen and Escape would not reach it.
    ProgressWindow *window = ProgressWindow::instance();
    window->show();
    window->raise();
    window->activateWindow();
}

void ProgressWindowView::hide()
{
    ProgressWindow::instance()->hide();
}

void ProgressWindowView::setStatus(const QString &text)
{
    // A new stage of the run: the bar tells exactly how far the last one got.
    ProgressWindow *window = ProgressWindow::instance();
    window->showProgress();
    window->setStatus(text);
}

void ProgressWindowView::showProgressBar()
{
    ProgressWindow::instance()->showProgressBar();
}

void ProgressWindowView::setProgressMaximum(qsizetype maximum)
{
    ProgressWindow::instance()->setProgressMaximum(barUnits(maximum));
}

void ProgressWindowView::setProgressValue(qsizetype value)
{
    ProgressWindow::instance()->setProgress(barUnits(value));
}

void ProgressWindowView::clearResults()
{
    ProgressWindow::instance()->clearResults();
}

void ProgressWindowView::addChangedFile(const QString &path, qint64 replacements)
{
    ProgressWindow::instance()->addChangedFile(path, replacements);
}

void ProgressWindowView::addFailure(const QString &path, const QString &reason)
{
    ProgressWindow::instance()->addFailure(path, reason);
}

void ProgressWindowView::setCaptions(const QString &changed, const QString &failed)
{
    ProgressWindow::instance()->setCaptions(changed, failed);
}

void ProgressWindowView::setUndoableRun(const QString &journal)
{
    ProgressWindow::instance()->setUndoableRun(journal);
}

void ProgressWindowView::bringToFront()
{
    ProgressWindow *window = ProgressWindow::existing();
    if (window && window->isVisible()) {
        window->showProgress();
        window->raise();
        window->activateWindow();
    }
}

void ProgressWindowView::stopped()
{
    ProgressWindow *window = ProgressWindow::existing();
    if (window && window->isVisible()) {
        window->showProgress();
        window->setStatus(QCoreApplication::translate("ProgressWindowView",
                                                      "Stopped: the main window was closed."));
    }
}
