#pragma once

#include <QMessageBox>
#include <QString>

/// Everything a message box shows: what the seam in Dialogs hands to its implementation.
struct MessageRequest
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    bool selectable = false; ///< the text can be selected and copied (paths, reasons)
};
