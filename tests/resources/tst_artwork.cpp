// Checks the committed artwork: the button pictures and icons compiled in through
// tagmender.qrc, the Windows icon file and the Linux desktop entry.

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QSet>
#include <QTest>
#include <QtEndian>

namespace {
const QString kResources = QStringLiteral(TAGMENDER_RESOURCES_DIR);

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

quint16 le16(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 le32(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

// One image of an .ico file, as its directory entry describes it.
struct IcoEntry
{
    int size = 0;
    int bitCount = 0;
    qsizetype offset = 0;
    qsizetype bytes = 0;
};

QList<IcoEntry> icoDirectory(const QByteArray &ico)
{
    QList<IcoEntry> entries;
    if (ico.size() < 6 || le16(ico, 0) != 0 || le16(ico, 2) != 1) {
        return entries;
    }
    const int count = le16(ico, 4);
    for (int i = 0; i < count && 6 + 16 * (i + 1) <= ico.size(); ++i) {
        const qsizetype at = 6 + 16 * i;
        const int width = static_cast<quint8>(ico[at]);
        const int height = static_cast<quint8>(ico[at + 1]);
        entries.append({width == height ? width : -1, le16(ico, at + 6), le32(ico, at + 12),
                        le32(ico, at + 8)});
    }
    return entries;
}

bool isOrange(QRgb c)
{
    return qRed(c) > 200 && qGreen(c) > 70 && qGreen(c) < 225 && qBlue(c) < 140;
}
} // namespace

class TestArtwork : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void buttonPicture_data();
    void buttonPicture();
    void applicationIcon_data();
    void applicationIcon();
    void icoHoldsSixImages();
    void icoImage_data();
    void icoImage();
    void desktopEntry_data();
    void desktopEntry();
};

void TestArtwork::buttonPicture_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    const struct
    {
        const char *name;
        QSize size;
    } pictures[] = {{"browse", {116, 30}}, {"start", {125, 41}}, {"info", {41, 41}}};
    for (const auto &picture : pictures) {
        const QString base = QStringLiteral(":/images/") + QLatin1String(picture.name);
        QTest::addRow("%s", picture.name) << base + QStringLiteral(".png") << picture.size;
        QTest::addRow("%s@2x", picture.name)
            << base + QStringLiteral("@2x.png") << picture.size * 2;
    }
}

// The window shows each picture at its natural size, so the pixel size is the control's
// size; the pictures are plain 24-bit bitmaps on the window's white.
void TestArtwork::buttonPicture()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QByteArray png = readAll(path);
    QVERIFY2(png.startsWith("\x89PNG\r\n\x1a\n"),
             qPrintable(path + QStringLiteral(" is not a PNG")));
    QCOMPARE(static_cast<int>(png.at(24)), 8); // bits per channel
    QCOMPARE(static_cast<int>(png.at(25)), 2); // colour type 2: RGB, no alpha, no palette

    const QImage image = QImage::fromData(png);
    QCOMPARE(image.size(), size);
    QVERIFY(!image.hasAlphaChannel());
    const int right = size.width() - 1;
    for (const QPoint corner : {QPoint(0, 0), QPoint(right, 0), QPoint(0, size.height() - 1)}) {
        QCOMPARE(QColor(image.pixel(corner)), QColor(Qt::white));
    }
    int orange = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            orange += isOrange(image.pixel(x, y)) ? 1 : 0;
        }
    }
    QVERIFY2(orange * 3 > image.width() * image.height(), "the button is not mostly orange");
}

void TestArtwork::applicationIcon_data()
{
    QTest::addColumn<int>("size");
    for (const int size : {16, 32, 48, 256}) {
        QTest::addRow("%d", size) << size;
    }
}

void TestArtwork::applicationIcon()
{
    QFETCH(int, size);
    const QImage icon(QStringLiteral(":/icons/tagmender-%1.png").arg(size));
    QCOMPARE(icon.size(), QSize(size, size));
    QVERIFY(icon.hasAlphaChannel());
    // A ball: the corners are see-through, the body solid red.
    QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(icon.pixel(size - 1, size - 1)), 0);
    QCOMPARE(qAlpha(icon.pixel(size / 2, size / 2)), 255);
    const QRgb below = icon.pixel(size / 2, size * 3 / 4); // under the lettering
    QVERIFY(qRed(below) > 2 * qGreen(below) && qRed(below) > 2 * qBlue(below));
}

