#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

// Writes a Windows .ico file. Each picture goes in twice: as a 256-colour image with a
// transparency (AND) mask for old shells and 16-colour-deep desktops, and as a 32-bit image
// with an alpha channel for everything since Windows XP. Qt's own ico writer cannot produce
// the palette images, so the format is written here.
class IcoWriter
{
public:
    /// Writes `images` (square ARGB, at most 255 px) to `path`; false when it cannot.
    static bool write(const QString &path, const QList<QImage> &images);

private:
    static QByteArray indexedImage(const QImage &image);
    static QByteArray trueColourImage(const QImage &image);
    static QByteArray bitmapHeader(int size, quint16 bitCount, qsizetype pixelBytes);
    static QByteArray andMask(const QImage &image);
    static QByteArray directory(const QList<QImage> &images, const QList<QByteArray> &bodies);
};
