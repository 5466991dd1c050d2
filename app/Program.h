#pragma once

#include <QObject>

/// The program's two windows from start to end: it shows the main window, and decides when
/// the program ends. Closing the main window ends it, unless the progress window is on the
/// screen (after a run, with its results): then closing that one does. A hidden progress
/// window goes with the main one. The program is built where it is assembled (main.cpp).
class Program : public QObject
{
    Q_OBJECT

public:
    Program();

    /// Deletes both windows, the progress window on its way out too.
    ~Program() override;

    /// Shows the main window.
    void start();

Q_SIGNALS:
    /// Both windows are gone: the program should end now.
    void ended();

private:
    void mainWindowClosed();
    void end();
};
