#pragma once

#include <QMessageBox>
#include <QString>
#include <QUrl>

/// Everything a message box shows: what the seam in Dialogs hands to its implementation.
struct MessageRequest
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    bool selectable = false; ///< the text can be selected and copied (paths, reasons)
    QString openText;        ///< if not empty, a button that opens openUrl through the desktop
    QUrl openUrl;
};
