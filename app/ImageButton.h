#pragma once

#include <QKeySequence>
#include <QLabel>

/// A picture that acts as a button: a left click anywhere on it, or its keyboard shortcut,
/// emits clicked(). It takes no keyboard focus and is never a default button, so Enter and
/// Escape never reach it. Screen readers see a push button with a press action.
class ImageButton : public QLabel
{
    Q_OBJECT

public:
    /// Shows the picture at imagePath at its natural size; a high-resolution variant
    /// ("name@2x.png" beside it) is used on screens that need one. text names the button
    /// for tooltips and accessibility; the tooltip also shows the shortcut.
    ImageButton(const QString &imagePath, const QString &text, const QKeySequence &shortcut,
                QWidget *parent);

    /// What a click does, for the shortcut and the accessible press action alike: emits
    /// clicked() unless the button is disabled.
    void click();

    QKeySequence shortcut() const { return m_shortcut; }

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QKeySequence m_shortcut;
    bool m_pressed = false;
};
