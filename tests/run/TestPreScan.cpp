// The pre-scan's verdicts, how far the rewrite trusts them, and the read-ahead. Folders swapped
// under a run are the reliability tests' part.

#include "file/FolderChain.h"
#include "run/PreScanFile.h"
#include "run/PreScanReadAhead.h"
#include "run/ProcessPage.h"
#include "tests/common/TempTree.h"
#include "text/ReplacementTexts.h"

#include <QTest>
#include <QThread>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace Qt::StringLiterals;
using Kind = PreScanVerdict::Kind;
using Status = RewriteResult::Status;

class TestPreScan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_tree.emplace(); }
    void verdict_data();
    void verdict();
    void readAhead_data();
    void readAhead();

private:
    QString path(const QString &name) const { return m_tree->path(name); }

    std::optional<TempTree> m_tree;
    ReplacementTexts m_texts{u"needle"_s, u"pin"_s};
};

void TestPreScan::verdict_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no file, "<fifo>": a FIFO
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<FileEncoding>("encoding");
    QTest::addColumn<QByteArray>("after"); // written after the pre-scan unless null
    QTest::addColumn<Status>("status");    // of the rewrite given the verdict

    const auto row = [](const char *name, const QByteArray &before, Kind kind, Status status,
                        const QByteArray &after = {}, FileEncoding encoding = FileEncoding::Utf8) {
        QTest::addRow("%s", name) << before << kind << encoding << after << status;
    };
    const QByteArray hay("one hay123 two\r\n"); // the same size as the one with the search text
    const QByteArray needle("one needle two\r\n");
    const auto le = FileEncoding::Utf16LE;
    row("no occurrence", "nee\r\ndle", Kind::CannotOccur, Status::Unchanged);
    row("occurrence", needle, Kind::MayOccur, Status::Changed);
    row("UTF-16", QByteArray("\xFF\xFEn\0e\0e\0d\0l\0e\0", 14), Kind::MayOccur, Status::Changed, {},
        le);
    row("UTF-16, 8-bit text", "\xFF\xFE needle", Kind::CannotOccur, Status::Unchanged, {}, le);
    row("missing", {}, Kind::Failed, Status::Failed);
#ifdef Q_OS_UNIX
    // Read, it would pass for an empty file; opened blocking, it would hang.
    row("FIFO", "<fifo>", Kind::Failed, Status::Failed);
#endif
    // The point of the verdict: a page found free of the text is settled as of that read, and
    // not looked at again (a second look cost every page of a run a stat).
    row("changed since: the verdict stands", hay, Kind::CannotOccur, Status::Unchanged, needle);
    row("created after the pre-scan", {}, Kind::Failed, Status::Changed, needle);
    row("occurrence gone", needle, Kind::MayOccur, Status::Unchanged, hay);
}

// A page the text cannot occur in is settled by its verdict; any other ends as one without a
// verdict would end now, whatever happened to it since its pre-scan.
void TestPreScan::verdict()
{
    QFETCH(QByteArray, before);
    QFETCH(Kind, kind);
    QFETCH(FileEncoding, encoding);
    QFETCH(QByteArray, after);
    QFETCH(Status, status);
    const QString page = u"a.htm"_s;
#ifdef Q_OS_UNIX
    if (before == "<fifo>")
        QCOMPARE(::mkfifo(QFile::encodeName(path(page)).constData(), 0644), 0);
#endif
    if (!before.isNull() && before != "<fifo>")
        QVERIFY(m_tree->write(page, before));
    PreScanVerdict verdict = PreScanFile(path(page), m_texts);
    QCOMPARE(verdict.kind, kind);
    QCOMPARE(verdict.reason.isEmpty(), kind != Kind::Failed);
    if (before == "<fifo>")
        return;
    if (kind != Kind::Failed) {
        QCOMPARE(verdict.scan.encoding, encoding);
        QCOMPARE(m_tree->read(page), before); // a pre-scan only reads
    }

    if (!after.isNull())
        QVERIFY(m_tree->write(page, after));
    const QByteArray current = m_tree->read(page);
    FolderChain folders;
    Failure error;
    const std::optional<PageLocation> located = folders.locate(path(page), error);
    QVERIFY2(located, qPrintable(error.text));
    QCOMPARE(ProcessPage(*located, verdict.absence(), m_texts, {}).status, status);
    QCOMPARE(m_tree->read(page) != current, status == Status::Changed);
    QCOMPARE(m_tree->state().size(), status == Status::Failed ? 0 : 1); // no scratch file left
}

