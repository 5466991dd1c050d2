// strace fails each step of b.htm's rewrite, then kills the tool at each call of each step.

#include "BatchRun.h"
#include "TempTree.h"

#include <QFile>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <sys/xattr.h>

namespace {

enum Scratch { Unnamed, Named }; // Named: as on a file system without O_TMPFILE

const QString traced = QStringLiteral("trace=openat,read,write,fsync,fdatasync,fchown,fchmod,"
                                      "fsetxattr,linkat,renameat,newfstatat");
// The main thread's calls on b.htm run from its opening to the opening of d.htm.
const QString fromB = QStringLiteral("^openat\\(\\d+, \"b\\.htm\", O_RDONLY");
const QString toD = QStringLiteral("^openat\\(\\d+, \"d\\.htm\", O_RDONLY");
const char *const dataRead = "^read\\(\\d+, .*, [1-9]\\d*\\) +=";
const char *const created = "O_TMPFILE|O_CREAT";

const QHash<QString, QString> messages{{"EACCES", "Permission denied"},
                                       {"EIO", "Input/output error"},
                                       {"ENOSPC", "No space left on device"},
                                       {"EPERM", "Operation not permitted"}};
const char *const replaceFailed = "cannot replace the file with the scratch file";
const char *const folderSync = "the file was replaced, but its folder could not be synced to disk";

// The ordinal-th (-1: last) call matching pattern after after.
struct Step
{
    const char *name, *syscall, *error, *pattern;
    int ordinal;
    const char *reason, *after = "";
};

const QList<Step> steps = {
    {"open", "openat", "EACCES", "\"b\\.htm\", O_RDONLY", 1, "cannot open the file"},
    {"read in the search", "read", "EIO", dataRead, 1, "cannot read the file"},
    {"read in the rewrite", "read", "EIO", dataRead, 1, "cannot read the file", created},
    {"create scratch", "openat", "ENOSPC", created, 1, "cannot create the scratch file"},
    {"write ENOSPC", "write", "ENOSPC", "", 1, "cannot write the scratch file"},
    {"second write EIO", "write", "EIO", "", 2, "cannot write the scratch file"},
    {"sync", "fsync", "EIO", "", 1, "cannot write the scratch file to disk"},
    {"fchown", "fchown", "EPERM", "", 1,
     "cannot keep the file's owner and group (user 65534, group 65534)"},
    {"fchmod", "fchmod", "EPERM", "", -1,
     "cannot give the scratch file the permissions of the file"},
    {"fsetxattr", "fsetxattr", "ENOSPC", "", 1,
     "cannot give the scratch file the extended attribute user.tagmender"},
    {"linkat", "linkat", "ENOSPC", "", 1, replaceFailed},
    {"rename", "renameat", "EIO", "", 1, replaceFailed},
    {"sync folder", "fsync", "EIO", "", 2, folderSync},
};

} // namespace

class TestFaultInjection : public QObject
{
    Q_OBJECT

    TempTree m_base;
    QString m_root = m_base.path("site"), m_traceFile = m_base.path("trace");
    // b.htm takes several writes and has metadata to keep; c.htm does not change.
    QList<Page> m_pages = {TempTree::page("a.htm", 2000), TempTree::page("b.htm", 600 << 10),
                           TempTree::page("c.htm", 1000, "plain", "plain"),
                           TempTree::page("d.htm", 1000)};
    QStringList m_before, m_kept; // the pages' states: all of them, what a replacement keeps
    SyscallTrace m_clean[2];      // where a run of each kind makes which call
    bool m_offers[2] = {};        // whether runs here make that kind of scratch file
    bool m_hasAttributes = false;

    QString path(const QString &name) const { return m_root + u'/' + name; }

    bool rebuild()
    {
        const uid_t owner = ::geteuid() == 0 ? TempTree::nobody : uid_t(-1);
        if (!TempTree::rebuild(m_root, m_pages) ||
            !TempTree::setOwnerAndMode(path("b.htm"), owner, gid_t(owner), 0640))
            return false;
        m_hasAttributes = ::setxattr(QFile::encodeName(path("b.htm")).constData(), "user.tagmender",
                                     "kept", 4, 0) == 0;
        m_before.clear();
        m_kept.clear();
        for (const Page &page : std::as_const(m_pages)) {
            m_before << TempTree::state(path(page.name));
            m_kept << TempTree::state(path(page.name), true);
        }
        return true;
    }

    BatchOutcome run(int kind, const QString &inject = {})
    {
        QStringList options{"-e", traced};
        if (!inject.isEmpty())
            options += {"-e", "inject=" + inject};
        if (kind == Named)
            qputenv("TAGMENDER_SCRATCH", "named");
        BatchRun batch(BatchRun::underStrace(m_traceFile, options));
        qunsetenv("TAGMENDER_SCRATCH");
        return batch.run(BatchRun::arguments(m_root));
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (BatchRun::strace().isEmpty())
            QSKIP("strace is not installed");
        for (const int kind : {Unnamed, Named}) {
            QVERIFY(m_base.isValid() && rebuild());
            const BatchOutcome clean = run(kind);
            QVERIFY2(clean.finished && clean.exitCode == 0 && TempTree::isDone(m_root, m_pages),
                     qPrintable(clean.describe()));
            m_clean[kind] = SyscallTrace(m_traceFile);
            m_offers[kind] =
                TempTree::readFile(m_traceFile).contains("O_TMPFILE") == (kind == Unnamed);
        }
    }

