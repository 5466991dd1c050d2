#include "CollectHtmlFiles.h"
#include "FixtureTree.h"
#include "RecordingObserver.h"

#include <QFile>
#include <QTest>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QStringList collect(const QString &folder, RecordingObserver &observer)
{
    QStringList list;
    CollectHtmlFiles(QStringLiteral("*.htm"), folder, list, observer);
    return list;
}

#ifdef Q_OS_UNIX
// Creates an empty file under a name given as raw bytes, bypassing QString.
bool createRaw(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    return fd >= 0 && ::close(fd) == 0;
}
#endif

} // namespace

/// What a walk leaves out: names that do not match, hidden entries, links, special files.
class TestWalkSkips : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void nameMatching_data();
    void nameMatching();
    void folderWithoutMatchesIsStillWalked();
    void hiddenEntriesSkipped();
    void linksNotFollowed();
    void fifoNotListed();
    void undecodableNamesSkipped();
};

void TestWalkSkips::nameMatching_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("listed");
    QTest::addRow("lower case .htm") << "a.htm" << true;
    QTest::addRow("upper case .HTM") << "a.HTM" << true;
    QTest::addRow("mixed case .hTm") << "a.hTm" << true;
    QTest::addRow(".html") << "a.html" << true;
    QTest::addRow("mixed case .Html") << "a.Html" << true;
    QTest::addRow("spaces and several dots") << "my page.v2 final.htm" << true;
    QTest::addRow("name is only the extension") << ".htm" << false;
    QTest::addRow("hidden") << ".hidden.htm" << false;
    QTest::addRow("backup suffix") << "a.htm.bak" << false;
    QTest::addRow("editor backup") << "a.htm~" << false;
    QTest::addRow(".shtml") << "a.shtml" << false;
    QTest::addRow(".htmx") << "a.htmx" << false;
    QTest::addRow(".htmll") << "a.htmll" << false;
    QTest::addRow("no dot") << "ahtm" << false;
    QTest::addRow("picture") << "logo.gif" << false;
}

void TestWalkSkips::nameMatching()
{
    QFETCH(QString, name);
    QFETCH(bool, listed);
    FixtureTree tree;
    QVERIFY(tree.addFile("site/" + name));
    RecordingObserver observer;

    const QStringList list = collect(tree.native("site"), observer);

    QCOMPARE(list, listed ? tree.natives({"site/" + name}) : QStringList());
}

void TestWalkSkips::folderWithoutMatchesIsStillWalked()
{
    FixtureTree tree;
    QVERIFY(tree.addFiles("site", {"logo.gif", "dir.htm/deep/x.htm", "sub/y.htm"}));
    QVERIFY(tree.addFolder("site/empty"));
    RecordingObserver observer;

    const QStringList list = collect(tree.native("site"), observer);

    QCOMPARE(list, tree.natives({"site/dir.htm/deep/x.htm", "site/sub/y.htm"}));
}

void TestWalkSkips::hiddenEntriesSkipped()
{
#ifdef Q_OS_UNIX
    FixtureTree tree;
    QVERIFY(tree.addFiles("site", {".git/x.htm", ".cache/sub/y.htm", "visible/v.htm", ".h.htm"}));
    RecordingObserver observer;

    const QStringList list = collect(tree.native("site"), observer);

    QCOMPARE(list, tree.natives({"site/visible/v.htm"}));
    // Hidden folders are not even entered: only the start folder and "visible" are.
    QCOMPARE(observer.yields, 3);
#else
    QSKIP("hidden entries are marked by a leading dot only on Unix");
#endif
}

void TestWalkSkips::linksNotFollowed()
{
#ifdef Q_OS_UNIX
    FixtureTree tree;
    QVERIFY(tree.addFiles("", {"site/real.htm", "outside/o.htm", "outside/deep/d.htm"}));
    QVERIFY(QFile::link(tree.path("outside/o.htm"), tree.path("site/link.htm")));
    QVERIFY(QFile::link(tree.path("outside"), tree.path("site/out")));
    QVERIFY(QFile::link(tree.path("site"), tree.path("site/loop")));
    QVERIFY(QFile::link(tree.path("nowhere.htm"), tree.path("site/dangling.htm")));
    RecordingObserver observer;

    const QStringList list = collect(tree.native("site"), observer);

    QCOMPARE(list, tree.natives({"site/real.htm"}));
    QCOMPARE(observer.failedFolders, QStringList());
#else
    QSKIP("symbolic links need privileges on this platform");
#endif
}

void TestWalkSkips::fifoNotListed()
{
#ifdef Q_OS_UNIX
    FixtureTree tree;
    QVERIFY(tree.addFile("site/y.htm"));
    QCOMPARE(mkfifo(QFile::encodeName(tree.path("site/x.htm")).constData(), 0600), 0);
    RecordingObserver observer;

    const QStringList list = collect(tree.native("site"), observer);

    QCOMPARE(list, tree.natives({"site/y.htm"}));
#else
    QSKIP("no FIFOs in folders on this platform");
#endif
}

void TestWalkSkips::undecodableNamesSkipped()
{
#ifdef Q_OS_UNIX
    FixtureTree tree;
    QVERIFY(tree.addFile("site/good.htm"));
    // Latin-1 bytes, which are not UTF-8: such names cannot be written back as they were read.
    const QByteArray site = QFile::encodeName(tree.path("site"));
    QVERIFY(createRaw(site + "/caf\xe9.htm"));
    QCOMPARE(mkdir((site + "/d\xe9j\xe0").constData(), 0700), 0);
    QVERIFY(createRaw(site + "/d\xe9j\xe0/x.htm"));
    RecordingObserver observer;

    const QStringList list = collect(tree.native("site"), observer);

    QCOMPARE(list, tree.natives({"site/good.htm"}));
    QCOMPARE(observer.failedFolders, QStringList());
#else
    QSKIP("file names are UTF-16 on this platform");
#endif
}

QTEST_GUILESS_MAIN(TestWalkSkips)
#include "TestWalkSkips.moc"