void TestPreScan::readAhead_data()
{
    QTest::addColumn<int>("workers");
    QTest::addColumn<qsizetype>("window");
    QTest::addColumn<qsizetype>("taken"); // verdicts taken before the read-ahead is destroyed
    QTest::addColumn<bool>("streamed");   // the list handed over page by page, as a walk does

    QTest::addRow("1 worker, window 2") << 1 << qsizetype(2) << qsizetype(100) << false;
    QTest::addRow("no worker: the caller pre-scans")
        << 0 << qsizetype(2) << qsizetype(100) << false;
    QTest::addRow("destroyed at once") << 2 << qsizetype(2) << qsizetype(0) << false;
    QTest::addRow("destroyed, workers waiting for room")
        << 2 << qsizetype(2) << qsizetype(1) << false;
    QTest::addRow("streamed, window 7") << 2 << qsizetype(7) << qsizetype(100) << true;
    QTest::addRow("streamed, destroyed while listing")
        << 2 << qsizetype(2) << qsizetype(-1) << true;
}

// Verdicts in list order; each file of a whole list is created only a window ahead of the
// verdicts taken, before which it must not be pre-scanned (a list still being made is
// pre-scanned as far as it goes, so its files are all there). Destruction at any point joins the
// workers.
void TestPreScan::readAhead()
{
    QFETCH(int, workers);
    QFETCH(qsizetype, window);
    QFETCH(qsizetype, taken);
    QFETCH(bool, streamed);
    // Of 100 files every third holds the search text; f40 is missing, f41 a folder.
    QStringList files;
    for (int i = 0; i < 100; ++i)
        files << path(u"f%1.htm"_s.arg(i));
    const auto create = [&](qsizetype i) {
        return i >= files.size() || i == 40 ||
               (i == 41 ? QDir().mkdir(files.at(i))
                        : m_tree->write(files.at(i), i % 3 ? "a pin\r\n" : "a needle\r\n"));
    };
    const qsizetype ahead = streamed ? files.size() : window;
    for (qsizetype i = 0; i < ahead; ++i)
        QVERIFY(create(i));
    // 0 where they cannot be counted: /proc is Linux's (a Windows program under Wine sees it
    // as Z:\proc, which does not show the threads it starts).
    const auto threadCount = [] {
#ifdef Q_OS_LINUX
        return QDir(u"/proc/self/task"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
#else
        return qsizetype(0);
#endif
    };
    const qsizetype threads = threadCount();
    QThread *const caller = QThread::currentThread();
    bool calledElsewhere = false;
    {
        std::optional<PreScanReadAhead> made;
        if (streamed)
            made.emplace(m_tree->path(), m_texts, workers, window);
        else
            made.emplace(files, m_tree->path(), m_texts, workers, window);
        PreScanReadAhead &readAhead = *made;
        if (threads > 0 && window < files.size()) // else they may be done and gone already
            QCOMPARE(threadCount(), threads + workers);
        for (qsizetype i = 0; streamed && i < (taken < 0 ? 50 : files.size()); ++i)
            readAhead.add(files.at(i));
        if (streamed && taken >= 0)
            readAhead.complete();
        for (qsizetype i = 0; i < taken; ++i) {
            QVERIFY(create(i + ahead));
            const TextAbsence absence =
                readAhead.next([&] { calledElsewhere |= QThread::currentThread() != caller; });
            QCOMPARE(absence, i != 40 && i != 41 && i % 3 != 0);
        }
    }
    QVERIFY(!calledElsewhere);
    if (threads > 0)
        QTRY_COMPARE(threadCount(), threads);
}

QTEST_GUILESS_MAIN(TestPreScan)
#include "TestPreScan.moc"
