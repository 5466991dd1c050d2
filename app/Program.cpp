#include "app/Program.h"

#include "app/MainWindow.h"
#include "app/ProgressWindow.h"

#include <QCoreApplication>

Program::Program()
{
    // The progress window stops and undoes runs through the main window, which alone knows of
    // them; handed over here, so that neither window reaches for the other.
    ProgressWindow::setRunControl(MainWindow::instance());
    connect(MainWindow::instance(), &MainWindow::closed, this, &Program::mainWindowClosed);
}

Program::~Program()
{
    ProgressWindow::setRunControl(nullptr);
    delete MainWindow::existing();
    delete ProgressWindow::existing();
    // A progress window closed by the program's end is still waiting for its deletion.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void Program::start()
{
    MainWindow::instance()->show();
}

void Program::mainWindowClosed()
{
    // A visible progress window keeps the program alive until it closes; only this one can be
    // on the screen from now on, as nothing can start a run with the main window closed.
    ProgressWindow *progress = ProgressWindow::existing();
    if (progress && progress->isVisible()) {
        connect(progress, &ProgressWindow::closed, this, &Program::end, Qt::UniqueConnection);
        return;
    }
    end();
}

void Program::end()
{
    // A hidden progress window (after a run that found nothing) goes too.
    if (ProgressWindow *progress = ProgressWindow::existing()) {
        progress->close();
    }
    Q_EMIT ended();
}
