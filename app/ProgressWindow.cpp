#include "app/ProgressWindow.h"

#include "app/ResultsList.h"
#include "app/RunControl.h"
#include "app/WindowAccessible.h"
#include "app/WindowDesign.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>

namespace {

QPointer<ProgressWindow> theForm2;
RunControl *theRunControl = nullptr;

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

void ProgressWindow::setRunControl(RunControl *control)
{
    theRunControl = control;
}

ProgressWindow::ProgressWindow()
    : m_statusLine(new QLabel(this)), m_resultsCaption(new QLabel(this)),
      m_resultsList(new ResultsList(ResultsList::Holds::Changes, this)),
      m_failureCaption(new QLabel(this)),
      m_failureList(new ResultsList(ResultsList::Holds::Failures, this)),
      m_progressBar(new QProgressBar(this))
{
    setObjectName(QStringLiteral("Form2"));
    WindowAccessible::install();
    // Closing the window discards it with its contents; the accessor builds a fresh one.
    setAttribute(Qt::WA_DeleteOnClose);
    fixWindowDesign(this, DesignWidth, DesignHeight, Smallest);

    m_resultsList->setObjectName(QStringLiteral("List1"));
    m_failureList->setObjectName(QStringLiteral("List2"));
    for (ResultsList *list : {m_resultsList, m_failureList})
        list->setFont(designFont(8.25));

    m_progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(false);

    // Named before it has a text, which would make screen readers look at it too early.
    m_statusLine->setObjectName(QStringLiteral("Label1"));
    m_statusLine->setText(QStringLiteral("Label1"));
    m_statusLine->setFont(designFont(12));

    m_resultsCaption->setObjectName(QStringLiteral("Label2"));
    m_failureCaption->setObjectName(QStringLiteral("Label3"));
    for (QLabel *caption : {m_resultsCaption, m_failureCaption})
        caption->setFont(designFont(8.25));
    setCaptions(tr("Files that have been changed :"), tr("Files that could not be changed :"));
    // The bar has no caption of its own.
    m_progressBar->setAccessibleName(tr("Progress"));
    clearResults();

    // Queued: the undo runs once the context menu it was chosen from has closed.
    connect(
        m_resultsList, &ResultsList::undoRequested, this,
        [](const QString &journal) {
            if (theRunControl) {
                theRunControl->undoRun(journal);
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
    m_statusLine->setText(text);
}

void ProgressWindow::showProgressBar()
{
    m_progressBar->setVisible(true);
}

void ProgressWindow::setProgressMaximum(int maximum)
{
    m_progressBar->setMaximum(maximum);
}

void ProgressWindow::addChangedFile(const QString &path, qint64 replacements)
{
    m_resultsList->addFile(path, replacements);
}

void ProgressWindow::setUndoableRun(const QString &journal)
{
    m_resultsList->setUndoableRun(journal);
}

void ProgressWindow::clearResults()
{
    m_resultsList->clear();
    m_failureList->clear();
    m_failureCaption->hide();
    m_failureList->hide();
    placeControls();
}

void ProgressWindow::addFailure(const QString &path, const QString &reason)
{
    m_failureList->addFailure(path, reason);
    if (m_failureList->isHidden()) {
        m_failureCaption->show();
        m_failureList->show();
        placeControls();
    }
}

void ProgressWindow::setCaptions(const QString &changed, const QString &failed)
{
    m_resultsCaption->setText(changed);
    m_failureCaption->setText(failed);
    // Screen readers name a list by its caption (a list's accessible name does not come from
    // a buddy label).
    m_resultsList->setAccessibleName(changed);
    m_failureList->setAccessibleName(failed);
}

void ProgressWindow::placeControls()
{
    // On a screen too small for the design the window is smaller: the lists take the loss.
    const QSize shortfall = designShortfall(this, DesignWidth, DesignHeight);
    placeInTwips(m_statusLine, 600, 480, 8535, 375, shortfall, Qt::RightEdge);
    placeInTwips(m_resultsCaption, 600, 1200, 4215, 255);
    placeInTwips(m_resultsList, 600, 1560, 10335, 4350, shortfall, Qt::RightEdge | Qt::BottomEdge);
    placeInTwips(m_progressBar, 600, 6240, 10335, 375, shortfall,
                 Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge);
    if (m_failureList->isHidden()) {
        return;
    }
    // The failures take the lower half of the lists' room, under their own caption, which
    // stands to its list as the first caption to the changed files.
    const QRect room = m_resultsList->geometry();
    const int captionToList = twips(1560 - 1200), gap = twips(240);
    const int half = (room.height() - gap - captionToList) / 2;
    m_resultsList->setGeometry(room.left(), room.top(), room.width(), half);
    m_failureCaption->setGeometry(room.left(), room.top() + half + gap, room.width(),
                                  m_resultsCaption->height());
    const int listTop = m_failureCaption->y() + captionToList;
    m_failureList->setGeometry(room.left(), listTop, room.width(), room.bottom() + 1 - listTop);
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
    m_progressBar->setUpdatesEnabled(false);
    m_progressBar->setValue(m_progress);
    m_progressBar->setUpdatesEnabled(true);
    m_progressShown.start();
}

void ProgressWindow::closeEvent(QCloseEvent *event)
{
    // Closed during a run, the window would leave the run going on unseen. It stays instead,
    // to show what was done and what failed, and the run stops before its next file.
    if (theRunControl && theRunControl->runUnderWay()) {
        event->ignore();
        theRunControl->requestStop();
        return;
    }
    event->accept();
    // The window is deleted later, from the event loop; until then the accessor must not
    // hand it out again, or a run's later operations would go to a window on its way out.
    if (theForm2 == this) {
        theForm2 = nullptr;
    }
    Q_EMIT closed();
}

void ProgressWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
