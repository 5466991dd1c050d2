#include "SystemDialogs.h"

#include <QFileDialog>

QMessageBox::StandardButton SystemDialogs::ask(QWidget *parent, const MessageRequest &request)
{
    QMessageBox box(request.icon, request.title, request.text, request.buttons, parent);
    // The program's texts are plain; a path that happens to look like markup stays as it is.
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString SystemDialogs::askForFolder(QWidget *parent, const QString &title)
{
    // An empty start folder: nothing is preselected, whatever the folder field holds.
    return QFileDialog::getExistingDirectory(parent, title, QString(), QFileDialog::ShowDirsOnly);
}
