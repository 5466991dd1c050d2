#include "app/ProgressWindow.h"

#include "app/MainWindow.h"
#include "app/ResultsList.h"
#include "app/WindowAccessible.h"
#include "app/WindowDesign.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>

namespace {

QPointer<ProgressWindow> theForm2;

// How often the bar moves during a run, in milliseconds: as often as the eye follows it.
constexpr qint64 ProgressInterval = 100;

// The client area's design, in twips, and the least it shrinks to on a small screen, in pixels:
// room for a few entries in each list.
constexpr int DesignWidth = 11475;
constexpr int DesignHeight = 7380;
constexpr QSize Smallest(360, 330);

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
    : statusLine(new QLabel(this)), resultsCaption(new QLabel(this)),
      resultsList(new ResultsList(ResultsList::Holds::Changes, this)),
      failureCaption(new QLabel(this)),
      failureList(new ResultsList(ResultsList::Holds::Failures, this)),
      progressBar(new QProgressBar(this))
{
    setObjectName(QStringLiteral("Form2"));
    WindowAccessible::install();
    // Closing the window discards it with its contents; the accessor builds a fresh one.
    setAttribute(Qt::WA_DeleteOnClose);
    fixWindowDesign(this, DesignWidth, DesignHeight, Smallest);

    resultsList->setObjectName(QStringLiteral("List1"));
    failureList->setObjectName(QStringLiteral("List2"));
    for (ResultsList *list : {resultsList, failureList})
        list->setFont(designFont(8.25));

    progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    progressBar->setTextVisible(false);

    // Named before it has a text, which would make screen readers look at it too early.
    statusLine->setObjectName(QStringLiteral("Label1"));
    statusLine->setText(QStringLiteral("Label1"));
    statusLine->setFont(designFont(12));

    resultsCaption->setObjectName(QStringLiteral("Label2"));
    failureCaption->setObjectName(QStringLiteral("Label3"));
    for (QLabel *caption : {resultsCaption, failureCaption})
        caption->setFont(designFont(8.25));
    setCaptions(QStringLiteral("Files that have been changed :"),
                QStringLiteral("Files that could not be changed :"));
    // The bar has no caption of its own.
    progressBar->setAccessibleName(QStringLiteral("Progress"));
    clearResults();

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

void ProgressWindow::setStatus(const QString &text)
{
    // A screen reader hears the change of the status bar's name (see WindowAccessible).
    statusLine->setText(text);
}

void ProgressWindow::clearResults()
{
    resultsList->clear();
    failureList->clear();
    failureCaption->hide();
    failureList->hide();
    placeControls();
}

void ProgressWindow::addFailure(const QString &path, const QString &reason)
{
    failureList->addFailure(path, reason);
    if (failureList->isHidden()) {
        failureCaption->show();
        failureList->show();
        placeControls();
    }
}

void ProgressWindow::setCaptions(const QString &changed, const QString &failed)
{
    resultsCaption->setText(changed);
    failureCaption->setText(failed);
    // Screen readers name a list by its caption (a list's accessible name does not come from
    // a buddy label).
    resultsList->setAccessibleName(changed);
    failureList->setAccessibleName(failed);
}

void ProgressWindow::placeControls()
{
    // On a screen too small for the design the window is smaller: the lists take the loss.
    const QSize shortfall = designShortfall(this, DesignWidth, DesignHeight);
    placeInTwips(statusLine, 600, 480, 8535, 375, shortfall, Qt::RightEdge);
    placeInTwips(resultsCaption, 600, 1200, 4215, 255);
    placeInTwips(resultsList, 600, 1560, 10335, 4350, shortfall, Qt::RightEdge | Qt::BottomEdge);
    placeInTwips(progressBar, 600, 6240, 10335, 375, shortfall,
                 Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge);
    if (failureList->isHidden()) {
        return;
    }
    // The failures take the lower half of the lists' room, under their own caption, which
    // stands to its list as the first caption to the changed files.
    const QRect room = resultsList->geometry();
    const int captionToList = twips(1560 - 1200), gap = twips(240);
    const int half = (room.height() - gap - captionToList) / 2;
    resultsList->setGeometry(room.left(), room.top(), room.width(), half);
    failureCaption->setGeometry(room.left(), room.top() + half + gap, room.width(),
                                resultsCaption->height());
    const int listTop = failureCaption->y() + captionToList;
    failureList->setGeometry(room.left(), listTop, room.width(), room.bottom() + 1 - listTop);
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
