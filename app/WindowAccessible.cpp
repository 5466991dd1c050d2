#include "app/WindowAccessible.h"

#include "app/MainWindow.h"
#include "app/ProgressWindow.h"

#include <QAccessibleWidget>
#include <QLabel>

namespace {

// A status bar that reads as the label it is: its name is the status text.
class StatusLineAccessible : public QAccessibleWidget
{
public:
    explicit StatusLineAccessible(QLabel *label) : QAccessibleWidget(label, QAccessible::StatusBar)
    {}

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? static_cast<QLabel *>(widget())->text()
                                      : QAccessibleWidget::text(t);
    }
};

} // namespace

void WindowAccessible::install()
{
    QAccessible::installFactory(create);
}

QAccessibleInterface *WindowAccessible::create(const QString &className, QObject *object)
{
    Q_UNUSED(className);
    if (qobject_cast<MainWindow *>(object) || qobject_cast<ProgressWindow *>(object)) {
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    }
    // Asked as the window is being built: the status line is known by its name and window.
    auto *label = qobject_cast<QLabel *>(object);
    if (label && label->objectName() == QLatin1String("Label1") &&
        qobject_cast<ProgressWindow *>(label->parent())) {
        return new StatusLineAccessible(label);
    }
    return nullptr;
}
