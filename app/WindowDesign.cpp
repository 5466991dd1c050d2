#include "WindowDesign.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

int twips(int value)
{
    return static_cast<int>(std::lround(value / 15.0));
}

void placeInTwips(QWidget *control, int left, int top, int width, int height)
{
    control->setGeometry(twips(left), twips(top), twips(width), twips(height));
}

void fixWindowDesign(QWidget *window, int width, int height)
{
    // Nothing adjusts the controls when the window's size changes, so the frame offers no way
    // to change it. The Windows hint also gives the frame a thin, non-sizing border there.
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    window->setFixedSize(twips(width), twips(height));
    window->setWindowTitle(windowCaption());
}

void centreOnScreen(QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    // The frame is not known before the window is shown; centring the client area is close
    // enough, as the frame is thin compared to the window.
    QRect placed(QPoint(0, 0), window->size());
    placed.moveCenter(screen->availableGeometry().center());
    window->move(placed.topLeft());
}

QFont designFont(qreal pointSize)
{
    QFont font;
    // DejaVu Sans derives from Bitstream Vera, Verdana's near twin in metrics, so the labels
    // keep their designed widths where Verdana is not installed.
    font.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")});
    font.setPointSizeF(pointSize);
    font.setWeight(QFont::Bold);
    return font;
}

QString windowCaption()
{
    return QStringLiteral("Tagmender - by the Tagmender developers");
}

QIcon applicationIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 48, 256}) {
        icon.addFile(QStringLiteral(":/icons/tagmender-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}
