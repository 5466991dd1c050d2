#include "app/ImageButton.h"

#include "app/ImageButtonAccessible.h"

#include <QAccessible>
#include <QIcon>
#include <QImageReader>
#include <QMouseEvent>
#include <QShortcut>

ImageButton::ImageButton(const QString &imagePath, const QString &text,
                         const QKeySequence &shortcut, QWidget *parent)
    : QLabel(parent), m_shortcut(shortcut)
{
    static const bool accessible = [] {
        QAccessible::installFactory(ImageButtonAccessible::create);
        return true;
    }();
    Q_UNUSED(accessible);
    setFocusPolicy(Qt::NoFocus);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setToolTip(QStringLiteral("%1 (%2)").arg(text, shortcut.toString(QKeySequence::NativeText)));
    setAccessibleName(text);
    // A shortcut of this widget acts only while the picture is visible and enabled, so a
    // picture disabled during a run cannot be reached by the keyboard either.
    auto *key = new QShortcut(shortcut, this);
    connect(key, &QShortcut::activated, this, &ImageButton::click);
    // QIcon looks up the @2x file for the screen's pixel ratio; the plain file sets the
    // natural size, so nothing is ever stretched.
    const QSize natural = QImageReader(imagePath).size();
    if (natural.isValid()) {
        setPixmap(QIcon(imagePath).pixmap(natural, devicePixelRatioF()));
    }
}

void ImageButton::click()
{
    if (isEnabled()) {
        Q_EMIT clicked();
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
