// strace fails each step of b.htm's rewrite, then kills the tool at each call of each step, of a
// run and of its undo.

#include "journal/JournalEntry.h"
#include "journal/JournalHome.h"
#include "journal/JournalLayout.h"
#include "tests/common/TempTree.h"
#include "tests/reliability/BatchRun.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <sys/xattr.h>

namespace {

// Named: as on a file system without O_TMPFILE. Copied: the journal on another file system
// (a tmpfs), where the originals are copies, not links.
enum Kind { Unnamed, Named, Copied };
const char *const kindNames[] = {"unnamed", "named", "copied"};

const QString traced = QStringLiteral("trace=openat,read,write,fsync,fdatasync,fchown,fchmod,"
                                      "fsetxattr,linkat,renameat,newfstatat,sync_file_range");
// The main thread's calls on b.htm run from its opening to the opening of d.htm.
const QString fromB = QStringLiteral("^openat\\(\\d+, \"b\\.htm\", O_RDONLY");
const QString toD = QStringLiteral("^openat\\(\\d+, \"d\\.htm\", O_RDONLY");
// The pages a, b and d take their place together, after d.htm's rewrite, before the first is
// listed: their scratch files synced in turn, the journal's group, the renames, the folder.
const QString listed = QStringLiteral("^write\\(1, ");
const char *const dataRead = "^read\\(\\d+, .*, [1-9]\\d*\\) +=";
const char *const created = "O_TMPFILE|O_CREAT";

const QHash<QString, QString> messages{{"EACCES", "Permission denied"},
                                       {"EIO", "Input/output error"},
                                       {"ENOSPC", "No space left on device"},
                                       {"ENOSYS", "Function not implemented"},
                                       {"EPERM", "Operation not permitted"}};
const char *const replaceFailed = "cannot replace the file with the scratch file";
const char *const folderSync = "the file was replaced, but its folder could not be synced to disk";
const char *const notJournaled =
    "the original could not be kept for undoing the run (%1), so the file was left as it was";

// The ordinal-th (-1: last) call matching pattern after after. No reason: b.htm is replaced.
struct Step
{
    const char *name, *syscall, *error, *pattern;
    int ordinal;
    const char *reason, *after = "";
    const char *journal = nullptr; ///< the journal's step, which notJournaled wraps
    bool copying = false;          ///< a step of the copy, run with Copied only
    unsigned mode = 0640;          ///< b.htm's; its scratch file is made 0600
    enum Stage { Alone, Grouped, GroupWide } stage = Alone; ///< in b's rewrite, or in its group's
};

const QList<Step> steps = {
    {"open", "openat", "EACCES", "\"b\\.htm\", O_RDONLY", 1, "cannot open the file"},
    {"read in the search", "read", "EIO", dataRead, 1, "cannot read the file"},
    {"read in the rewrite", "read", "EIO", dataRead, 1, "cannot read the file", created},
    {"create scratch", "openat", "ENOSPC", created, 1, "cannot create the scratch file"},
    {"write ENOSPC", "write", "ENOSPC", "", 1, "cannot write the scratch file"},
    {"second write EIO", "write", "EIO", "", 2, "cannot write the scratch file"},
    // Only a hint to start writing: the sync after it tells of any failure.
    {"write-back hint", "sync_file_range", "EIO", "", 1, nullptr},
    {"sync", "fsync", "EIO", "", -4, "cannot write the scratch file to disk", "", nullptr, false,
     0640, Step::Grouped},
    {"fchown", "fchown", "EPERM", "", 1,
     "cannot keep the file's owner and group (user 65534, group 65534)"},
    {"fchmod", "fchmod", "EPERM", "", -1,
     "cannot give the scratch file the permissions of the file"},
    // A file system that keeps no modes (FAT through FUSE) fails every fchmod so.
    {"fchmod, no modes kept", "fchmod", "ENOSYS", "", -1, nullptr},
    {"fchmod, not supported", "fchmod", "EOPNOTSUPP", "", -1, nullptr},
    {"fchmod, no modes kept, scratch mode wider", "fchmod", "ENOSYS", "", -1,
     "cannot give the scratch file the permissions of the file", "", nullptr, false, 0200},
    {"fsetxattr", "fsetxattr", "ENOSPC", "", 1,
     "cannot give the scratch file the extended attribute user.tagmender"},
    {"linkat", "linkat", "ENOSPC", "\\.b\\.htm\\.tagmender-", 1, replaceFailed, "", nullptr, false,
     0640, Step::Grouped},
    {"rename", "renameat", "EIO", "", 2, replaceFailed, "", nullptr, false, 0640, Step::Grouped},
    {"sync folder", "fsync", "EIO", "", -1, folderSync, "", nullptr, false, 0640, Step::GroupWide},
    {"journal link", "linkat", "ENOSPC", "\\.orig\"", 1, notJournaled, "",
     "cannot link the original into the journal"},
    {"journal entry sync", "fdatasync", "EIO", "", 1, notJournaled, "",
     "cannot write the journal entry", false, 0640, Step::GroupWide},
    {"journal folder sync", "fsync", "EIO", "", -2, notJournaled, "",
     "cannot write the journal entry", false, 0640, Step::GroupWide},
    {"journal copy create", "openat", "ENOSPC", "\\.orig\", O_WRONLY", 1, notJournaled, "",
     "cannot copy the original into the journal", true},
    {"journal copy sync", "fsync", "EIO", "", 1, notJournaled, "",
     "cannot copy the original into the journal", true},
};

} // namespace

