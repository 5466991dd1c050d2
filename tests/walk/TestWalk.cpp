#include "CollectHtmlFiles.h"
#include "FixtureTree.h"
#include "RecordingObserver.h"

#include <QDir>
#include <QTest>

namespace {

const QStringList exampleFiles = {"b.htm", "a.htm", "news/n.htm", "news/old/o.htm", "shop/s.htm"};

QStringList collect(const QString &folder, RecordingObserver &observer)
{
    QStringList list;
    CollectHtmlFiles(QStringLiteral("*.htm"), folder, list, observer);
    return list;
}

} // namespace

/// Which files a walk lists, and in which order.
class TestWalk : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exampleTree_data();
    void exampleTree();
    void appendsAfterExistingEntries();
    void ownFilesOnly_data();
    void ownFilesOnly();
    void orderWithinFolder();
    void caseTwinsOrder();
    void deepTree();
};

void TestWalk::exampleTree_data()
{
    QTest::addColumn<QString>("site");
    QTest::addColumn<QString>("typedSuffix");
    const QString sep = QDir::separator();
    QTest::addRow("as typed") << "site" << QString();
    QTest::addRow("trailing separator") << "site" << sep;
    QTest::addRow("dot segments") << "site" << sep + "news" + sep + ".." + sep + ".";
    QTest::addRow("spaces and dots") << "my site.v1.2" << QString();
}

void TestWalk::exampleTree()
{
    QFETCH(QString, site);
    QFETCH(QString, typedSuffix);
    FixtureTree tree;
    QVERIFY(tree.addFiles(site, exampleFiles));
    RecordingObserver observer;

    const QStringList list = collect(tree.native(site) + typedSuffix, observer);

    QCOMPARE(list,
             tree.natives(site, {"news/old/o.htm", "news/n.htm", "shop/s.htm", "a.htm", "b.htm"}));
    QCOMPARE(observer.failedFolders, QStringList());
    // Four folders entered, three of them subfolders.
    QCOMPARE(observer.yields, 7);
}

void TestWalk::appendsAfterExistingEntries()
{
    FixtureTree tree;
    QVERIFY(tree.addFiles("site", exampleFiles));
    RecordingObserver observer;
    QStringList list = {"earlier"};

    CollectHtmlFiles("*.htm", tree.native("site"), list, observer);

    QCOMPARE(list.size(), 6);
    QCOMPARE(list.first(), "earlier");
    QCOMPARE(list.last(), tree.native("site/b.htm"));
}

void TestWalk::ownFilesOnly_data()
{
    QTest::addColumn<QString>("typedSuffix");
    QTest::addRow("as typed") << QString();
    QTest::addRow("trailing separator") << QString(QDir::separator());
}

void TestWalk::ownFilesOnly()
{
    QFETCH(QString, typedSuffix);
    FixtureTree tree;
    QVERIFY(tree.addFiles("site", exampleFiles));
    RecordingObserver observer;
    QStringList list;

    ListFolderFiles("*.htm", tree.native("site") + typedSuffix, list, observer);

    QCOMPARE(list, tree.natives({"site/a.htm", "site/b.htm"}));
    QCOMPARE(observer.failedFolders, QStringList());
    QCOMPARE(observer.yields, 1);
}

void TestWalk::orderWithinFolder()
{
    FixtureTree tree;
    QVERIFY(
        tree.addFiles("site", {"b.htm", "Z.htm", "_x.htm", "9.htm", "10.htm", "f.htm", "eclair.htm",
                               "\u00C9clair.htm", "beta/1.htm", "Alpha/1.htm", "gamma/1.htm"}));
    RecordingObserver observer;

    const QStringList list = collect(tree.native("site"), observer);

    // Case folding by character code, not the locale's collation: É folds to é, after f.
    QCOMPARE(list, tree.natives("site", {"Alpha/1.htm", "beta/1.htm", "gamma/1.htm", "10.htm",
                                         "9.htm", "_x.htm", "b.htm", "eclair.htm", "f.htm", "Z.htm",
                                         "\u00C9clair.htm"}));
}

void TestWalk::caseTwinsOrder()
{
    FixtureTree tree;
    QVERIFY(tree.addFiles("site", {"a.htm", "B.htm", "b.htm", "A.htm", "x/1.htm", "X/1.htm"}));
    if (QDir(tree.path("site")).entryList(QDir::Files).size() != 4)
        QSKIP("names that differ only in case are one name on this file system");
    RecordingObserver observer;

    const QStringList list = collect(tree.native("site"), observer);

    QCOMPARE(list,
             tree.natives("site", {"X/1.htm", "x/1.htm", "A.htm", "a.htm", "B.htm", "b.htm"}));
}

void TestWalk::deepTree()
{
    // Deeper than any recursion budget would need, and past the old habit of fixed-size stacks.
    constexpr int depth = 40;
    FixtureTree tree;
    QString folder = "site";
    QStringList expected;
    for (int level = 0; level < depth; ++level) {
        QVERIFY(tree.addFile(folder + "/f.htm"));
        expected.prepend(folder + "/f.htm");
        folder += "/d" + QString::number(level);
    }
    QVERIFY(tree.addFolder(folder));
    RecordingObserver observer;

    const QStringList list = collect(tree.native("site"), observer);

    QCOMPARE(list, tree.natives(expected));
    QCOMPARE(observer.yields, 1 + 2 * depth);
}

QTEST_GUILESS_MAIN(TestWalk)
#include "TestWalk.moc"