    void failingStep_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("step");
        for (const int kind : {Unnamed, Named}) {
            for (qsizetype i = 0; i < steps.size(); ++i) {
                const QString syscall = steps[i].syscall;
                if (m_offers[kind] && !(syscall == "linkat" && kind == Named) &&
                    (syscall != "fchown" || ::geteuid() == 0) &&
                    (syscall != "fsetxattr" || m_hasAttributes))
                    QTest::addRow("%s, %s", steps[i].name, kind == Named ? "named" : "unnamed")
                        << kind << int(i);
            }
        }
    }

    // b.htm is reported and kept as it was (new when only the folder sync failed), nothing else.
    void failingStep()
    {
        QFETCH(int, kind);
        QFETCH(int, step);
        const Step &s = steps[step];
        const int n =
            m_clean[kind].invocation(s.syscall, s.pattern, s.ordinal, {fromB, s.after}, toD);
        QVERIFY2(n > 0, "the clean run makes no such call on b.htm");
        QVERIFY(rebuild());
        const BatchOutcome outcome =
            run(kind, QString::asprintf("%s:error=%s:when=%d", s.syscall, s.error, n));
        const QString problem = SyscallTrace(m_traceFile).injectionProblem({s.syscall});
        QVERIFY2(problem.isEmpty(), qPrintable(problem));

        const QString reason = s.reason + QStringLiteral(": ") + messages[s.error];
        QVERIFY2(outcome.is(1, {path("a.htm"), path("d.htm")}, {path("b.htm") + ": " + reason}),
                 qPrintable(outcome.describe()));
        const bool replaced = s.reason == folderSync;
        QCOMPARE(TempTree::state(path("b.htm"), replaced), replaced ? m_kept[1] : m_before[1]);
        QList<Page> expected = m_pages;
        expected[1].after = replaced ? expected[1].after : expected[1].before;
        QVERIFY(TempTree::isDone(m_root, expected));
    }

    void killedAt_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("syscall");
        QTest::addColumn<int>("call");
        for (const int kind : {Unnamed, Named}) {
            for (const char *call :
                 {"write", "fsync", "fdatasync", "fchown", "fchmod", "linkat", "renameat"}) {
                for (int n = 1; m_offers[kind] && n <= m_clean[kind].invocation(call, "", -1); ++n)
                    QTest::addRow("%s #%d, %s", call, n, kind == Named ? "named" : "unnamed")
                        << kind << QString(call) << n;
            }
        }
    }

    // Files are old or new, with metadata; one stray may hold new text (all of it, if unnamed).
    void killedAt()
    {
        QFETCH(int, kind);
        QFETCH(QString, syscall);
        QFETCH(int, call);
        QVERIFY(rebuild());
        const BatchOutcome outcome =
            run(kind, syscall + ":signal=KILL:when=" + QString::number(call));
        const QString last = SyscallTrace(m_traceFile).callBefore("+++ killed by SIGKILL");
        QVERIFY2(outcome.crashed && last.startsWith(syscall + u'('), qPrintable(last));

        QStringList strays = TempTree::entries(m_root);
        for (qsizetype i = 0; i < m_pages.size(); ++i) {
            const QString name = m_pages[i].name;
            const QByteArray bytes = TempTree::readFile(path(name));
            QVERIFY2(bytes == m_pages[i].before || bytes == m_pages[i].after,
                     qPrintable(name + " is torn"));
            const bool old = bytes == m_pages[i].before;
            QCOMPARE(TempTree::state(path(name), !old), old ? m_before[i] : m_kept[i]);
            strays.removeOne(name);
        }
        QVERIFY2(strays.size() <= (kind == Unnamed && syscall != "renameat" ? 0 : 1),
                 qPrintable(strays.join(u' ')));
        QList<Page> expected = m_pages;
        for (const QString &stray : std::as_const(strays)) {
            const QByteArray bytes = TempTree::readFile(path(stray));
            const bool known = std::any_of(m_pages.cbegin(), m_pages.cend(), [&](const Page &p) {
                return stray.size() == p.name.size() + 18 && stray.startsWith('.' + p.name + '.') &&
                       (kind == Unnamed ? bytes == p.after : p.after.startsWith(bytes));
            });
            QVERIFY2(known, qPrintable(stray + QStringLiteral(": %1 bytes").arg(bytes.size())));
            expected << Page{stray, {}, bytes};
        }

        const BatchOutcome again = BatchRun().run(BatchRun::arguments(m_root));
        QVERIFY2(again.finished && again.exitCode == 0 && again.err.isEmpty(),
                 qPrintable(again.describe()));
        QVERIFY(TempTree::isDone(m_root, expected));
    }
};

QTEST_GUILESS_MAIN(TestFaultInjection)
#include "TestFaultInjection.moc"
