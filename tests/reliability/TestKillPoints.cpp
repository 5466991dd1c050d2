// The batch tool killed (SIGKILL, which nothing can catch) at every call of every step that
// writes: each write, sync, change of owner or mode, link and rename, one run per call, with
// both kinds of scratch file. Whatever the moment, every file must hold either its old bytes
// (then untouched) or its complete new ones (then with its owner, mode and attributes); the only
// file that may be left over is a scratch file beside its page (page.htm.XXXXXX) holding a
// prefix of the page's new text: all of it with an unnamed scratch file, which has a name only
// between its link into the folder and the rename. A second run must then finish the job.

#include "FileState.h"
#include "TracedBatch.h"
#include "TreeFiles.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

const QByteArray search = "cat";
const QByteArray replacement = "dog";
const QStringList killed = {"write", "fsync", "fdatasync", "fchown", "fchmod", "linkat", "rename"};
const QString traced =
    QStringLiteral("trace=openat,write,fsync,fdatasync,fchown,fchmod,linkat,rename,access");

} // namespace

class TestKillPoints : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void killedAt_data();
    void killedAt();

private:
    bool rebuild();
    QStringList arguments() const
    {
        return {m_root, QString::fromLatin1(search), QString::fromLatin1(replacement)};
    }
    void checkPages(QStringList &strays);
    void checkStrays(const QStringList &strays, bool complete);

    QTemporaryDir m_base;
    QString m_root = m_base.filePath(QStringLiteral("site"));
    TracedBatch m_batch{m_base.filePath(QStringLiteral("trace")), traced};
    QList<Page> m_pages;
    QList<FileState> m_before;
};

bool TestKillPoints::rebuild()
{
    if (!TreeFiles::rebuild(m_root, m_pages))
        return false;
    // d.htm has metadata to carry over: owner, mode, an extended attribute.
    const QByteArray d = QFile::encodeName(m_root + QStringLiteral("/d.htm"));
    if (TreeFiles::isRoot() && ::chown(d.constData(), 65534, 65534) != 0)
        return false;
    ::setxattr(d.constData(), "user.tagmender", "kept", 4, 0); // where the file system allows
    if (::chmod(d.constData(), 0640) != 0)
        return false;
    m_before.clear();
    for (const Page &page : std::as_const(m_pages))
        m_before << FileState::of(m_root + u'/' + page.name);
    return true;
}

