#include "app/ImageButtonAccessible.h"

#include "app/ImageButton.h"

ImageButtonAccessible::ImageButtonAccessible(ImageButton *button)
    : QAccessibleWidget(button, QAccessible::Button)
{
    addControllingSignal(QStringLiteral("clicked()"));
}

QAccessibleInterface *ImageButtonAccessible::create(const QString &className, QObject *object)
{
    auto *button = qobject_cast<ImageButton *>(object);
    return button && className == QLatin1String(ImageButton::staticMetaObject.className())
               ? new ImageButtonAccessible(button)
               : nullptr;
}

QStringList ImageButtonAccessible::actionNames() const
{
    return {pressAction()};
}

void ImageButtonAccessible::doAction(const QString &actionName)
{
    if (actionName == pressAction()) {
        button()->click();
    }
}

QStringList ImageButtonAccessible::keyBindingsForAction(const QString &actionName) const
{
    if (actionName != pressAction()) {
        return {};
    }
    return {button()->shortcut().toString(QKeySequence::NativeText)};
}

ImageButton *ImageButtonAccessible::button() const
{
    return static_cast<ImageButton *>(widget());
}
