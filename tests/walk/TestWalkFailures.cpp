#include "CollectHtmlFiles.h"
#include "FixtureTree.h"
#include "RecordingObserver.h"
#include "UnprivilegedRun.h"

#include <QDir>
#include <QFile>
#include <QTest>

#ifdef Q_OS_UNIX
#include <cerrno>
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

} // namespace

/// Folders that cannot be listed: reported, left out, and the rest of the tree still collected.
class TestWalkFailures : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void folderChangedDuringWalk_data();
    void folderChangedDuringWalk();
    void missingStartFolder_data();
    void missingStartFolder();
    void unreadableFolder_data();
    void unreadableFolder();
};

void TestWalkFailures::folderChangedDuringWalk_data()
{
    QTest::addColumn<bool>("replaceByLink");
    QTest::addRow("removed") << false;
#ifdef Q_OS_UNIX
    QTest::addRow("replaced by a link out of the tree") << true;
#endif
}

void TestWalkFailures::folderChangedDuringWalk()
{
    QFETCH(bool, replaceByLink);
    FixtureTree tree;
    QVERIFY(tree.addFiles(
        "", {"site/a/a.htm", "site/b/b.htm", "site/c/c.htm", "site/r.htm", "outside/o.htm"}));
    RecordingObserver observer;
    bool changed = false;
    // The second yield comes before the first subfolder is entered: the start folder has been
    // listed with b in it, and b has not been entered yet.
    observer.onYield = [&](int yield) {
        if (yield != 2)
            return;
        changed = QDir(tree.path("site/b")).removeRecursively() &&
                  (!replaceByLink || QFile::link(tree.path("outside"), tree.path("site/b")));
    };

    const QStringList list = collect(tree.native("site"), observer);

    QVERIFY(changed);
    QCOMPARE(list, tree.natives({"site/a/a.htm", "site/c/c.htm", "site/r.htm"}));
    QCOMPARE(observer.failedFolders, tree.natives({"site/b"}));
    QVERIFY(!observer.reasons.first().isEmpty());
}

void TestWalkFailures::missingStartFolder_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<bool>("subfolders");
    QTest::addRow("missing, with subfolders") << "nothing" << true;
    QTest::addRow("missing, own files") << "nothing" << false;
    QTest::addRow("a file, with subfolders") << "file.htm" << true;
    QTest::addRow("a file, own files") << "file.htm" << false;
}

void TestWalkFailures::missingStartFolder()
{
    QFETCH(QString, start);
    QFETCH(bool, subfolders);
    FixtureTree tree;
    QVERIFY(tree.addFile("file.htm"));
    RecordingObserver observer;
    QStringList list = {"earlier"};

    if (subfolders)
        CollectHtmlFiles("*.htm", tree.native(start), list, observer);
    else
        ListFolderFiles("*.htm", tree.native(start), list, observer);

    QCOMPARE(list, QStringList{"earlier"});
    QCOMPARE(observer.failedFolders, tree.natives({start}));
    QVERIFY(!observer.reasons.first().isEmpty());
}

void TestWalkFailures::unreadableFolder_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QStringList>("expected");
    QTest::addRow("locked subfolder") << "site" << QStringList{"site/a/a.htm", "site/z.htm"};
    QTest::addRow("locked start folder") << "site/locked" << QStringList();
}

void TestWalkFailures::unreadableFolder()
{
#ifdef Q_OS_UNIX
    QFETCH(QString, start);
    QFETCH(QStringList, expected);
    FixtureTree tree;
    QVERIFY(tree.addFiles("site", {"a/a.htm", "locked/l.htm", "locked/inner/i.htm", "z.htm"}));
    // Root of the tree open to everyone, so that only the locked folder is out of reach.
    QCOMPARE(chmod(QFile::encodeName(tree.path()).constData(), 0755), 0);
    QCOMPARE(chmod(QFile::encodeName(tree.path("site/locked")).constData(), 0), 0);
    const auto walk = [&] {
        if (access(QFile::encodeName(tree.path("site")).constData(), R_OK | X_OK) != 0)
            return QStringList{"unreachable"};
        RecordingObserver observer;
        QStringList list = collect(tree.native(start), observer);
        for (qsizetype i = 0; i < observer.failedFolders.size(); ++i)
            list.append("failed " + observer.failedFolders[i] + ": " + observer.reasons[i]);
        return list;
    };

    QStringList result;
    const bool ran = UnprivilegedRun::run(walk, result);
    chmod(QFile::encodeName(tree.path("site/locked")).constData(), 0700);

    QVERIFY2(ran, qPrintable(result.join(u'\n')));
    if (result == QStringList{"unreachable"})
        QSKIP("the temporary folder is out of reach for an unprivileged user");
    QCOMPARE(result, tree.natives(expected) << "failed " + tree.native("site/locked") + ": " +
                                                   qt_error_string(EACCES));
#else
    QSKIP("folder permissions are set through ACLs on this platform");
#endif
}

QTEST_GUILESS_MAIN(TestWalkFailures)
#include "TestWalkFailures.moc"
