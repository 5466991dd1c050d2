#pragma once

#include "app/Dialogs.h"

/// The real dialogs: QMessageBox, the folder chooser through QFileDialog, and the desktop's
/// default programs through QDesktopServices.
class SystemDialogs : public Dialogs
{
protected:
    QMessageBox::StandardButton ask(QWidget *parent, const MessageRequest &request) override;
    void openBox(QWidget *parent, const MessageRequest &request) override;
    QString askForFolder(QWidget *parent, const QString &title, const QString &start) override;
    bool launch(const QUrl &url) override;

private:
    QMessageBox *makeBox(QWidget *parent, const MessageRequest &request);
};