void TestKillPoints::initTestCase()
{
    if (BatchRun::strace().isEmpty())
        QSKIP("strace is not installed");
    QVERIFY(m_base.isValid());
    // b.htm takes several writes; c.htm does not change.
    m_pages = {TreeFiles::page(QStringLiteral("a.htm"), 2000, search, replacement),
               TreeFiles::page(QStringLiteral("b.htm"), 600 << 10, search, replacement),
               TreeFiles::untouchedPage(QStringLiteral("c.htm"), 1000),
               TreeFiles::page(QStringLiteral("d.htm"), 1000, search, replacement)};
    const QString problem =
        m_batch.traceCleanRuns([this] { return rebuild(); },
                               [this] { return TreeFiles::isDone(m_root, m_pages); }, arguments());
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestKillPoints::killedAt_data()
{
    QTest::addColumn<int>("scratch");
    QTest::addColumn<QString>("syscall");
    QTest::addColumn<int>("call");

    for (const auto scratch : {TracedBatch::Unnamed, TracedBatch::Named}) {
        for (const QString &syscall : killed) {
            const int calls = m_batch.clean(scratch).count(syscall);
            for (int n = 1; n <= calls; ++n)
                QTest::addRow("%s #%d, %s scratch file", qPrintable(syscall), n,
                              TracedBatch::name(scratch))
                    << int(scratch) << syscall << n;
        }
    }
}

void TestKillPoints::killedAt()
{
    QFETCH(int, scratch);
    QFETCH(QString, syscall);
    QFETCH(int, call);
    const auto kind = TracedBatch::Scratch(scratch);
    if (!m_batch.offers(kind))
        QSKIP("no such scratch file here: no O_TMPFILE, or no way to make Qt do without it");

    QVERIFY(rebuild());
    const BatchOutcome outcome =
        m_batch.run(kind,
                    {QStringLiteral("-e"),
                     QStringLiteral("inject=%1:signal=KILL:when=%2").arg(syscall).arg(call)},
                    arguments());
    const SyscallTrace trace = m_batch.lastTrace();
    QVERIFY2(outcome.crashed && trace.killedBy(QStringLiteral("SIGKILL")),
             qPrintable(outcome.describe()));
    QVERIFY2(trace.lastCall().startsWith(syscall + u'('), qPrintable(trace.lastCall()));

    QStringList strays;
    checkPages(strays);
    if (QTest::currentTestFailed())
        return;
    // An unnamed scratch file gets a name only when it is complete and synced, linked into the
    // folder just before the rename.
    if (kind == TracedBatch::Unnamed && syscall != QLatin1String("rename"))
        QCOMPARE(strays, QStringList());
    checkStrays(strays, kind == TracedBatch::Unnamed);
    if (QTest::currentTestFailed())
        return;

    const BatchOutcome again = BatchRun().run(arguments());
    QVERIFY2(again.finished && again.exitCode == 0 && again.err.isEmpty(),
             qPrintable(again.describe()));
    QStringList names = strays;
    for (const Page &page : std::as_const(m_pages)) {
        QVERIFY2(TreeFiles::read(m_root + u'/' + page.name) == page.after, qPrintable(page.name));
        names << page.name;
    }
    names.sort();
    QCOMPARE(TreeFiles::entries(m_root), names); // the second run left nothing behind
}

// Every page is whole: old and untouched, or new with its metadata. Collects what else is there.
void TestKillPoints::checkPages(QStringList &strays)
{
    strays = TreeFiles::entries(m_root);
    for (qsizetype i = 0; i < m_pages.size(); ++i) {
        const Page &page = m_pages[i];
        strays.removeOne(page.name);
        const FileState now = FileState::of(m_root + u'/' + page.name);
        const bool old = now.bytes == page.before;
        QVERIFY2(old || now.bytes == page.after,
                 qPrintable(page.name + QStringLiteral(" is torn")));
        const QString changes = m_before[i].differences(now, old ? FileState::Compare::Untouched
                                                                 : FileState::Compare::Kept);
        QVERIFY2(changes.isEmpty(), qPrintable(page.name + QStringLiteral(": ") + changes));
    }
}

// A left-over scratch file lies beside its page and holds the start of the page's new text
// (all of it when complete is set).
void TestKillPoints::checkStrays(const QStringList &strays, bool complete)
{
    static const QRegularExpression scratchName(QStringLiteral("^(.+\\.htm)\\.[A-Za-z0-9]{6}$"));
    QVERIFY2(strays.size() <= 1, qPrintable(strays.join(u' ')));
    if (!strays.isEmpty())
        qInfo("left over: %s", qPrintable(strays.first()));
    for (const QString &stray : strays) {
        const QRegularExpressionMatch match = scratchName.match(stray);
        QVERIFY2(match.hasMatch(), qPrintable(stray));
        const auto page = std::find_if(m_pages.cbegin(), m_pages.cend(),
                                       [&](const Page &p) { return p.name == match.captured(1); });
        QVERIFY2(page != m_pages.cend(), qPrintable(stray));
        const QByteArray bytes = TreeFiles::read(m_root + u'/' + stray);
        QVERIFY2(complete ? bytes == page->after : page->after.startsWith(bytes),
                 qPrintable(stray + QStringLiteral(" holds %1 bytes").arg(bytes.size())));
    }
}

QTEST_GUILESS_MAIN(TestKillPoints)
#include "TestKillPoints.moc"
