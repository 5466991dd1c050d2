// The committed artwork: pictures compiled in through tagmender.qrc, the .ico, the desktop entry.

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTest>
#include <QtEndian>

namespace {

const QString kResources = QStringLiteral(TAGMENDER_RESOURCES_DIR);

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

quint32 le(const QByteArray &bytes, qsizetype at, int size = 4)
{
    return size == 2 ? qFromLittleEndian<quint16>(bytes.constData() + at)
                     : qFromLittleEndian<quint32>(bytes.constData() + at);
}

} // namespace

class TestArtwork : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void picture_data();
    void picture();
    void icoImage_data();
    void icoImage();
    void desktopEntry();
};

void TestArtwork::picture_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    for (const auto &[name, size] :
         {std::pair("browse", QSize(116, 30)), std::pair("start", QSize(125, 41)),
          std::pair("info", QSize(41, 41))}) {
        const QString base = QStringLiteral(":/images/") + QLatin1String(name);
        QTest::addRow("%s", name) << base + QStringLiteral(".png") << size;
        QTest::addRow("%s@2x", name) << base + QStringLiteral("@2x.png") << size * 2;
    }
    for (const int size : {16, 32, 48, 256})
        QTest::addRow("icon %d", size)
            << QStringLiteral(":/icons/tagmender-%1.png").arg(size) << QSize(size, size);
}

// A button is shown at its natural size, so its pixel size is the control's size: a plain
// 24-bit bitmap of an orange button on the window's white. The icon is a red ball: the corners
// see-through, the body solid, red below the lettering.
void TestArtwork::picture()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QByteArray png = readAll(path);
    const QImage image = QImage::fromData(png);
    QCOMPARE(image.size(), size);
    const int right = size.width() - 1;
    const int bottom = size.height() - 1;
    if (path.startsWith(QStringLiteral(":/icons/"))) {
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(right, bottom)), 0);
        QCOMPARE(qAlpha(image.pixel(size.width() / 2, size.height() / 2)), 255);
        const QRgb below = image.pixel(size.width() / 2, size.height() * 3 / 4);
        QVERIFY(qRed(below) > 2 * qGreen(below) && qRed(below) > 2 * qBlue(below));
        return;
    }
    // PNG, 8 bits per channel, colour type 2: RGB without alpha or palette.
    QVERIFY(png.startsWith("\x89PNG\r\n\x1a\n") && png.at(24) == 8 && png.at(25) == 2);
    for (const QPoint corner : {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom)})
        QCOMPARE(QColor(image.pixel(corner)), QColor(Qt::white));
    int orange = 0;
    for (int i = 0; i < size.width() * size.height(); ++i) {
        const QRgb c = image.pixel(i % size.width(), i / size.width());
        orange += qRed(c) > 200 && qGreen(c) > 70 && qGreen(c) < 225 && qBlue(c) < 140;
    }
    QVERIFY2(orange * 3 > size.width() * size.height(), "the button is not mostly orange");
}

void TestArtwork::icoImage_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("bitCount");
    for (const int size : {48, 32, 16}) {
        QTest::addRow("%dx%d, 256 colours", size, size) << size << 8;
        QTest::addRow("%dx%d, 32-bit", size, size) << size << 32;
    }
}

// tagmender.ico holds exactly these six images. A palette image hides its corners through the
// AND mask, a 32-bit image through its alpha channel as well.
void TestArtwork::icoImage()
{
    QFETCH(int, size);
    QFETCH(int, bitCount);
    const QString path = kResources + QStringLiteral("/tagmender.ico");
    const QByteArray ico = readAll(path);
    QVERIFY(ico.size() > 6 + 6 * 16 && le(ico, 0, 2) == 0 && le(ico, 2, 2) == 1 &&
            le(ico, 4, 2) == 6);
    QCOMPARE(QImageReader(path).imageCount(), 6); // another reader must agree, or Windows may not
    QByteArray dib;
    for (qsizetype at = 6; at < 6 + 6 * 16; at += 16) { // the directory, 16 bytes an entry
        if (quint8(ico[at]) == size && quint8(ico[at + 1]) == size &&
            le(ico, at + 6, 2) == uint(bitCount))
            dib = ico.mid(le(ico, at + 12), le(ico, at + 8));
    }
    QVERIFY(!dib.isEmpty());
    QCOMPARE(le(dib, 0), 40u);               // BITMAPINFOHEADER
    QCOMPARE(le(dib, 4), quint32(size));     // width
    QCOMPARE(le(dib, 8), quint32(2 * size)); // colour bitmap + mask
    QCOMPARE(le(dib, 14, 2), quint32(bitCount));
    const qsizetype palette = bitCount == 8 ? 256 * 4 : 0;
    const qsizetype colourRow = (size * bitCount + 31) / 32 * 4;
    const qsizetype maskRow = (size + 31) / 32 * 4;
    QCOMPARE(dib.size(), 40 + palette + (colourRow + maskRow) * size);
    // Rows are stored bottom-up; row 0 here is the bottom row of the picture.
    const qsizetype mask = 40 + palette + colourRow * size;
    const auto masked = [&](int x, int row) {
        return (quint8(dib[mask + row * maskRow + x / 8]) & (0x80 >> (x % 8))) != 0;
    };
    QVERIFY(masked(0, 0) && masked(size - 1, size - 1) && !masked(size / 2, size / 2));
    if (bitCount == 32) // alpha of the same pixels
        QVERIFY(quint8(dib[40 + 3]) == 0 &&
                quint8(dib[40 + size / 2 * (colourRow + 4) + 3]) == 255);
}

// Exec and Icon must match the installed program and icon names.
void TestArtwork::desktopEntry()
{
    const QStringList lines =
        QString::fromUtf8(readAll(kResources + QStringLiteral("/tagmender.desktop"))).split(u'\n');
    QCOMPARE(lines.value(0), QStringLiteral("[Desktop Entry]"));
    for (const char *entry :
         {"Type=Application", "Name=Tagmender", "Exec=tagmender", "Icon=tagmender"})
        QVERIFY2(lines.contains(QLatin1String(entry)), entry);
}

QTEST_GUILESS_MAIN(TestArtwork)
#include "tst_artwork.moc"