void TestArtwork::icoHoldsSixImages()
{
    const QString path = kResources + QStringLiteral("/tagmender.ico");
    const QByteArray ico = readAll(path);
    const QList<IcoEntry> entries = icoDirectory(ico);
    QCOMPARE(entries.size(), 6);
    QSet<QPair<int, int>> kinds;
    for (const IcoEntry &entry : entries) {
        kinds.insert({entry.size, entry.bitCount});
    }
    const QSet<QPair<int, int>> expected{{48, 8}, {48, 32}, {32, 8}, {32, 32}, {16, 8}, {16, 32}};
    QCOMPARE(kinds, expected);
    // Another reader must agree, or Windows may not either.
    QImageReader reader(path);
    QCOMPARE(reader.imageCount(), 6);
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

// Walks the bitmap of one icon image: a palette image must hide its corners through the
// AND mask, a 32-bit image through its alpha channel.
void TestArtwork::icoImage()
{
    QFETCH(int, size);
    QFETCH(int, bitCount);
    const QByteArray ico = readAll(kResources + QStringLiteral("/tagmender.ico"));
    const QList<IcoEntry> entries = icoDirectory(ico);
    const auto found = std::find_if(entries.begin(), entries.end(), [&](const IcoEntry &e) {
        return e.size == size && e.bitCount == bitCount;
    });
    QVERIFY(found != entries.end());
    QVERIFY(found->offset + found->bytes <= ico.size());

    const QByteArray dib = ico.mid(found->offset, found->bytes);
    QCOMPARE(le32(dib, 0), 40u);               // BITMAPINFOHEADER
    QCOMPARE(le32(dib, 4), quint32(size));     // width
    QCOMPARE(le32(dib, 8), quint32(2 * size)); // colour bitmap + mask
    QCOMPARE(le16(dib, 14), quint16(bitCount));
    const qsizetype palette = bitCount == 8 ? 256 * 4 : 0;
    const qsizetype colourRow = (size * bitCount + 31) / 32 * 4;
    const qsizetype maskRow = (size + 31) / 32 * 4;
    QCOMPARE(dib.size(), 40 + palette + (colourRow + maskRow) * size);

    // Rows are stored bottom-up; row 0 here is the bottom row of the picture.
    const qsizetype mask = 40 + palette + colourRow * size;
    auto masked = [&](int x, int row) {
        return (static_cast<quint8>(dib[mask + row * maskRow + x / 8]) & (0x80 >> (x % 8))) != 0;
    };
    QVERIFY(masked(0, 0));
    QVERIFY(masked(size - 1, size - 1));
    QVERIFY(!masked(size / 2, size / 2));
    if (bitCount == 32) {
        auto alpha = [&](int x, int row) {
            return static_cast<quint8>(dib[40 + row * colourRow + x * 4 + 3]);
        };
        QCOMPARE(alpha(0, 0), quint8(0));
        QCOMPARE(alpha(size / 2, size / 2), quint8(255));
    }
}

void TestArtwork::desktopEntry_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addRow("type") << "Type"
                          << "Application";
    QTest::addRow("name") << "Name"
                          << "Tagmender";
    // Exec and Icon must match the installed program and icon names.
    QTest::addRow("program") << "Exec"
                             << "tagmender";
    QTest::addRow("icon") << "Icon"
                          << "tagmender";
}

void TestArtwork::desktopEntry()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    const QString text =
        QString::fromUtf8(readAll(kResources + QStringLiteral("/tagmender.desktop")));
    const QStringList lines = text.split(u'\n');
    QCOMPARE(lines.value(0), QStringLiteral("[Desktop Entry]"));
    QVERIFY2(lines.contains(key + u'=' + value),
             qPrintable(key + QStringLiteral(" is not ") + value));
}

QTEST_GUILESS_MAIN(TestArtwork)
#include "tst_artwork.moc"
