// The committed artwork: the pictures compiled in through tagmender.qrc.

#include <QImage>
#include <QTest>

using namespace Qt::StringLiterals;

class TestArtwork : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pictures();
};

// Each button picture (the windows' test compares its size with its control's) comes twice as
// large for high-density screens, and the window icon in every size the desktop asks for.
void TestArtwork::pictures()
{
    for (const QString &name : {u"browse"_s, u"start"_s, u"info"_s}) {
        const QImage image(u":/images/%1.png"_s.arg(name));
        QVERIFY2(!image.isNull(), qPrintable(name));
        QCOMPARE(QImage(u":/images/%1@2x.png"_s.arg(name)).size(), image.size() * 2);
    }
    for (const int size : {16, 32, 48, 256})
        QCOMPARE(QImage(u":/icons/tagmender-%1.png"_s.arg(size)).size(), QSize(size, size));
}

QTEST_GUILESS_MAIN(TestArtwork)
#include "TestArtwork.moc"
