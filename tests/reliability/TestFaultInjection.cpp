// Every step of a file's rewrite made to fail in turn, by strace's fault injection into the batch
// tool: the file must be reported with the step's reason and stay exactly as it was (bytes,
// inode, owner, mode, attributes), no scratch file may be left, and the run must go on with the
// other files. Each step is tried with both kinds of scratch file: the unnamed one (O_TMPFILE)
// that ext4 and tmpfs offer, and the named one other file systems get, forced here by making
// /proc look absent, without which Qt cannot link an unnamed file into the folder.

#include "BatchRun.h"
#include "FileState.h"
#include "SyscallTrace.h"
#include "TracedBatch.h"
#include "TreeFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

const QByteArray search = "cat";
const QByteArray replacement = "dog";
const QString traced = QStringLiteral("trace=openat,read,write,fsync,fdatasync,fchown,fchmod,"
                                      "fsetxattr,linkat,rename,access,newfstatat");
// The calls that work on b.htm: from its opening to the opening of the next file.
const QString fromB = QStringLiteral("^openat\\(AT_FDCWD, \"[^\"]*/b\\.htm\", O_RDONLY");
const QString toC = QStringLiteral("^openat\\(AT_FDCWD, \"[^\"]*/c\\.htm\", O_RDONLY");
const QString dataRead = QStringLiteral("^read\\(\\d+, .*, [1-9]\\d*\\) +=");
const QString scratchCreated = QStringLiteral("O_TMPFILE|O_CREAT");
const QByteArray attributeName = "user.tagmender";

// What a step needs to take place at all.
enum class Needs { Nothing, UnnamedScratch, Root, Attributes };

struct Step
{
    const char *name;
    const char *syscall;
    const char *error;
    QString pattern;
    int ordinal;
    QString after;
    int span; // consecutive calls that fail: Qt tries 16 temporary names before it gives up
    const char *reason;
    bool replaced; // the failure comes after the file was replaced
    Needs needs;
};

const QList<Step> steps = {
    {"open the file", "openat", "EACCES", "/b\\.htm\", O_RDONLY", 1, QString(), 1,
     "cannot open the file: Permission denied", false, Needs::Nothing},
    {"read in the search", "read", "EIO", dataRead, 1, QString(), 1,
     "cannot read the file: Input/output error", false, Needs::Nothing},
    {"read in the rewrite", "read", "EIO", dataRead, 1, scratchCreated, 1,
     "cannot read the file: Input/output error", false, Needs::Nothing},
    {"create the scratch file", "openat", "ENOSPC", scratchCreated, 1, QString(), 1,
     "cannot create the scratch file: No space left on device", false, Needs::Nothing},
    {"first write, disk full", "write", "ENOSPC", "^write\\(", 1, QString(), 1,
     "cannot write the scratch file: No space left on device", false, Needs::Nothing},
    {"second write, I/O error", "write", "EIO", "^write\\(", 2, QString(), 1,
     "cannot write the scratch file: Input/output error", false, Needs::Nothing},
    {"sync the scratch file", "fsync", "EIO", "^fsync\\(", 1, QString(), 1,
     "cannot write the scratch file to disk: Input/output error", false, Needs::Nothing},
    {"give the owner", "fchown", "EPERM", "^fchown\\(", 1, QString(), 1,
     "cannot keep the file's owner and group (user 65534, group 65534): Operation not permitted",
     false, Needs::Root},
    {"give the permissions", "fchmod", "EPERM", "^fchmod\\(", -1, QString(), 1,
     "cannot give the scratch file the permissions of the file: Operation not permitted", false,
     Needs::Nothing},
    {"give an extended attribute", "fsetxattr", "ENOSPC", "^fsetxattr\\(", 1, QString(), 1,
     "cannot give the scratch file the extended attribute user.tagmender: No space left on device",
     false, Needs::Attributes},
    {"link into the folder", "linkat", "EIO", "^linkat\\(", 1, QString(), 1,
     "cannot replace the file with the scratch file: Input/output error", false,
     Needs::UnnamedScratch},
    // Regression: Qt records no reason for this, and the run reported "Unknown error".
    {"no temporary name can be linked", "linkat", "ENOSPC", "^linkat\\(", 2, QString(), 16,
     "cannot replace the file with the scratch file: No space left on device", false,
     Needs::UnnamedScratch},
    {"rename over the file", "rename", "EIO", "^rename\\(", 1, QString(), 1,
     "cannot replace the file with the scratch file: Input/output error", false, Needs::Nothing},
    {"open the folder to sync it", "openat", "EACCES", "O_DIRECTORY", 1, QString(), 1,
     "the file was replaced, but its folder could not be synced to disk: Permission denied", true,
     Needs::Nothing},
    {"sync the folder", "fsync", "EIO", "^fsync\\(", 2, QString(), 1,
     "the file was replaced, but its folder could not be synced to disk: Input/output error", true,
     Needs::Nothing},
};

} // namespace

class TestFaultInjection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void failingStep_data();
    void failingStep();

