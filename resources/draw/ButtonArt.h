#pragma once

#include <QImage>
#include <QSize>
#include <QString>

class QPainter;
class QPainterPath;
class QRectF;

// Paints the glossy orange picture buttons of the main window. The pictures are
// opaque (white background), because the window shows them as plain bitmaps.
class ButtonArt
{
public:
    enum class Shape { Pill, Circle };

    /// Returns the picture of a button of `size` (in 1x pixels) bearing `label`,
    /// rendered for a device pixel ratio of `scale` (1 or 2), as 24-bit RGB.
    static QImage draw(QSize size, Shape shape, const QString &label, int scale);

private:
    static QImage shadow(QSize pixelSize, const QPainterPath &shape, int scale);
    static void paintBody(QPainter &painter, const QPainterPath &shape, const QRectF &body);
    static void paintGloss(QPainter &painter, const QRectF &body, Shape shape);
    static void paintLabel(QPainter &painter, const QRectF &body, const QString &label);
    static void boxBlurAlpha(QImage &image, int radius);
};
