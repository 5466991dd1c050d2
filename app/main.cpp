#include "Program.h"
#include "WindowDesign.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tagmender"));
    QApplication::setApplicationVersion(QStringLiteral(TAGMENDER_VERSION));
    QApplication::setWindowIcon(applicationIcon());
    // The program decides when it ends: a visible progress window keeps it alive after the
    // main window closed, a hidden one does not.
    QApplication::setQuitOnLastWindowClosed(false);

    Program program;
    QObject::connect(&program, &Program::ended, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    program.start();
    return QApplication::exec();
}
