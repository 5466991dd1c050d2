#pragma once

#include "Dialogs.h"

/// The real dialogs: QMessageBox and the platform's folder chooser through QFileDialog.
class SystemDialogs : public Dialogs
{
protected:
    QMessageBox::StandardButton ask(QWidget *parent, const MessageRequest &request) override;
    QString askForFolder(QWidget *parent, const QString &title) override;
};
