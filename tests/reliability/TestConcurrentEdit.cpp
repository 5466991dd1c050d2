// Another program changes b.htm while strace holds the tool at a call (signal=STOP, no race).

#include "BatchRun.h"
#include "TempTree.h"

#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>

namespace {

const QString traced = QStringLiteral("trace=openat,newfstatat,read,fsync");
const QString modified = QStringLiteral("the file was modified by another program during the run");

enum class Edit { Appended, TimeRestored, Renamed, Deleted, Fifo, DeviceLink };

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
                (how == Edit::Fifo ? ::mkfifo(native.constData(), 0644)
                                   : ::symlink("/dev/zero", native.constData())) == 0);
    }
}

} // namespace

class TestConcurrentEdit : public QObject
{
    Q_OBJECT

    TempTree m_base;
    QString m_root = m_base.path("site"), m_traceFile = m_base.path("trace");
    QString m_b = m_root + "/b.htm", m_c = m_root + "/c.htm";
    QList<Page> m_pages = {TempTree::page("b.htm", 3000), TempTree::page("c.htm", 3000)};
    QString m_data = m_base.path("data");  // the runs' undo journals
    int m_scratchSync = 0, m_lastLook = 0; // fsync of b.htm's scratch; last stat before its open

    bool rebuild() const
    {
        return QDir(m_data).removeRecursively() && TempTree::rebuild(m_root, m_pages);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (BatchRun::strace().isEmpty())
            QSKIP("strace is not installed");
        // The stops count the tool's calls, and what a run does with the journals of earlier
        // runs adds calls: every run, the clean one too, starts with none.
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_data));
        QVERIFY(m_base.isValid() && rebuild());
        const BatchOutcome clean = BatchRun(BatchRun::underStrace(m_traceFile, {"-e", traced}))
                                       .run(BatchRun::arguments(m_root));
        QVERIFY2(clean.is(0, {m_b, m_c}, {}), qPrintable(clean.describe()));
        const SyscallTrace trace(m_traceFile);
        m_scratchSync = trace.invocation("fsync", "^fsync\\(", 1, {"O_TMPFILE"});
        m_lastLook = trace.invocation("newfstatat", "\"b\\.htm\"", -1, {},
                                      "^openat\\(\\d+, \"b\\.htm\", O_RDONLY");
        QVERIFY(m_scratchSync > 0 && m_lastLook > 0);
    }

    void changedWhileHeld_data()
    {
        QTest::addColumn<Edit>("how");
        QTest::addColumn<QString>("reason"); // "not a regular file": held before b.htm's open
        QTest::addRow("appended") << Edit::Appended << modified;
        // Regression: size and modification time were as before, and only they were compared.
        QTest::addRow("edited, time restored") << Edit::TimeRestored << modified;
        QTest::addRow("replaced by rename") << Edit::Renamed << modified;
        QTest::addRow("deleted") << Edit::Deleted << modified;
        // Regressions: the path was checked, not the file opened: a FIFO read empty, /dev/zero
        // ever.
        QTest::addRow("FIFO after the check") << Edit::Fifo << "not a regular file";
        QTest::addRow("device link after the check") << Edit::DeviceLink << "not a regular file";
    }

    // The change survives, b.htm is reported, no scratch file stays, c.htm is done.
    void changedWhileHeld()
    {
        QFETCH(Edit, how);
        QFETCH(QString, reason);
        QVERIFY(rebuild());
        const QString stop = reason == modified ? "fsync:when=" + QString::number(m_scratchSync)
                                                : "newfstatat:when=" + QString::number(m_lastLook);
        bool changed = false;
        QString state;
        const BatchOutcome outcome =
            BatchRun::held(m_traceFile, {"-e", traced, "-e", "inject=" + stop + ":signal=STOP"},
                           BatchRun::arguments(m_root), [&] {
                               changed = change(how, m_b);
                               state = TempTree::state(m_b);
                           });
        const QString heldAt = SyscallTrace(m_traceFile).callBefore("--- SIGSTOP");
        QVERIFY2(changed && heldAt.startsWith(stop.section(u':', 0, 0) + u'('), qPrintable(heldAt));

        QVERIFY2(outcome.is(1, {m_c}, {m_b + ": " + reason}), qPrintable(outcome.describe()));
        QCOMPARE(TempTree::state(m_b), state);
        QVERIFY(TempTree::readFile(m_c) == m_pages[1].after);
        QCOMPARE(TempTree::entries(m_root),
                 (state.isEmpty() ? QStringList{"c.htm"} : QStringList{"b.htm", "c.htm"}));
    }
};

QTEST_GUILESS_MAIN(TestConcurrentEdit)
#include "TestConcurrentEdit.moc"
