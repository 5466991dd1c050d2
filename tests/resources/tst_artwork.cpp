// The committed artwork: pictures compiled in through tagmender.qrc, the .ico, the desktop entry.

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTest>

using namespace Qt::StringLiterals;

class TestArtwork : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pictures();
    void desktopEntry();
};

// Each button picture (the windows' test compares its size with its control's) comes twice as
// large for high-density screens, the window icon in every size the desktop asks for, and the
// .ico with each of its sizes in 256 colours and in 32 bits, which another reader than Qt's must
// find in its directory too: six entries of 16 bytes, width first, bits per pixel at 6.
void TestArtwork::pictures()
{
    for (const QString &name : {u"browse"_s, u"start"_s, u"info"_s}) {
        const QImage image(u":/images/%1.png"_s.arg(name));
        QVERIFY2(!image.isNull(), qPrintable(name));
        QCOMPARE(QImage(u":/images/%1@2x.png"_s.arg(name)).size(), image.size() * 2);
    }
    for (const int size : {16, 32, 48, 256})
        QCOMPARE(QImage(u":/icons/tagmender-%1.png"_s.arg(size)).size(), QSize(size, size));
    QFile file(QStringLiteral(TAGMENDER_RESOURCES_DIR "/tagmender.ico"));
    const QByteArray raw = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    QVERIFY(raw.startsWith(QByteArray("\0\0\1\0\6\0", 6)) && raw.size() > 6 + 6 * 16);
    QStringList sizes;
    for (int at = 6; at < 6 + 6 * 16; at += 16)
        sizes << u"%1 %2"_s.arg(quint8(raw[at]), 2).arg(quint8(raw[at + 6]));
    sizes.sort();
    QCOMPARE(sizes.join(u','), u"16 32,16 8,32 32,32 8,48 32,48 8"_s);
    QImageReader ico(file.fileName()); // six pictures, as the directory says, each one readable
    for (int i = 0; i < 6; ++i)
        QVERIFY(ico.jumpToImage(i) && !ico.read().isNull());
}

// Exec and Icon must match the installed program and icon names.
void TestArtwork::desktopEntry()
{
    QFile file(QStringLiteral(TAGMENDER_RESOURCES_DIR "/tagmender.desktop"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    QCOMPARE(lines.value(0), u"[Desktop Entry]"_s);
    for (auto entry : {"Type=Application", "Name=Tagmender", "Exec=tagmender", "Icon=tagmender"})
        QVERIFY2(lines.contains(QLatin1String(entry)), entry);
}

QTEST_GUILESS_MAIN(TestArtwork)
#include "tst_artwork.moc"
