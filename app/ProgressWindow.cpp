#include "ProgressWindow.h"

#include "MainWindow.h"
#include "ResultsList.h"
#include "WindowDesign.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>

namespace {

QPointer<ProgressWindow> theForm2;

// How often the bar moves during a run, in milliseconds: as often as the eye follows it.
constexpr qint64 ProgressInterval = 100;

} // namespace

ProgressWindow *ProgressWindow::instance()
{
    if (!theForm2) {
        theForm2 = new ProgressWindow;
    }
    return theForm2;
}

ProgressWindow *ProgressWindow::existing()
{
    return theForm2;
}

ProgressWindow::ProgressWindow()
    : statusLine(new QLabel(QStringLiteral("Label1"), this)),
      resultsCaption(new QLabel(QStringLiteral("Files that have been changed :"), this)),
      resultsList(new ResultsList(this)), progressBar(new QProgressBar(this))
{
    setObjectName(QStringLiteral("Form2"));
    // Closing the window discards it with its contents; the accessor builds a fresh one.
    setAttribute(Qt::WA_DeleteOnClose);
    fixWindowDesign(this, 11475, 7380);

    resultsList->setObjectName(QStringLiteral("List1"));
    placeInTwips(resultsList, 600, 1560, 10335, 4350);
    resultsList->setFont(designFont(8.25));

    progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    placeInTwips(progressBar, 600, 6240, 10335, 375);
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    progressBar->setTextVisible(false);

    statusLine->setObjectName(QStringLiteral("Label1"));
    placeInTwips(statusLine, 600, 480, 8535, 375);
    statusLine->setFont(designFont(12));

    resultsCaption->setObjectName(QStringLiteral("Label2"));
    placeInTwips(resultsCaption, 600, 1200, 4215, 255);
    resultsCaption->setFont(designFont(8.25));

    // Screen readers name the list by its caption (a list's accessible name does not come from
    // a buddy label); the bar has no caption of its own.
    resultsList->setAccessibleName(resultsCaption->text());
    progressBar->setAccessibleName(QStringLiteral("Progress"));

    // Queued: the undo runs once the context menu it was chosen from has closed.
    connect(
        resultsList, &ResultsList::undoRequested, this,
        [](const QString &journal) {
            if (MainWindow *main = MainWindow::existing()) {
                main->undoRun(journal);
            }
        },
        Qt::QueuedConnection);

    // A value held back gets to the bar at the end of its interval, also when no other follows
    // (a long file after a burst of short ones).
    m_progressCatchUp.setSingleShot(true);
    connect(&m_progressCatchUp, &QTimer::timeout, this, &ProgressWindow::showProgress);

    centreOnScreen(this);
}

void ProgressWindow::setProgress(int value)
{
    m_progress = value;
    // Each value costs the bar style look-ups and an accessibility event; per file that adds
    // up over a run of many small files, and nobody sees values ten times a second anyway.
    if (value == 0 || !m_progressShown.isValid() || m_progressShown.hasExpired(ProgressInterval)) {
        showProgress();
    } else if (!m_progressCatchUp.isActive()) {
        m_progressCatchUp.start(int(ProgressInterval - m_progressShown.elapsed()));
    }
}

void ProgressWindow::showProgress()
{
    // A QProgressBar repaints its window there and then whenever its value moves it by a
    // chunk, and that repaint draws everything waiting to be drawn, the results list too. Held
    // back, it only marks itself for the next pass of the event loop, where the run's other
    // repaints are drawn with it.
    m_progressCatchUp.stop();
    progressBar->setUpdatesEnabled(false);
    progressBar->setValue(m_progress);
    progressBar->setUpdatesEnabled(true);
    m_progressShown.start();
}

void ProgressWindow::closeEvent(QCloseEvent *event)
{
    // Closed during a run, the window would leave the run going on unseen. It stays instead,
    // to show what was done and what failed, and the run stops before its next file.
    MainWindow *main = MainWindow::existing();
    if (main && main->runUnderWay()) {
        event->ignore();
        main->requestStop();
        return;
    }
    event->accept();
    // The window is deleted later, from the event loop; until then the accessor must not
    // hand it out again, or a run's later operations would go to a window on its way out.
    if (theForm2 == this) {
        theForm2 = nullptr;
    }
    // The main window may be waiting for this one to go before the program ends.
    if (main) {
        main->progressWindowClosed();
    }
}

void ProgressWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
