#pragma once

#include <QAccessibleWidget>

class ImageButton;

/// What assistive technology sees of an ImageButton: a push button named by its text, with
/// the press action and its keyboard shortcut, where a plain label would be a mere picture.
class ImageButtonAccessible : public QAccessibleWidget
{
public:
    explicit ImageButtonAccessible(ImageButton *button);

    /// The factory QAccessible asks for every object; answers for ImageButtons only.
    static QAccessibleInterface *create(const QString &className, QObject *object);

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;
    QStringList keyBindingsForAction(const QString &actionName) const override;

private:
    ImageButton *button() const;
};
