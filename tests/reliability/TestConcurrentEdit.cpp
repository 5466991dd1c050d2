// Another program changes b.htm while strace holds the tool at a call (signal=STOP, no race).

#include "tests/common/TempTree.h"
#include "tests/reliability/BatchRun.h"

#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

const QString traced = QStringLiteral("trace=openat,newfstatat,read,fsync");
const QString modified = QStringLiteral("the file was modified by another program during the run");

enum class Edit { Appended, TimeRestored, Renamed, Deleted, Folder, Fifo, DeviceLink };

bool change(Edit how, const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    QFile file(path);
    switch (how) {
    case Edit::Appended:
        return file.open(QIODevice::Append) && file.write("<p>added elsewhere</p>\r\n") > 0;
    case Edit::TimeRestored: // as cp -p or rsync --inplace write
        return TempTree::writeInPlace(path, "CAT");
    case Edit::Renamed:
        return TempTree::writeFile(path + ".new", "<p>saved by an editor</p>\r\n") &&
               ::rename(QFile::encodeName(path + ".new").constData(), native.constData()) == 0;
    default: // gone, or something else in its place
        return ::unlink(native.constData()) == 0 &&
               (how == Edit::Deleted ||
                (how == Edit::Folder ? ::mkdir(native.constData(), 0755)
                 : how == Edit::Fifo ? ::mkfifo(native.constData(), 0644)
                                     : ::symlink("/dev/zero", native.constData())) == 0);
    }
}

} // namespace

class TestConcurrentEdit : public QObject
{
    Q_OBJECT

    TempTree m_base;
    QString m_traceFile = m_base.path("trace"), m_coarse = m_base.path("coarse");
    QString m_root, m_b, m_c, m_data; // the site, its pages, the runs' undo journals
    QList<Page> m_pages = {TempTree::page("b.htm", 3000), TempTree::page("c.htm", 3000)};
    int m_scratchSync = 0, m_lastOpen = 0; // fsync of b.htm's scratch; last open before b.htm's

    bool rebuild() const
    {
        return QDir(m_data).removeRecursively() && TempTree::rebuild(m_root, m_pages);
    }

