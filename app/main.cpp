#include "app/MainWindow.h"
#include "app/WindowDesign.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tagmender"));
    QApplication::setApplicationVersion(QStringLiteral(TAGMENDER_VERSION));
    QApplication::setWindowIcon(applicationIcon());
    // The main window decides when the program ends: a visible progress window keeps it
    // alive after the main window closed, a hidden one does not.
    QApplication::setQuitOnLastWindowClosed(false);

    MainWindow *main = MainWindow::instance();
    QObject::connect(main, &MainWindow::programEnded, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    main->show();
    const int status = QApplication::exec();
    delete MainWindow::existing();
    // A progress window closed by the program's end is still waiting for its deletion.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}