private:
    bool rebuild();
    void runFailing(TracedBatch::Scratch kind, const Step &s, BatchOutcome &outcome);
    QString path(const QString &name) const { return m_root + u'/' + name; }
    QStringList arguments() const
    {
        return {m_root, QString::fromLatin1(search), QString::fromLatin1(replacement)};
    }

    QTemporaryDir m_base;
    QString m_root = m_base.filePath(QStringLiteral("site"));
    TracedBatch m_batch{m_base.filePath(QStringLiteral("trace")), traced};
    QList<Page> m_pages;
    bool m_hasAttributes = false;
};

bool TestFaultInjection::rebuild()
{
    if (!TreeFiles::rebuild(m_root, m_pages))
        return false;
    // b.htm, which every step fails on, has all the metadata a rewrite has to carry over.
    const QByteArray b = QFile::encodeName(path(QStringLiteral("b.htm")));
    if (TreeFiles::isRoot() && ::chown(b.constData(), 65534, 65534) != 0)
        return false;
    m_hasAttributes = ::setxattr(b.constData(), attributeName.constData(), "kept", 4, 0) == 0;
    return ::chmod(b.constData(), 0640) == 0;
}

void TestFaultInjection::initTestCase()
{
    if (BatchRun::strace().isEmpty())
        QSKIP("strace is not installed");
    QVERIFY(m_base.isValid());
    m_pages = {TreeFiles::page(QStringLiteral("a.htm"), 2000, search, replacement),
               TreeFiles::page(QStringLiteral("b.htm"), 600 << 10, search, replacement),
               TreeFiles::page(QStringLiteral("c.htm"), 1000, search, replacement)};
    const QString problem =
        m_batch.traceCleanRuns([this] { return rebuild(); },
                               [this] { return TreeFiles::isDone(m_root, m_pages); }, arguments());
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestFaultInjection::failingStep_data()
{
    QTest::addColumn<int>("scratch");
    QTest::addColumn<int>("step");

    for (const auto scratch : {TracedBatch::Unnamed, TracedBatch::Named}) {
        for (qsizetype i = 0; i < steps.size(); ++i) {
            const Needs needs = steps[i].needs;
            if ((needs == Needs::UnnamedScratch && scratch == TracedBatch::Named) ||
                (needs == Needs::Root && !TreeFiles::isRoot()) ||
                (needs == Needs::Attributes && !m_hasAttributes))
                continue;
            QTest::addRow("%s, %s scratch file", steps[i].name, TracedBatch::name(scratch))
                << int(scratch) << int(i);
        }
    }
}

// Runs the tool with the step's fault injected into the call on b.htm that a clean run of the
// same kind made, and checks that the fault was injected there and nowhere else.
void TestFaultInjection::runFailing(TracedBatch::Scratch kind, const Step &s, BatchOutcome &outcome)
{
    const QString syscall = QLatin1String(s.syscall);
    const int n =
        m_batch.clean(kind).invocation({syscall, s.pattern, s.ordinal, fromB, s.after, toC});
    QVERIFY2(n > 0, "the clean run makes no such call on b.htm");
    const QString when =
        s.span > 1 ? QStringLiteral("%1..%2").arg(n).arg(n + s.span - 1) : QString::number(n);

    outcome = m_batch.run(
        kind,
        {QStringLiteral("-e"),
         QStringLiteral("inject=%1:error=%2:when=%3").arg(syscall, QLatin1String(s.error), when)},
        arguments());
    const QString problem =
        m_batch.lastTrace().injectionProblem({syscall, QStringLiteral("access")});
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestFaultInjection::failingStep()
{
    QFETCH(int, scratch);
    QFETCH(int, step);
    const auto kind = TracedBatch::Scratch(scratch);
    if (!m_batch.offers(kind))
        QSKIP("no such scratch file here: no O_TMPFILE, or no way to make Qt do without it");
    const Step &s = steps[step];
    QVERIFY(rebuild());
    const FileState before = FileState::of(path(QStringLiteral("b.htm")));
    BatchOutcome outcome;
    runFailing(kind, s, outcome);
    if (QTest::currentTestFailed())
        return;

    QVERIFY2(outcome.finished && !outcome.crashed && outcome.exitCode == 1,
             qPrintable(outcome.describe()));
    const QString reason = QLatin1String(s.reason);
    QCOMPARE(outcome.err,
             QStringList{path(QStringLiteral("b.htm")) + QStringLiteral(": ") + reason});
    QCOMPARE(outcome.out,
             (QStringList{path(QStringLiteral("a.htm")), path(QStringLiteral("c.htm"))}));

    const FileState after = FileState::of(path(QStringLiteral("b.htm")));
    const QString changes = before.differences(after, s.replaced ? FileState::Compare::Kept
                                                                 : FileState::Compare::Untouched);
    QVERIFY2(changes.isEmpty(), qPrintable(changes));
    QVERIFY(after.bytes == (s.replaced ? m_pages[1].after : m_pages[1].before));
    QVERIFY(TreeFiles::read(path(QStringLiteral("a.htm"))) == m_pages[0].after);
    QVERIFY(TreeFiles::read(path(QStringLiteral("c.htm"))) == m_pages[2].after);
    QCOMPARE(TreeFiles::entries(m_root), (QStringList{"a.htm", "b.htm", "c.htm"}));
}

QTEST_GUILESS_MAIN(TestFaultInjection)
#include "TestFaultInjection.moc"
