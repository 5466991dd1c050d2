// The tree changes under a run (a folder swapped for a link, pages saved or locked by other
// programs), or names a page by a path longer than the system takes.

#include "tests/common/TempTree.h"
#include "tests/reliability/DamagingRun.h"

#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSet>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <sys/file.h>
#include <thread>

namespace {

enum class Writer { DeployTool, SecondRun, HeldRun, Lock };

// Three pages, p0001.htm to p0003.htm, locked by other programs: p0002.htm is let go of once
// the run, the other pages done, waits for p0001.htm; p0003.htm only should the run wait for
// it too, which it must not: the wait for p0001.htm used up the time for all three.
struct LockObserver : DamagingRun
{
    void fileStarted(qsizetype index, qsizetype, const QString &) override
    {
        if (index == 2)
            locked[1].close();
        lastTurn = index == 4;
    }
    void yield() override
    {
        if (lastTurn)
            locked[2].close();
    }
    QFile *locked = nullptr;
    bool lastTurn = false;
};

// The paths a run reported.
QSet<QString> reportedBy(const BatchOutcome &outcome)
{
    QSet<QString> paths;
    for (const QString &line : outcome.err)
        paths << line.section(QStringLiteral(": "), 0, 0);
    return paths;
}

} // namespace

class TestTreeSafety : public QObject
{
    Q_OBJECT

    TempTree m_base;
    QString m_site = m_base.path("site"), m_traceFile = m_base.path("trace");
    QString m_deep = m_site; // a folder whose path leaves less room than a long name takes
    QString m_via = m_base.path("via"); // a link to the site

