#include "ButtonArt.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <vector>

namespace {
// The shadow falls to the lower right; the body leaves room for it inside the picture.
constexpr qreal kShadowOffset = 2.0;
constexpr int kShadowBlur = 2;
constexpr qreal kMargin = 1.0;
constexpr qreal kShadowRoom = 4.0;
} // namespace

QImage ButtonArt::draw(QSize size, Shape shape, const QString &label, int scale)
{
    const QSize pixelSize = size * scale;
    QImage canvas(pixelSize, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);

    const QRectF body(kMargin, kMargin, size.width() - kMargin - kShadowRoom,
                      size.height() - kMargin - kShadowRoom);
    QPainterPath outline;
    if (shape == Shape::Circle) {
        outline.addEllipse(body);
    } else {
        const qreal radius = body.height() / 2.0;
        outline.addRoundedRect(body, radius, radius);
    }

    QPainter painter(&canvas);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
    painter.drawImage(QPointF(0, 0), shadow(pixelSize, outline, scale));
    painter.scale(scale, scale);
    paintBody(painter, outline, body);
    paintGloss(painter, body, shape);
    paintLabel(painter, body, label);
    painter.end();

    return canvas.convertToFormat(QImage::Format_RGB888);
}

// A blurred, offset copy of the outline in translucent black: blurring by hand keeps the
// program free of the widgets module, which owns QGraphicsBlurEffect.
QImage ButtonArt::shadow(QSize pixelSize, const QPainterPath &shape, int scale)
{
    QImage image(pixelSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    painter.translate(kShadowOffset * 0.75, kShadowOffset);
    painter.fillPath(shape, QColor(0, 0, 0, 150));
    painter.end();
    boxBlurAlpha(image, kShadowBlur * scale / 2 + 1);
    boxBlurAlpha(image, kShadowBlur * scale / 2);
    return image;
}

void ButtonArt::paintBody(QPainter &painter, const QPainterPath &shape, const QRectF &body)
{
    // Deepest just below the middle and lighter again at the bottom edge: the light that
    // passes through a gel button and gathers at its lower rim.
    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    fill.setColorAt(0.0, QColor(255, 170, 40));
    fill.setColorAt(0.55, QColor(240, 120, 0));
    fill.setColorAt(1.0, QColor(255, 200, 80));
    painter.fillPath(shape, fill);

    painter.setPen(QPen(QColor(185, 85, 0), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shape);
}

void ButtonArt::paintGloss(QPainter &painter, const QRectF &body, Shape shape)
{
    const qreal inset = shape == Shape::Circle ? body.width() * 0.16 : body.height() * 0.22;
    const QRectF gloss(body.left() + inset, body.top() + 1.5, body.width() - 2 * inset,
                       body.height() * 0.46);
    QPainterPath path;
    if (shape == Shape::Circle) {
        path.addEllipse(gloss);
    } else {
        const qreal radius = gloss.height() / 2.0;
        path.addRoundedRect(gloss, radius, radius);
    }
    QLinearGradient shine(gloss.topLeft(), gloss.bottomLeft());
    shine.setColorAt(0.0, QColor(255, 255, 255, 230));
    shine.setColorAt(1.0, QColor(255, 255, 255, 40));
    painter.fillPath(path, shine);
}

void ButtonArt::paintLabel(QPainter &painter, const QRectF &body, const QString &label)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setHintingPreference(QFont::PreferFullHinting);
    // The label fills about half the button's height, the "?" of the round button more.
    const qreal share = label.size() == 1 ? 0.62 : 0.48;
    font.setPixelSize(qRound(body.height() * share));
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QRectF textBox = body.translated(0, 0.5);
    painter.drawText(textBox, Qt::AlignCenter, label);
}

// Two passes of this box blur approximate a Gaussian closely enough for a shadow a few
// pixels wide.
void ButtonArt::boxBlurAlpha(QImage &image, int radius)
{
    if (radius <= 0) {
        return;
    }
    const int w = image.width();
    const int h = image.height();
    std::vector<int> alpha(static_cast<size_t>(w * h));
    for (int y = 0; y < h; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            alpha[static_cast<size_t>(y * w + x)] = qAlpha(line[x]);
        }
    }
    auto blurLine = [&](int count, auto at) {
        std::vector<int> copy(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            copy[static_cast<size_t>(i)] = at(i);
        }
        for (int i = 0; i < count; ++i) {
            int sum = 0;
            for (int k = -radius; k <= radius; ++k) {
                sum += copy[static_cast<size_t>(std::clamp(i + k, 0, count - 1))];
            }
            at(i) = sum / (2 * radius + 1);
        }
    };
    for (int y = 0; y < h; ++y) {
        blurLine(w, [&](int x) -> int & { return alpha[static_cast<size_t>(y * w + x)]; });
    }
    for (int x = 0; x < w; ++x) {
        blurLine(h, [&](int y) -> int & { return alpha[static_cast<size_t>(y * w + x)]; });
    }
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            line[x] = qRgba(0, 0, 0, alpha[static_cast<size_t>(y * w + x)]);
        }
    }
}
