#include "IconArt.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

QImage IconArt::draw(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const qreal margin = size >= 48 ? size / 48.0 : 0.0;
    const QRectF ball(margin, margin, size - 2 * margin, size - 2 * margin);

    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    paintBall(painter, ball);
    paintHighlight(painter, ball);
    if (size <= 16) {
        paintPixelWord(painter, size);
    } else {
        paintWord(painter, ball, size);
    }
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

void IconArt::paintBall(QPainter &painter, const QRectF &ball)
{
    // Lit from the upper left, like the orange buttons of the main window.
    const QPointF light(ball.left() + ball.width() * 0.38, ball.top() + ball.height() * 0.32);
    QRadialGradient fill(ball.center(), ball.width() * 0.62, light);
    fill.setColorAt(0.0, QColor(255, 110, 95));
    fill.setColorAt(0.45, QColor(225, 24, 20));
    fill.setColorAt(1.0, QColor(120, 0, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawEllipse(ball);
}

void IconArt::paintHighlight(QPainter &painter, const QRectF &ball)
{
    const QRectF shine(ball.left() + ball.width() * 0.2, ball.top() + ball.height() * 0.05,
                       ball.width() * 0.6, ball.height() * 0.36);
    QLinearGradient fade(shine.topLeft(), shine.bottomLeft());
    fade.setColorAt(0.0, QColor(255, 255, 255, 170));
    fade.setColorAt(1.0, QColor(255, 255, 255, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fade);
    painter.drawEllipse(shine);
}

void IconArt::paintWord(QPainter &painter, const QRectF &ball, int size)
{
    const QString word = QStringLiteral("HTML");
    // The condensed face lets four capitals span the ball without touching its rim.
    QFont font(QStringLiteral("DejaVu Sans Condensed"));
    font.setBold(true);
    font.setHintingPreference(size <= 32 ? QFont::PreferFullHinting : QFont::PreferNoHinting);
    font.setPixelSize(100);
    const qreal naturalWidth = QFontMetricsF(font).horizontalAdvance(word);
    const qreal targetWidth = ball.width() * (size <= 16 ? 0.98 : 0.84);
    font.setPixelSize(qMax(5, qFloor(100 * targetWidth / naturalWidth)));
    painter.setFont(font);

    const QRectF box = ball.adjusted(0, ball.height() * 0.04, 0, 0);
    if (size >= 32) {
        // A dark seam under the letters keeps them apart from the bright highlight.
        painter.setPen(QColor(90, 0, 0, 160));
        painter.drawText(box.translated(0, size / 48.0), Qt::AlignCenter, word);
    }
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, word);
}

// Outline glyphs blur into a pink smear at 16 pixels, so the smallest icon spells the word
// in hand-set pixel capitals. A five-pixel M would push the word onto the rim, where it
// vanishes against a white title bar; this three-pixel M keeps one pixel of red either side.
void IconArt::paintPixelWord(QPainter &painter, int size)
{
    static const char *const rows[] = {
        "#.#.###.#.#.#.", "#.#..#..###.#.", "###..#..#.#.#.", "#.#..#..#.#.#.", "#.#..#..#.#.##",
    };
    const int width = static_cast<int>(qstrlen(rows[0]));
    const int left = (size - width) / 2;
    const int top = size / 2 - 2;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < width; ++x) {
            if (rows[y][x] == '#') {
                painter.fillRect(left + x, top + y, 1, 1, Qt::white);
            }
        }
    }
    painter.restore();
}