    // The site and the journals on disk, where a clean run finds the calls to stop at. The
    // stops count the tool's calls, and what a run does with the journals of earlier runs adds
    // calls: every run, the clean one too, starts with none.
    void useDisk(const QString &disk)
    {
        m_root = disk + "/site", m_b = m_root + "/b.htm", m_c = m_root + "/c.htm";
        m_data = disk + "/data";
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_data));
        QVERIFY(rebuild());
        const BatchOutcome clean = BatchRun(BatchRun::underStrace(m_traceFile, {"-e", traced}))
                                       .run(BatchRun::arguments(m_root));
        QVERIFY2(clean.is(0, {m_b, m_c}, {}), qPrintable(clean.describe()));
        const SyscallTrace trace(m_traceFile);
        m_scratchSync = trace.invocation("fsync", "^fsync\\(", 1, {"O_TMPFILE"});
        m_lastOpen =
            trace.invocation("openat", "", -1, {}, "^openat\\(\\d+, \"b\\.htm\", O_RDONLY");
        QVERIFY(m_scratchSync > 0 && m_lastOpen > 0);
    }

    // ext2 with 128-byte inodes keeps whole seconds, in an image mounted on a loop device.
    bool mountCoarse() const
    {
        const QString image = m_base.path("ext2.img");
        QFile file(image);
        const auto succeeds = [](const QString &program, const QStringList &arguments) {
            QProcess process;
            process.start(program, arguments);
            return process.waitForFinished() && process.exitCode() == 0;
        };
        return ::geteuid() == 0 && QDir().mkpath(m_coarse) && file.open(QIODevice::WriteOnly) &&
               file.resize(16 << 20) && succeeds("mkfs.ext2", {"-q", "-F", "-I", "128", image}) &&
               succeeds("mount", {"-o", "loop", image, m_coarse});
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (BatchRun::strace().isEmpty())
            QSKIP("strace is not installed");
        QVERIFY(m_base.isValid());
        useDisk(m_base.path());
    }

    void cleanupTestCase() { ::umount2(QFile::encodeName(m_coarse).constData(), MNT_DETACH); }

    void changedWhileHeld_data()
    {
        QTest::addColumn<Edit>("how");
        QTest::addColumn<QString>("reason"); // other than modified: held right before b.htm's open
        QTest::addColumn<bool>("coarse");    // on a file system that keeps whole seconds
        QTest::addRow("appended") << Edit::Appended << modified << false;
        // Regression: size and modification time were as before, and only they were compared.
        QTest::addRow("edited, time restored") << Edit::TimeRestored << modified << false;
        QTest::addRow("replaced by rename") << Edit::Renamed << modified << false;
        QTest::addRow("deleted") << Edit::Deleted << modified << false;
        QTest::addRow("deleted before the open")
            << Edit::Deleted << "cannot open the file: " + qt_error_string(ENOENT) << false;
        // Regressions: the path was checked, not the file opened: a FIFO read empty, /dev/zero
        // ever. Nothing but the listing looks before the open now: the file opened decides.
        QTest::addRow("FIFO after the check") << Edit::Fifo << "not a regular file" << false;
        QTest::addRow("folder after the check") << Edit::Folder << "not a regular file" << false;
        QTest::addRow("device link after the check")
            << Edit::DeviceLink << "not a regular file" << false;
        // Regression: within the second of the page's last change the stamp stayed as it was.
        QTest::addRow("edited, time restored, whole seconds")
            << Edit::TimeRestored << modified << true;
    }

    // The change survives, b.htm is reported, no scratch file stays, c.htm is done. With whole
    // seconds, a change that moved the change time to another second would show in the stamp:
    // the run is tried again.
    void changedWhileHeld()
    {
        QFETCH(Edit, how);
        QFETCH(QString, reason);
        QFETCH(bool, coarse);
        if (coarse && !mountCoarse())
            QSKIP("mounting an ext2 image needs root, mkfs.ext2 and a loop device");
        if (coarse)
            useDisk(m_coarse);
        if (QTest::currentTestFailed())
            return;
        const QString stop = reason == modified ? "fsync:when=" + QString::number(m_scratchSync)
                                                : "openat:when=" + QString::number(m_lastOpen);
        bool changed = false, sameSecond = false;
        QString state;
        BatchOutcome outcome;
        for (int tries = coarse ? 5 : 1; tries-- > 0 && !sameSecond;) {
            QVERIFY(rebuild());
            outcome =
                BatchRun::held(m_traceFile, {"-e", traced, "-e", "inject=" + stop + ":signal=STOP"},
                               BatchRun::arguments(m_root), [&] {
                                   const QDateTime before = QFileInfo(m_b).metadataChangeTime();
                                   changed = change(how, m_b);
                                   state = TempTree::state(m_b);
                                   sameSecond = QFileInfo(m_b).metadataChangeTime() == before;
                               });
        }
        const QString heldAt = SyscallTrace(m_traceFile).callBefore("--- SIGSTOP");
        QVERIFY2(changed && heldAt.startsWith(stop.section(u':', 0, 0) + u'('), qPrintable(heldAt));
        QVERIFY2(sameSecond || !coarse, "every change moved the stamp to another second");

        QVERIFY2(outcome.is(1, {m_c}, {m_b + ": " + reason}), qPrintable(outcome.describe()));
        QCOMPARE(TempTree::state(m_b), state);
        QVERIFY(TempTree::readFile(m_c) == m_pages[1].after);
        QCOMPARE(TempTree::entries(m_root),
                 (state.isEmpty() ? QStringList{"c.htm"} : QStringList{"b.htm", "c.htm"}));
    }
};

QTEST_GUILESS_MAIN(TestConcurrentEdit)
#include "TestConcurrentEdit.moc"
