#include "SystemDialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>

namespace {

QMessageBox *makeBox(QWidget *parent, const MessageRequest &request)
{
    auto *box = new QMessageBox(request.icon, request.title, request.text, request.buttons, parent);
    // The program's texts are plain; a path that happens to look like markup stays as it is.
    box->setTextFormat(Qt::PlainText);
    if (request.selectable) {
        box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    }
    return box;
}

} // namespace

QMessageBox::StandardButton SystemDialogs::ask(QWidget *parent, const MessageRequest &request)
{
    const std::unique_ptr<QMessageBox> box(makeBox(parent, request));
    box->setWindowModality(Qt::ApplicationModal);
    return static_cast<QMessageBox::StandardButton>(box->exec());
}

void SystemDialogs::openBox(QWidget *parent, const MessageRequest &request)
{
    // open(), not exec(): no event loop of its own, so the caller (a run that let this click
    // through) carries on at once. The box blocks only its own window, and deletes itself.
    QMessageBox *box = makeBox(parent, request);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

QString SystemDialogs::askForFolder(QWidget *parent, const QString &title)
{
    // An empty start folder: nothing is preselected, whatever the folder field holds.
    return QFileDialog::getExistingDirectory(parent, title, QString(), QFileDialog::ShowDirsOnly);
}

bool SystemDialogs::launch(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}
