// Another program changes a file while the batch tool works on it. strace holds the tool at a
// chosen system call (signal=STOP); while it stands still the test changes the file, then lets it
// go on (SIGCONT): no sleeps and no races. The other program's change must survive and the file
// must be reported; no scratch file may be left, and the run goes on with the next file.

#include "BatchRun.h"
#include "FileState.h"
#include "SyscallTrace.h"
#include "TreeFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray search = "cat";
const QByteArray replacement = "dog";
const QString traced = QStringLiteral("trace=openat,newfstatat,read,fsync");
const QString bOpened = QStringLiteral("^openat\\(AT_FDCWD, \"[^\"]*/b\\.htm\", O_RDONLY");

enum class Edit { Appended, SameSizeTimeRestored, ReplacedByRename, Deleted };
enum class Swap { Fifo, DeviceLink };

// Opens path for writing without truncating it and writes bytes at its start.
bool overwriteStart(const QString &path, const QByteArray &bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
    const bool written =
        fd >= 0 && ::pwrite(fd, bytes.constData(), size_t(bytes.size()), 0) == bytes.size();
    return ::close(fd) == 0 && written;
}

// What another program does to path; returns the bytes path must hold afterwards (null when it
// must be gone).
QByteArray edit(Edit how, const QString &path, bool &done)
{
    const QByteArray before = TreeFiles::read(path);
    QByteArray after = before;
    switch (how) {
    case Edit::Appended: {
        after += "<p>added by another program</p>\r\n";
        QFile file(path);
        done = file.open(QIODevice::Append) && file.write(after.mid(before.size())) > 0;
        break;
    }
    case Edit::SameSizeTimeRestored: {
        // As a restore that writes in place and keeps the times (cp -p, rsync --inplace) does.
        struct stat status = {};
        after.replace(0, 3, "CAT");
        done = ::stat(QFile::encodeName(path).constData(), &status) == 0 &&
               overwriteStart(path, after.left(3));
        const timespec times[2] = {status.st_atim, status.st_mtim};
        done = done && ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
        break;
    }
    case Edit::ReplacedByRename:
        after = "<p>a new version, saved by an editor</p>\r\n";
        done = TreeFiles::write(path + QStringLiteral(".new"), after) &&
               ::rename(QFile::encodeName(path + QStringLiteral(".new")).constData(),
                        QFile::encodeName(path).constData()) == 0;
        break;
    case Edit::Deleted:
        after = QByteArray();
        done = QFile::remove(path);
        break;
    }
    return after;
}

bool swap(Swap how, const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    if (::unlink(native.constData()) != 0)
        return false;
    return how == Swap::Fifo ? ::mkfifo(native.constData(), 0644) == 0
                             : ::symlink("/dev/zero", native.constData()) == 0;
}

} // namespace

class TestConcurrentEdit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void editedWhileHeld_data();
    void editedWhileHeld();
    void swappedBetweenCheckAndOpen_data();
    void swappedBetweenCheckAndOpen();

private:
    void runHeld(const QString &stopAt, const std::function<void()> &change, BatchOutcome &outcome);
    void checkRestOfRun(const BatchOutcome &outcome, const QString &reason);
    QString path(const QString &name) const { return m_root + u'/' + name; }

    QTemporaryDir m_base;
    QString m_root;
    QString m_traceFile;
    QList<Page> m_pages;
    int m_scratchSync = 0; // the main thread's fsync of b.htm's scratch file
    int m_lastLook = 0;    // its last stat of b.htm before it opens b.htm
};

void TestConcurrentEdit::initTestCase()
{
    if (BatchRun::strace().isEmpty())
        QSKIP("strace is not installed");
    QVERIFY(m_base.isValid());
    m_root = m_base.filePath(QStringLiteral("site"));
    m_traceFile = m_base.filePath(QStringLiteral("trace"));
    m_pages = {TreeFiles::page(QStringLiteral("b.htm"), 3000, search, replacement),
               TreeFiles::page(QStringLiteral("c.htm"), 3000, search, replacement)};
    QVERIFY(TreeFiles::rebuild(m_root, m_pages));
    const BatchOutcome clean =
        BatchRun(BatchRun::underStrace(m_traceFile, {QStringLiteral("-e"), traced}))
            .run({m_root, QString::fromLatin1(search), QString::fromLatin1(replacement)});
    QVERIFY2(clean.exitCode == 0 && clean.out.size() == 2, qPrintable(clean.describe()));
    const SyscallTrace trace = SyscallTrace::read(m_traceFile);
    m_scratchSync = trace.invocation({QStringLiteral("fsync"), QStringLiteral("^fsync\\("), 1});
    m_lastLook = trace.invocation(
        {QStringLiteral("newfstatat"), QStringLiteral("/b\\.htm\""), -1, {}, {}, bOpened});
    QVERIFY(m_scratchSync > 0);
    QVERIFY(m_lastLook > 0);
}

