#pragma once

#include "app/MessageRequest.h"

#include <QMessageBox>
#include <QString>

class QWidget;

/// The one way the windows open a message box, the folder chooser or another program. The
/// program uses SystemDialogs; tests install an implementation that answers at once, so no
/// test ever blocks on a modal dialog or starts a program.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    /// Shows text modal to parent, titled "Tagmender", without an icon, with buttons
    /// (Ok, or Yes and No), and waits for the answer; returns the button pressed.
    static QMessageBox::StandardButton message(QWidget *parent, const QString &text,
                                               QMessageBox::StandardButtons buttons,
                                               bool selectable = false);

    /// Shows text like message() with the OK button, modal to parent's window only, and
    /// returns at once: whatever runs meanwhile (a run) goes on while the box is open. With
    /// openText, a second button of that text opens openUrl through the desktop.
    static void inform(QWidget *parent, const QString &text, const QString &openText = {},
                       const QUrl &openUrl = {});

    /// Lets the user choose an existing folder, modal to parent, starting at start (an
    /// existing folder) or, when start is empty, with nothing preselected. Returns its path,
    /// or an empty string when the user cancelled.
    static QString chooseFolder(QWidget *parent, const QString &title, const QString &start);

    /// Opens url with the desktop's default program for it; false when none could be started.
    static bool openUrl(const QUrl &url);

    /// Makes dialogs answer every later request; nullptr brings back the system's dialogs.
    /// The caller keeps ownership.
    static void install(Dialogs *dialogs);

protected:
    virtual QMessageBox::StandardButton ask(QWidget *parent, const MessageRequest &request) = 0;
    virtual void openBox(QWidget *parent, const MessageRequest &request) = 0;
    virtual QString askForFolder(QWidget *parent, const QString &title, const QString &start) = 0;
    virtual bool launch(const QUrl &url) = 0;
};
