#include "Dialogs.h"

#include "SystemDialogs.h"

namespace {

Dialogs *installed = nullptr;

Dialogs &current()
{
    static SystemDialogs system;
    return installed ? *installed : system;
}

} // namespace

QMessageBox::StandardButton Dialogs::message(QWidget *parent, const QString &text,
                                             QMessageBox::StandardButtons buttons)
{
    // Every box names the application, whatever the process's own name is (the tests').
    const MessageRequest request{QStringLiteral("Tagmender"), text, QMessageBox::NoIcon, buttons};
    return current().ask(parent, request);
}

QString Dialogs::chooseFolder(QWidget *parent, const QString &title)
{
    return current().askForFolder(parent, title);
}

void Dialogs::install(Dialogs *dialogs)
{
    installed = dialogs;
}
