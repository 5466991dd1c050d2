#include "ImageButton.h"

#include <QIcon>
#include <QImageReader>
#include <QMouseEvent>

ImageButton::ImageButton(const QString &imagePath, const QString &text, QWidget *parent)
    : QLabel(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setToolTip(text);
    setAccessibleName(text);
    // QIcon looks up the @2x file for the screen's pixel ratio; the plain file sets the
    // natural size, so nothing is ever stretched.
    const QSize natural = QImageReader(imagePath).size();
    if (natural.isValid()) {
        setPixmap(QIcon(imagePath).pixmap(natural, devicePixelRatioF()));
    }
}

void ImageButton::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void ImageButton::mouseReleaseEvent(QMouseEvent *event)
{
    // Like a push button: the click counts when the button is let go over the picture.
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click) {
        Q_EMIT clicked();
    }
}
