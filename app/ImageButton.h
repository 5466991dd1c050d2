#pragma once

#include <QLabel>

/// A picture that acts as a button: a left click anywhere on it emits clicked(). It takes
/// no keyboard focus and is never a default button, so only the mouse reaches its action.
class ImageButton : public QLabel
{
    Q_OBJECT

public:
    /// Shows the picture at imagePath at its natural size; a high-resolution variant
    /// ("name@2x.png" beside it) is used on screens that need one. text names the button
    /// for tooltips and accessibility.
    ImageButton(const QString &imagePath, const QString &text, QWidget *parent);

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_pressed = false;
};
