#pragma once

#include <QImage>

class QPainter;
class QRectF;

// Paints the application icon: a glossy red ball bearing the word HTML in white capitals.
class IconArt
{
public:
    /// Returns the icon at `size` × `size` pixels, ARGB with a transparent surround.
    static QImage draw(int size);

private:
    static void paintBall(QPainter &painter, const QRectF &ball);
    static void paintWord(QPainter &painter, const QRectF &ball, int size);
    static void paintPixelWord(QPainter &painter, int size);
    static void paintHighlight(QPainter &painter, const QRectF &ball);
};
