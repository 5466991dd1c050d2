// The committed artwork: pictures compiled in through tagmender.qrc, the .ico, the desktop entry.

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

const QString resources = QStringLiteral(TAGMENDER_RESOURCES_DIR);

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Whether more than a third of the image's pixels pass.
bool mostly(const QImage &image, const std::function<bool(QRgb)> &test)
{
    int count = 0;
    for (int i = 0; i < image.width() * image.height(); ++i)
        count += test(image.pixel(i % image.width(), i / image.width()));
    return count * 3 > image.width() * image.height();
}

} // namespace

class TestArtwork : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void buttons();
    void icons();
    void desktopEntry();
};

// Shown at their natural size (the windows' test compares it with the controls'), each also
// twice as large for high-density screens: a plain 24-bit bitmap of an orange button on the
// window's white.
void TestArtwork::buttons()
{
    for (const QString &name : {u"browse"_s, u"start"_s, u"info"_s}) {
        for (const QString &suffix : {u".png"_s, u"@2x.png"_s}) {
            const QByteArray png = readAll(u":/images/"_s + name + suffix);
            const QImage image = QImage::fromData(png);
            if (suffix == u".png"_s)
                QCOMPARE(QImage(u":/images/%1@2x.png"_s.arg(name)).size(), image.size() * 2);
            QVERIFY2(png.startsWith("\x89PNG\r\n\x1a\n") && png.at(24) == 8 && png.at(25) == 2,
                     qPrintable(name + suffix));
            const int right = image.width() - 1, bottom = image.height() - 1;
            for (const QPoint corner : {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom)})
                QCOMPARE(QColor(image.pixel(corner)), QColor(Qt::white));
            QVERIFY(mostly(image, [](QRgb c) {
                return qRed(c) > 200 && qGreen(c) > 70 && qGreen(c) < 225 && qBlue(c) < 140;
            }));
        }
    }
}

// A red ball: the corners see-through, the body solid, red below the lettering. The .ico holds
// each of its sizes in 256 colours and in 32 bits, which another reader than Qt's must find too.
void TestArtwork::icons()
{
    QList<QImage> images;
    for (const int size : {16, 32, 48, 256}) {
        images << QImage(u":/icons/tagmender-%1.png"_s.arg(size));
        QCOMPARE(images.last().size(), QSize(size, size));
    }
    // The directory: six entries of 16 bytes, width first, bits per pixel at 6.
    const QByteArray raw = readAll(resources + u"/tagmender.ico"_s);
    QVERIFY(raw.startsWith(QByteArray("\0\0\1\0\6\0", 6)) && raw.size() > 6 + 6 * 16);
    QStringList sizes;
    for (int at = 6; at < 6 + 6 * 16; at += 16)
        sizes << u"%1 %2"_s.arg(quint8(raw[at]), 2).arg(quint8(raw[at + 6]));
    sizes.sort();
    QCOMPARE(sizes.join(u','), u"16 32,16 8,32 32,32 8,48 32,48 8"_s);
    QImageReader ico(resources + u"/tagmender.ico"_s);
    QCOMPARE(ico.imageCount(), 6);
    for (int i = 0; i < 6 && ico.jumpToImage(i); ++i)
        images << ico.read();
    QCOMPARE(images.size(), 10);
    for (const QImage &image : images) {
        const int w = image.width(), h = image.height();
        QVERIFY(qAlpha(image.pixel(0, 0)) == 0 && qAlpha(image.pixel(w - 1, h - 1)) == 0);
        QCOMPARE(qAlpha(image.pixel(w / 2, h / 2)), 255);
        const QRgb below = image.pixel(w / 2, h * 3 / 4);
        QVERIFY(qRed(below) > 2 * qGreen(below) && qRed(below) > 2 * qBlue(below));
    }
}

// Exec and Icon must match the installed program and icon names.
void TestArtwork::desktopEntry()
{
    const QStringList lines =
        QString::fromUtf8(readAll(resources + u"/tagmender.desktop"_s)).split(u'\n');
    QCOMPARE(lines.value(0), u"[Desktop Entry]"_s);
    for (const char *entry :
         {"Type=Application", "Name=Tagmender", "Exec=tagmender", "Icon=tagmender"})
        QVERIFY2(lines.contains(QLatin1String(entry)), entry);
}

QTEST_GUILESS_MAIN(TestArtwork)
#include "tst_artwork.moc"