    // The batch tool, stopped by strace at its first call of syscall while meanwhile runs. The
    // execve makes the trace start with the main thread, which does every rewrite.
    BatchOutcome runHeld(const QStringList &arguments, const QString &syscall,
                         const std::function<void()> &meanwhile) const
    {
        return BatchRun::held(
            m_traceFile,
            {"-e", "trace=execve," + syscall, "-e", "inject=" + syscall + ":when=1:signal=STOP"},
            arguments, meanwhile);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_base.isValid() && QFile::link(m_site, m_via));
        while (m_deep.size() < 3980)
            m_deep += u'/' + QString(std::min<qsizetype>(200, 3990 - m_deep.size() - 1), u'd');
    }

    // While the run works on site/a, site/zz is moved away and a link to a folder outside the
    // tree takes its name: the page through the link is reported, and no copy of it written.
    void folderSwappedForLink()
    {
        if (BatchRun::strace().isEmpty())
            QSKIP("strace is not installed");
        const QString zz = m_site + "/zz", away = m_base.path("away");
        const QString elsewhere = m_base.path("elsewhere");
        const QList<Page> pages{TempTree::page("a/1.htm", 1000), TempTree::page("a/2.htm", 1000),
                                TempTree::page("zz/page.htm", 1000)};
        QVERIFY(TempTree::rebuild(m_site, pages) && QDir(away).removeRecursively() &&
                TempTree::rebuild(elsewhere, {TempTree::page("page.htm", 1000)}));
        const QString original = TempTree::state(zz + "/page.htm");
        const QStringList outside = TempTree::statesBelow(elsewhere);
        bool swapped = false;
        const auto swap = [&] { swapped = QDir().rename(zz, away) && QFile::link(elsewhere, zz); };

        // The first sync is of site/a/1.htm's scratch file, long after the walk.
        const BatchOutcome outcome =
            runHeld(QStringList{"--subfolders"} + BatchRun::arguments(m_site), "fsync", swap);

        QVERIFY(swapped);
        QVERIFY2(outcome.finished && outcome.exitCode == 1 &&
                     outcome.out == QStringList({m_site + "/a/1.htm", m_site + "/a/2.htm"}) &&
                     outcome.err.size() == 1 && outcome.err[0].startsWith(zz + "/page.htm: "),
                 qPrintable(outcome.describe()));
        QCOMPARE(TempTree::statesBelow(elsewhere), outside);
        QCOMPARE(TempTree::state(away + "/page.htm"), original);
    }

    void otherWriter_data()
    {
        QTest::addColumn<Writer>("writer");
        QTest::addColumn<int>("count");
        // A page saved by rename may get the inode number of a page rewritten before (ext4 hands
        // out the lowest free one): a run that knows files by inode must not take it for that.
        QTest::addRow("a deploy tool saves pages by rename") << Writer::DeployTool << 400;
        QTest::addRow("a second run replaces cow at once") << Writer::SecondRun << 1000;
        if (!BatchRun::strace().isEmpty())
            QTest::addRow("a second run while the first waits to rename") << Writer::HeldRun << 3;
        QTest::addRow("other programs lock p0001.htm to p0003.htm") << Writer::Lock << 5;
    }

    // Every run changes or reports every page (all hold its search text, in every version); a
    // page that no run reported holds neither search text, unless a deploy tool wrote it.
    void otherWriter()
    {
        QFETCH(Writer, writer);
        QFETCH(int, count);
        QList<Page> pages;
        QStringList paths;
        for (int i = 0; i < count; ++i) {
            pages << TempTree::page(QString::asprintf("p%04d.htm", i), 40, "cat cow");
            paths << m_site + u'/' + pages.last().name;
        }
        QVERIFY(TempTree::rebuild(m_site, pages));
        const bool locking = writer == Writer::Lock;
        QFile locked[3];
        for (int i = 0; locking && i < 3; ++i) {
            locked[i].setFileName(paths[i + 1]);
            QVERIFY(locked[i].open(QIODevice::ReadOnly) &&
                    ::flock(locked[i].handle(), LOCK_EX) == 0);
        }
        const QString lockedState = TempTree::state(paths[1]);
        std::atomic<int> saves = 0;
        std::jthread deployTool;
        if (writer == Writer::DeployTool)
            deployTool = std::jthread([&](std::stop_token stop) {
                for (int i = 0; !stop.stop_requested(); ++i) {
                    const QString path = paths[QRandomGenerator::global()->bounded(count)];
                    saves +=
                        TempTree::writeFile(path + ".new",
                                            "<p>cat saved " + QByteArray::number(i) + "</p>\n") &&
                        ::rename(QFile::encodeName(path + ".new").constData(),
                                 QFile::encodeName(path).constData()) == 0;
                }
            });
        const bool twoRuns = writer == Writer::SecondRun || writer == Writer::HeldRun;
        const auto secondRun = [&] { return BatchRun().run({m_site, "cow", "pig"}); };
        BatchOutcome first, second;
        if (writer == Writer::HeldRun) {
            // Held once p0000.htm's scratch file is checked and named, before the rename.
            first = runHeld(BatchRun::arguments(m_site), "linkat", [&] { second = secondRun(); });
        } else if (locking) {
            LockObserver observer;
            observer.locked = locked;
            first = observer.run(m_site, false);
        } else {
            BatchRun run;
            run.start(BatchRun::arguments(m_site));
            if (writer == Writer::SecondRun)
                second = secondRun();
            first = run.finish();
        }
        if (deployTool.joinable()) {
            deployTool.request_stop();
            deployTool.join();
            QVERIFY2(saves > 0, "the deploy tool saved no page");
        }

        const QList<BatchOutcome> outcomes = twoRuns ? QList{first, second} : QList{first};
        QSet<QString> reported;
        QList<QSet<QString>> named; // by each run: changed or reported
        for (const BatchOutcome &outcome : outcomes) {
            QVERIFY2(outcome.finished && !outcome.crashed, qPrintable(outcome.describe()));
            reported += reportedBy(outcome);
            named << (reportedBy(outcome) +
                      QSet<QString>(outcome.out.cbegin(), outcome.out.cend()));
        }
        const QList<const char *> searched =
            twoRuns ? QList<const char *>{"cat", "cow"} : QList<const char *>{"cat"};
        QStringList missed;
        for (const QString &path : std::as_const(paths)) {
            const QByteArray bytes = TempTree::readFile(path);
            const bool done = writer == Writer::DeployTool || reported.contains(path) ||
                              std::none_of(searched.cbegin(), searched.cend(),
                                           [&](const char *text) { return bytes.contains(text); });
            if (!done || std::any_of(named.cbegin(), named.cend(),
                                     [&](const QSet<QString> &n) { return !n.contains(path); }))
                missed << path.section(u'/', -1) + " (" + bytes.simplified() + ')';
        }
        QVERIFY2(missed.isEmpty(),
                 qPrintable(QString::number(missed.size()) +
                            " pages lost or passed over: " + missed.mid(0, 5).join(", ")));
        if (!locking)
            return;
        // The locked pages were taken up after all the others, and waited for together.
        QVERIFY2(first.out == QStringList({paths[0], paths[4], paths[2]}) &&
                     first.err.size() == 2 &&
                     first.err[0].startsWith(paths[1] + ": another program kept") &&
                     first.err[1].startsWith(paths[3] + ": another program kept"),
                 qPrintable(first.describe()));
        QCOMPARE(TempTree::state(paths[1]), lockedState);
    }

    void longPath_data()
    {
        QTest::addColumn<bool>("deep"); // else a 255-byte name in the site
        QTest::addColumn<bool>("holds");
        QTest::addColumn<bool>("chosenDeep"); // the chosen folder too, named through a link
        // The scratch file's name is 7 bytes longer than the page's.
        QTest::addRow("255-byte name") << false << true << false;
        QTest::addRow("path over 4096 bytes, with the search text") << true << true << false;
        QTest::addRow("path over 4096 bytes, without it") << true << false << false;
        QTest::addRow("chosen folder over 4096 bytes") << true << true << true;
    }

    // Changed when it holds the search text, else left alone unreported; nothing else remains.
    void longPath()
    {
        QFETCH(bool, deep);
        QFETCH(bool, holds);
        QFETCH(bool, chosenDeep);
        const QString below = QString(150, u'e');
        const QString folder = chosenDeep ? m_deep + u'/' + below : deep ? m_deep : m_site;
        const QString chosen = chosenDeep ? m_via + folder.mid(m_site.size()) : m_site;
        const QString name = (deep ? QString(120, u'p') : QString(251, u'n')) + ".htm";
        const QString path = (chosenDeep ? chosen : folder) + u'/' + name;
        const Page page =
            holds ? TempTree::page(name, 3000) : TempTree::page(name, 3000, "plain", "plain");
        QVERIFY((path.size() > 4096) == deep && QFile::encodeName(name).size() <= 255 &&
                (chosen.size() > 4096) == chosenDeep);
        // The system takes no path that long: the page is reached from its folder.
        const QString home = QDir::currentPath();
        QVERIFY(TempTree::rebuild(m_site, {}) && QDir().mkpath(deep ? m_deep : m_site) &&
                QDir::setCurrent(deep ? m_deep : m_site));
        const auto back = qScopeGuard([&] {
            for (const QString &entry : TempTree::entries("."))
                QFile::remove(entry);
            if (chosenDeep && QDir::setCurrent(".."))
                QDir().rmdir(below);
            QDir::setCurrent(home);
        });
        QVERIFY(!chosenDeep || (QDir().mkdir(below) && QDir::setCurrent(below)));
        QVERIFY(TempTree::writeFile(name, page.before));

        const BatchOutcome outcome =
            BatchRun().run(QStringList{"--subfolders"} + BatchRun::arguments(chosen));
        QVERIFY2(outcome.is(0, holds ? QStringList{path} : QStringList{}, {}),
                 qPrintable(outcome.describe()));
        QVERIFY(TempTree::isDone(".", {page}));
    }
};

QTEST_GUILESS_MAIN(TestTreeSafety)
#include "TestTreeSafety.moc"
