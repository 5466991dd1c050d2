#include "WindowDesign.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <cmath>

namespace {

const QScreen *screenOf(const QWidget *window)
{
    return window->screen() ? window->screen() : QGuiApplication::primaryScreen();
}

// The frame is known once the window is on the screen; before, the style's title bar and a
// thin border stand in for it.
QMargins frameOf(const QWidget *window)
{
    const QRect frame = window->frameGeometry(), client = window->geometry();
    if (window->isVisible() && frame != client) {
        return {client.left() - frame.left(), client.top() - frame.top(),
                frame.right() - client.right(), frame.bottom() - client.bottom()};
    }
    const int border = 4;
    return {border, window->style()->pixelMetric(QStyle::PM_TitleBarHeight) + border, border,
            border};
}

} // namespace

int twips(int value)
{
    return static_cast<int>(std::lround(value / 15.0));
}

void placeInTwips(QWidget *control, int left, int top, int width, int height, QSize shortfall,
                  Qt::Edges follow)
{
    QRect placed(twips(left), twips(top), twips(width), twips(height));
    const auto by = [&](Qt::Edge edge, int amount) { return follow.testFlag(edge) ? amount : 0; };
    placed.adjust(-by(Qt::LeftEdge, shortfall.width()), -by(Qt::TopEdge, shortfall.height()),
                  -by(Qt::RightEdge, shortfall.width()), -by(Qt::BottomEdge, shortfall.height()));
    control->setGeometry(placed);
}

void fixWindowDesign(QWidget *window, int width, int height, QSize minimum)
{
    // Nothing adjusts the controls when the window's size changes, so the frame offers no way
    // to change it. The Windows hint also gives the frame a thin, non-sizing border there.
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    QSize size(twips(width), twips(height));
    if (const QScreen *screen = screenOf(window)) {
        // A large scale factor on a small screen leaves less room than the design takes; the
        // windows then shrink, their lists and fields with them, rather than reach off screen.
        const QMargins frame = frameOf(window);
        const QSize room = screen->availableGeometry().size().shrunkBy(frame);
        size = size.boundedTo(room).expandedTo(minimum);
    }
    window->setFixedSize(size);
    window->setWindowTitle(windowCaption());
}

QSize designShortfall(const QWidget *window, int width, int height)
{
    return QSize(twips(width), twips(height)) - window->size();
}

void centreOnScreen(QWidget *window)
{
    const QScreen *screen = screenOf(window);
    if (!screen) {
        return;
    }
    // move() places the frame. A window larger than the area still has its title bar, and
    // with it the close box, inside the area.
    const QRect area = screen->availableGeometry();
    QRect placed(QPoint(0, 0), window->size().grownBy(frameOf(window)));
    placed.moveCenter(area.center());
    window->move(qMax(placed.left(), area.left()), qMax(placed.top(), area.top()));
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
    return QCoreApplication::translate("WindowDesign", "Tagmender - by the Tagmender developers");
}

QIcon applicationIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 48, 256}) {
        icon.addFile(QStringLiteral(":/icons/tagmender-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}