class TestFaultInjection : public QObject
{
    Q_OBJECT

    TempTree m_base;
    QTemporaryDir m_otherDisk{QStringLiteral("/dev/shm/tagmender-faults-XXXXXX")};
    QString m_root = m_base.path("site"), m_traceFile = m_base.path("trace");
    // b.htm takes several writes and has metadata to keep; c.htm does not change.
    QList<Page> m_pages = {TempTree::page("a.htm", 2000), TempTree::page("b.htm", 600 << 10),
                           TempTree::page("c.htm", 1000, "plain", "plain"),
                           TempTree::page("d.htm", 1000)};
    QStringList m_before, m_kept; // the pages' states: all of them, what a replacement keeps
    SyscallTrace m_clean[3];      // where a run of each kind makes which call
    SyscallTrace m_cleanUndo;     // and the undo of a run
    bool m_offers[3] = {};        // whether runs here can be of that kind
    bool m_hasAttributes = false;

    QString path(const QString &name) const { return m_root + u'/' + name; }

    bool rebuild(unsigned mode = 0640)
    {
        const uid_t owner = ::geteuid() == 0 ? TempTree::nobody : uid_t(-1);
        if (!TempTree::rebuild(m_root, m_pages) ||
            !TempTree::setOwnerAndMode(path("b.htm"), owner, gid_t(owner), mode))
            return false;
        QDir(m_base.path("data")).removeRecursively();
        QDir(dataHome(Copied)).removeRecursively();
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

    // The journals of the runs, which each rebuild() empties.
    QString dataHome(int kind) const
    {
        return kind == Copied ? m_otherDisk.filePath("data") : m_base.path("data");
    }

    // An undo that follows takes its journal from where this run kept it.
    BatchOutcome run(int kind, const QString &inject = {}, const QStringList &arguments = {})
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome(kind)));
        QStringList options{"-e", traced};
        if (!inject.isEmpty())
            options += {"-e", "inject=" + inject};
        if (kind == Named)
            qputenv("TAGMENDER_SCRATCH", "named");
        BatchRun batch(BatchRun::underStrace(m_traceFile, options),
                       kind == Named ? BatchRun::Tool::WithSwitches : BatchRun::Tool::Installed);
        qunsetenv("TAGMENDER_SCRATCH");
        return batch.run(arguments.isEmpty() ? BatchRun::arguments(m_root) : arguments);
    }

    // Undoing the last run puts every page back, whatever stopped the run or an undo before.
    // A run killed before it kept anything may have left no journal. Named, as --undo-last
    // would refuse a run whose undo was killed only after it noted its end.
    void verifyUndone(bool mayLackJournal = false)
    {
        const QString last = QFileInfo(JournalHome::latestRun()).fileName();
        const BatchOutcome undone = BatchRun().run({"--undo", last});
        QVERIFY2(undone.finished && ((undone.exitCode == 0 && undone.err.isEmpty()) ||
                                     (mayLackJournal && undone.exitCode == 2)),
                 qPrintable(undone.describe()));
        for (qsizetype i = 0; i < m_pages.size(); ++i)
            QCOMPARE(TempTree::state(path(m_pages[i].name), true), m_kept[i]);
        for (const Page &page : std::as_const(m_pages))
            QVERIFY2(TempTree::readFile(path(page.name)) == page.before, qPrintable(page.name));
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (BatchRun::strace().isEmpty())
            QSKIP("strace is not installed");
        for (const int kind : {Unnamed, Named, Copied}) {
            QVERIFY(m_base.isValid() && rebuild());
            const BatchOutcome clean = run(kind);
            QVERIFY2(clean.finished && clean.exitCode == 0 && TempTree::isDone(m_root, m_pages),
                     qPrintable(clean.describe()));
            m_clean[kind] = SyscallTrace(m_traceFile);
            const QByteArray trace = TempTree::readFile(m_traceFile);
            m_offers[kind] = kind == Copied ? m_otherDisk.isValid() && trace.contains("EXDEV")
                                            : trace.contains("O_TMPFILE") == (kind == Unnamed);
        }
        QVERIFY(rebuild() && run(Unnamed).exitCode == 0);
        QVERIFY(run(Unnamed, {}, {"--undo-last"})
                    .is(0, {path("a.htm"), path("b.htm"), path("d.htm")}, {}));
        m_cleanUndo = SyscallTrace(m_traceFile);
    }

    // Whether each page is wholly old or wholly new, with its metadata; anyNew if any is new. A
    // page put back by an undo is old in a new file.
    bool verifyWhole(bool &anyNew, bool undoing = false)
    {
        anyNew = false;
        for (qsizetype i = 0; i < m_pages.size(); ++i) {
            const QByteArray bytes = TempTree::readFile(path(m_pages[i].name));
            const bool old = bytes == m_pages[i].before;
            if (!old && bytes != m_pages[i].after)
                return false;
            const bool kept = !old || undoing;
            if (TempTree::state(path(m_pages[i].name), kept) != (kept ? m_kept[i] : m_before[i]))
                return false;
            anyNew = anyNew || !old;
        }
        return true;
    }

    void failingStep_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("step");
        for (const int kind : {Unnamed, Named, Copied}) {
            for (qsizetype i = 0; i < steps.size(); ++i) {
                const QString syscall = steps[i].syscall;
                if (m_offers[kind] && steps[i].copying == (kind == Copied) &&
                    !(syscall == "linkat" && kind == Named) &&
                    (syscall != "fchown" || ::geteuid() == 0) &&
                    (syscall != "fsetxattr" || m_hasAttributes))
                    QTest::addRow("%s, %s", steps[i].name, kindNames[kind]) << kind << int(i);
            }
        }
    }

    // b.htm is reported and kept as it was (new when only the folder sync failed, or when no
    // mode can be set), nothing else.
    void failingStep()
    {
        QFETCH(int, kind);
        QFETCH(int, step);
        const Step &s = steps[step];
        const bool alone = s.stage == Step::Alone;
        const int n = m_clean[kind].invocation(
            s.syscall, s.pattern, s.ordinal, {alone ? fromB : toD, s.after}, alone ? toD : listed);
        QVERIFY2(n > 0, "the clean run makes no such call on b.htm");
        QVERIFY(rebuild(s.mode));
        const BatchOutcome outcome =
            run(kind, QString::asprintf("%s:error=%s:when=%d", s.syscall, s.error, n));
        const QString problem = SyscallTrace(m_traceFile).injectionProblem({s.syscall});
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        if (!s.reason) { // with the scratch file's narrower mode
            QVERIFY2(outcome.is(0, {path("a.htm"), path("b.htm"), path("d.htm")}, {}),
                     qPrintable(outcome.describe()));
            QVERIFY(TempTree::isDone(m_root, m_pages));
            return;
        }

        const QString message = messages[s.error];
        const QString reason = s.journal ? QString(s.reason).arg(s.journal + (": " + message))
                                         : s.reason + QStringLiteral(": ") + message;
        // A failure of the group's own steps is every one of its pages'.
        const bool wide = s.stage == Step::GroupWide;
        const QStringList failed =
            wide ? QStringList{"a.htm", "b.htm", "d.htm"} : QStringList{"b.htm"};
        QStringList changed{path("a.htm"), path("d.htm")}, lines;
        for (const QString &name : failed)
            lines << path(name) + ": " + reason;
        QVERIFY2(outcome.is(1, wide ? QStringList{} : changed, lines),
                 qPrintable(outcome.describe()));
        const bool replaced = s.reason == folderSync;
        QCOMPARE(TempTree::state(path("b.htm"), replaced), replaced ? m_kept[1] : m_before[1]);
        QList<Page> expected = m_pages;
        for (Page &page : expected)
            page.after = replaced || !failed.contains(page.name) ? page.after : page.before;
        QVERIFY(TempTree::isDone(m_root, expected));
        // What the run noted of its journal as it ended counts only what stayed there.
        const QString journal = JournalHome::latestRun(dataHome(kind) + "/tagmender/journal");
        // A run that kept no page notes nothing.
        const bool noneKept = wide && !replaced;
        QCOMPARE(JournalHome::settledBytes(journal),
                 noneKept ? -1 : TempTree::fileBytes(journal, "settled.json"));
        verifyUndone(noneKept);
    }

    void killedAt_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("syscall");
        QTest::addColumn<int>("call");
        for (const int kind : {Unnamed, Named, Copied}) {
            for (const char *call : {"write", "sync_file_range", "fsync", "fdatasync", "fchown",
                                     "fchmod", "linkat", "renameat"}) {
                for (int n = 1; m_offers[kind] && n <= m_clean[kind].invocation(call, "", -1); ++n)
                    QTest::addRow("%s #%d, %s", call, n, kindNames[kind])
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

        bool anyNew = false;
        QVERIFY2(verifyWhole(anyNew), "a page is torn or lost its metadata");
        // Every page that is new has its original in the journal.
        verifyUndone(!anyNew);
        QStringList strays = TempTree::entries(m_root);
        for (const Page &page : std::as_const(m_pages))
            strays.removeOne(page.name);
        // Named, each page of the group may leave one; unnamed, only the one being renamed.
        QVERIFY2(strays.size() <= (kind == Named           ? 3
                                   : syscall != "renameat" ? 0
                                                           : 1),
                 qPrintable(strays.join(u' ')));
        QList<Page> expected = m_pages;
        for (const QString &stray : std::as_const(strays)) {
            const QByteArray bytes = TempTree::readFile(path(stray));
            const bool known = std::any_of(m_pages.cbegin(), m_pages.cend(), [&](const Page &p) {
                return stray.size() == p.name.size() + 18 && stray.startsWith('.' + p.name + '.') &&
                       (kind != Named ? bytes == p.after : p.after.startsWith(bytes));
            });
            QVERIFY2(known, qPrintable(stray + QStringLiteral(": %1 bytes").arg(bytes.size())));
            expected << Page{stray, {}, bytes};
        }

        const BatchOutcome again = BatchRun().run(BatchRun::arguments(m_root));
        QVERIFY2(again.finished && again.exitCode == 0 && again.err.isEmpty(),
                 qPrintable(again.describe()));
        QVERIFY(TempTree::isDone(m_root, expected));
        // The next run let go of every original the kill left without its entry.
        QDirIterator kept(dataHome(kind), {"*.orig"}, QDir::Files, QDirIterator::Subdirectories);
        while (kept.hasNext()) {
            const QFileInfo original(kept.next());
            const qint64 number =
                JournalLayout::numberOf(original.fileName(), JournalLayout::originalSuffix);
            const QDir run = original.dir();
            bool complete = JournalEntry::fromJson(
                                TempTree::readFile(run.filePath(JournalLayout::entry(number))))
                                .has_value();
            for (const QString &group : run.entryList({"*" + JournalLayout::groupSuffix}))
                complete = complete || JournalEntry::fromGroupJson(
                                           TempTree::readFile(run.filePath(group)), number);
            QVERIFY2(complete, qPrintable(original.filePath()));
        }
    }

    // An undo puts each page back alone, with the folder sync of its own: a failure of that
    // sync is told, the page back all the same.
    void undoFolderSyncFails()
    {
        QVERIFY(rebuild() && run(Unnamed).exitCode == 0);
        const QString last = QString::number(m_cleanUndo.invocation("fsync", "", -1));
        const BatchOutcome outcome = run(Unnamed, "fsync:error=EIO:when=" + last, {"--undo-last"});
        QVERIFY2(outcome.finished && outcome.exitCode == 1 && outcome.err.size() == 1 &&
                     outcome.err[0].endsWith(folderSync + QStringLiteral(": Input/output error")) &&
                     outcome.out.size() == 2,
                 qPrintable(outcome.describe()));
        for (const Page &page : std::as_const(m_pages))
            QVERIFY2(TempTree::readFile(path(page.name)) == page.before, qPrintable(page.name));
    }

    void killedUndoAt_data()
    {
        QTest::addColumn<QString>("syscall");
        QTest::addColumn<int>("call");
        for (const char *call : {"write", "fsync", "fchown", "fchmod", "linkat", "renameat"}) {
            for (int n = 1; m_offers[Unnamed] && n <= m_cleanUndo.invocation(call, "", -1); ++n)
                QTest::addRow("%s #%d", call, n) << QString(call) << n;
        }
    }

    // An undo killed anywhere leaves each page old or new, and the next undo completes it.
    void killedUndoAt()
    {
        QFETCH(QString, syscall);
        QFETCH(int, call);
        QVERIFY(rebuild() && run(Unnamed).exitCode == 0);
        const BatchOutcome outcome =
            run(Unnamed, syscall + ":signal=KILL:when=" + QString::number(call), {"--undo-last"});
        QVERIFY2(outcome.crashed, qPrintable(outcome.describe()));
        bool anyNew = false;
        QVERIFY2(verifyWhole(anyNew, true), "a page is torn or lost its metadata");
        verifyUndone();
    }
};

QTEST_GUILESS_MAIN(TestFaultInjection)
#include "TestFaultInjection.moc"
