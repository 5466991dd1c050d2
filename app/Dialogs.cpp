#include "app/Dialogs.h"

#include "app/SystemDialogs.h"

namespace {

Dialogs *installed = nullptr;

Dialogs &current()
{
    static SystemDialogs system;
    return installed ? *installed : system;
}

// Every box names the application, whatever the process's own name is (the tests').
MessageRequest request(const QString &text, QMessageBox::StandardButtons buttons, bool selectable)
{
    MessageRequest box;
    box.title = QStringLiteral("Tagmender");
    box.text = text;
    box.buttons = buttons;
    box.selectable = selectable;
    return box;
}

} // namespace

QMessageBox::StandardButton Dialogs::message(QWidget *parent, const QString &text,
                                             QMessageBox::StandardButtons buttons, bool selectable)
{
    return current().ask(parent, request(text, buttons, selectable));
}

void Dialogs::inform(QWidget *parent, const QString &text, const QString &openText,
                     const QUrl &openUrl)
{
    MessageRequest box = request(text, QMessageBox::Ok, false);
    box.openText = openText;
    box.openUrl = openUrl;
    current().openBox(parent, box);
}

QString Dialogs::chooseFolder(QWidget *parent, const QString &title, const QString &start)
{
    return current().askForFolder(parent, title, start);
}

bool Dialogs::openUrl(const QUrl &url)
{
    return current().launch(url);
}

void Dialogs::install(Dialogs *dialogs)
{
    installed = dialogs;
}