// Starts the tool held at stopAt ("fsync:when=3"), waits until it stands still, runs change,
// lets it go on and waits for its end.
void TestConcurrentEdit::runHeld(const QString &stopAt, const std::function<void()> &change,
                                 BatchOutcome &outcome)
{
    QVERIFY(TreeFiles::rebuild(m_root, m_pages));
    BatchRun run(
        BatchRun::underStrace(m_traceFile, {QStringLiteral("-e"), traced, QStringLiteral("-e"),
                                            QStringLiteral("inject=%1:signal=STOP").arg(stopAt)}));
    run.start({m_root, QString::fromLatin1(search), QString::fromLatin1(replacement)});
    // A thread at one of strace's own stops looks stopped too: wait for strace to see the
    // group stop, after which the tool stays stopped until SIGCONT.
    QTRY_VERIFY_WITH_TIMEOUT(BatchRun::isStopped(run.toolPid()) &&
                                 !SyscallTrace::read(m_traceFile)
                                      .mentioning(QStringLiteral("--- stopped by SIGSTOP"))
                                      .isEmpty(),
                             30000);
    change();
    QCOMPARE(::kill(pid_t(run.toolPid()), SIGCONT), 0);
    outcome = run.finish();
    const QString call = stopAt.section(u':', 0, 0);
    const QString heldAt =
        SyscallTrace::read(m_traceFile).callBefore(QStringLiteral("--- SIGSTOP"));
    QVERIFY2(heldAt.startsWith(call + u'('), qPrintable(QStringLiteral("held at ") + heldAt));
}

void TestConcurrentEdit::checkRestOfRun(const BatchOutcome &outcome, const QString &reason)
{
    QVERIFY2(outcome.finished && !outcome.crashed && outcome.exitCode == 1,
             qPrintable(outcome.describe()));
    QCOMPARE(outcome.err,
             QStringList{path(QStringLiteral("b.htm")) + QStringLiteral(": ") + reason});
    QCOMPARE(outcome.out, QStringList{path(QStringLiteral("c.htm"))});
    QVERIFY(TreeFiles::read(path(QStringLiteral("c.htm"))) == m_pages[1].after);
}

void TestConcurrentEdit::editedWhileHeld_data()
{
    QTest::addColumn<Edit>("how");

    QTest::addRow("appended") << Edit::Appended;
    // Regression: size and modification time as before, and only those were compared, so the
    // edit was overwritten. Only the change time tells.
    QTest::addRow("in-place edit hidden by a restored modification time")
        << Edit::SameSizeTimeRestored;
    QTest::addRow("replaced by rename") << Edit::ReplacedByRename;
    QTest::addRow("deleted") << Edit::Deleted;
}

// Held after the scratch file is written and synced, just before the check that precedes the
// replacement: the latest moment a change can still be noticed.
void TestConcurrentEdit::editedWhileHeld()
{
    QFETCH(Edit, how);

    QByteArray expected;
    bool edited = false;
    BatchOutcome outcome;
    runHeld(
        QStringLiteral("fsync:when=%1").arg(m_scratchSync),
        [&] { expected = edit(how, path(QStringLiteral("b.htm")), edited); }, outcome);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(edited);
    checkRestOfRun(outcome,
                   QStringLiteral("the file was modified by another program during the run"));
    QVERIFY(TreeFiles::read(path(QStringLiteral("b.htm"))) == expected);
    QStringList names{QStringLiteral("c.htm")};
    if (!expected.isNull())
        names.prepend(QStringLiteral("b.htm"));
    QCOMPARE(TreeFiles::entries(m_root), names);
}

void TestConcurrentEdit::swappedBetweenCheckAndOpen_data()
{
    QTest::addColumn<Swap>("how");

    // Regressions: only the path was checked, not the file then opened, so the FIFO was read
    // as an empty page and passed over, and /dev/zero was read for ever (the run hung).
    QTest::addRow("FIFO read as an empty page") << Swap::Fifo;
    QTest::addRow("link to a device read for ever") << Swap::DeviceLink;
}

// Held after the rewrite looked at the path and found a regular file, before it opens it.
void TestConcurrentEdit::swappedBetweenCheckAndOpen()
{
    QFETCH(Swap, how);

    bool swapped = false;
    BatchOutcome outcome;
    runHeld(
        QStringLiteral("newfstatat:when=%1").arg(m_lastLook),
        [&] { swapped = swap(how, path(QStringLiteral("b.htm"))); }, outcome);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(swapped);
    checkRestOfRun(outcome, QStringLiteral("not a regular file"));
    const FileState b = FileState::of(path(QStringLiteral("b.htm")));
    QVERIFY(how == Swap::Fifo ? S_ISFIFO(b.mode) : S_ISLNK(b.mode));
    QCOMPARE(TreeFiles::entries(m_root), (QStringList{"b.htm", "c.htm"}));
}

QTEST_GUILESS_MAIN(TestConcurrentEdit)
#include "TestConcurrentEdit.moc"
