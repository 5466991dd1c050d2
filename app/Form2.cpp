#include "Form2.h"

#include "Form1.h"
#include "ResultsList.h"
#include "WindowDesign.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>

namespace {

QPointer<Form2> theForm2;

} // namespace

Form2 *Form2::instance()
{
    if (!theForm2) {
        theForm2 = new Form2;
    }
    return theForm2;
}

Form2 *Form2::existing()
{
    return theForm2;
}

Form2::Form2()
    : Label1(new QLabel(QStringLiteral("Label1"), this)),
      Label2(new QLabel(QStringLiteral("Files that have been changed :"), this)),
      List1(new ResultsList(this)), ProgressBar1(new QProgressBar(this))
{
    setObjectName(QStringLiteral("Form2"));
    // Closing the window discards it with its contents; the accessor builds a fresh one.
    setAttribute(Qt::WA_DeleteOnClose);
    fixWindowDesign(this, 11475, 7380);

    List1->setObjectName(QStringLiteral("List1"));
    placeInTwips(List1, 600, 1560, 10335, 4350);
    List1->setFont(designFont(8.25));

    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    placeInTwips(ProgressBar1, 600, 6240, 10335, 375);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);

    Label1->setObjectName(QStringLiteral("Label1"));
    placeInTwips(Label1, 600, 480, 8535, 375);
    Label1->setFont(designFont(12));

    Label2->setObjectName(QStringLiteral("Label2"));
    placeInTwips(Label2, 600, 1200, 4215, 255);
    Label2->setFont(designFont(8.25));

    // Screen readers name the list by its caption (a list's accessible name does not come from
    // a buddy label); the bar has no caption of its own.
    List1->setAccessibleName(Label2->text());
    ProgressBar1->setAccessibleName(QStringLiteral("Progress"));

    // Queued: the undo runs once the context menu it was chosen from has closed.
    connect(
        List1, &ResultsList::undoRequested, this,
        [](const QString &journal) {
            if (Form1 *main = Form1::existing()) {
                main->undoRun(journal);
            }
        },
        Qt::QueuedConnection);

    centreOnScreen(this);
}

void Form2::closeEvent(QCloseEvent *event)
{
    // Closed during a run, the window would leave the run going on unseen. It stays instead,
    // to show what was done and what failed, and the run stops before its next file.
    Form1 *main = Form1::existing();
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

void Form2::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
