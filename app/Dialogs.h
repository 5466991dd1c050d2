#pragma once

#include "MessageRequest.h"

#include <QMessageBox>
#include <QString>

class QWidget;

/// The one way the windows open a message box or the folder chooser. The program uses
/// SystemDialogs; tests install an implementation that answers at once, so no test ever
/// blocks on a modal dialog.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    /// Shows text modal to parent, titled "Tagmender", without an icon, with buttons
    /// (Ok, or Yes and No); returns the button pressed.
    static QMessageBox::StandardButton message(QWidget *parent, const QString &text,
                                               QMessageBox::StandardButtons buttons);

    /// Lets the user choose an existing folder, modal to parent, nothing preselected.
    /// Returns its path, or an empty string when the user cancelled.
    static QString chooseFolder(QWidget *parent, const QString &title);

    /// Makes dialogs answer every later request; nullptr brings back the system's dialogs.
    /// The caller keeps ownership.
    static void install(Dialogs *dialogs);

protected:
    virtual QMessageBox::StandardButton ask(QWidget *parent, const MessageRequest &request) = 0;
    virtual QString askForFolder(QWidget *parent, const QString &title) = 0;
};
