#include "IcoWriter.h"

#include "ColourQuantiser.h"

#include <QDataStream>
#include <QSaveFile>

namespace {
// Pixels at least this opaque are drawn in the 256-colour images, the rest masked out.
constexpr int kMaskThreshold = 128;
constexpr int kPaletteSize = 256;
constexpr int kDirectoryBytes = 6;
constexpr int kEntryBytes = 16;
constexpr int kHeaderBytes = 40;

// Rows of a device-independent bitmap are padded to whole 32-bit words.
int rowBytes(int width, int bitCount)
{
    return (width * bitCount + 31) / 32 * 4;
}
} // namespace

bool IcoWriter::write(const QString &path, const QList<QImage> &images)
{
    QList<QImage> entries;
    QList<QByteArray> bodies;
    for (const QImage &image : images) {
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        entries << argb << argb;
        bodies << indexedImage(argb) << trueColourImage(argb);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write(directory(entries, bodies));
    for (const QByteArray &body : bodies) {
        file.write(body);
    }
    return file.commit();
}

QByteArray IcoWriter::directory(const QList<QImage> &images, const QList<QByteArray> &bodies)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly | QIODevice::Append);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(1) << quint16(images.size());
    auto offset = static_cast<quint32>(kDirectoryBytes + kEntryBytes * images.size());
    for (qsizetype i = 0; i < images.size(); ++i) {
        // Even entries are the 256-colour images, odd ones the 32-bit images.
        const bool indexed = i % 2 == 0;
        out << quint8(images[i].width()) << quint8(images[i].height())
            << quint8(0) // 0 stands for 256 palette entries, and for "no palette"
            << quint8(0) << quint16(1) << quint16(indexed ? 8 : 32) << quint32(bodies[i].size())
            << offset;
        offset += static_cast<quint32>(bodies[i].size());
    }
    return bytes;
}

QByteArray IcoWriter::bitmapHeader(int size, quint16 bitCount, qsizetype pixelBytes)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly | QIODevice::Append);
    out.setByteOrder(QDataStream::LittleEndian);
    // The height counts the colour bitmap and the AND mask stacked on each other.
    out << quint32(kHeaderBytes) << qint32(size) << qint32(2 * size) << quint16(1) << bitCount
        << quint32(0) << quint32(pixelBytes) << qint32(0) << qint32(0) << quint32(0) << quint32(0);
    return bytes;
}

QByteArray IcoWriter::indexedImage(const QImage &image)
{
    const int size = image.width();
    QList<QRgb> opaque;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            if (qAlpha(image.pixel(x, y)) >= kMaskThreshold) {
                opaque.append(image.pixel(x, y));
            }
        }
    }
    // Entry 0 stays black: masked pixels point at it, which keeps the AND/XOR pair neutral.
    QList<QRgb> palette{qRgb(0, 0, 0)};
    palette.append(ColourQuantiser::palette(opaque, kPaletteSize - 1));
    const QList<QRgb> drawn = palette.mid(1);

    const int stride = rowBytes(size, 8);
    QByteArray pixels(qsizetype(stride) * size, '\0');
    for (int y = 0; y < size; ++y) {
        char *row = pixels.data() + qsizetype(stride) * (size - 1 - y); // stored bottom-up
        for (int x = 0; x < size; ++x) {
            const QRgb colour = image.pixel(x, y);
            if (qAlpha(colour) >= kMaskThreshold) {
                row[x] = static_cast<char>(1 + ColourQuantiser::nearest(drawn, colour));
            }
        }
    }
    const QByteArray mask = andMask(image);
    QByteArray bytes = bitmapHeader(size, 8, pixels.size() + mask.size());
    QDataStream out(&bytes, QIODevice::WriteOnly | QIODevice::Append);
    out.setByteOrder(QDataStream::LittleEndian);
    for (int i = 0; i < kPaletteSize; ++i) {
        const QRgb colour = i < palette.size() ? palette[i] : qRgb(0, 0, 0);
        out << quint8(qBlue(colour)) << quint8(qGreen(colour)) << quint8(qRed(colour)) << quint8(0);
    }
    return bytes + pixels + mask;
}

QByteArray IcoWriter::trueColourImage(const QImage &image)
{
    const int size = image.width();
    QByteArray pixels;
    QDataStream out(&pixels, QIODevice::WriteOnly | QIODevice::Append);
    out.setByteOrder(QDataStream::LittleEndian);
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            const QRgb colour = image.pixel(x, y); // not premultiplied, as the format wants
            out << quint8(qBlue(colour)) << quint8(qGreen(colour)) << quint8(qRed(colour))
                << quint8(qAlpha(colour));
        }
    }
    // Shells that ignore the alpha channel still honour the mask.
    const QByteArray mask = andMask(image);
    return bitmapHeader(size, 32, pixels.size() + mask.size()) + pixels + mask;
}

QByteArray IcoWriter::andMask(const QImage &image)
{
    const int size = image.width();
    const int stride = rowBytes(size, 1);
    QByteArray mask(qsizetype(stride) * size, '\0');
    for (int y = 0; y < size; ++y) {
        char *row = mask.data() + qsizetype(stride) * (size - 1 - y);
        for (int x = 0; x < size; ++x) {
            if (qAlpha(image.pixel(x, y)) < kMaskThreshold) {
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
            }
        }
    }
    return mask;
}
