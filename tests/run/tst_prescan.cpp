// The pre-scan ahead of the rewrite: its verdicts, how far the rewrite trusts them (only while
// the file keeps the stamp the pre-scan saw), the open folder, stopping, and the read-ahead
// that hands the verdicts over in list order.

#include "OpenFolder.h"
#include "PreScanFile.h"
#include "PreScanReadAhead.h"
#include "ReplacementTexts.h"
#include "RewriteFile.h"
#include "TempTree.h"

#include <QBuffer>
#include <QDateTime>
#include <QTest>
#include <QThread>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace Qt::StringLiterals;
using Kind = PreScanVerdict::Kind;
using Status = RewriteResult::Status;

namespace {

const QString page = u"a.htm"_s; // the file most tests look at

// Of this process; 0 where they cannot be counted.
qsizetype threadCount()
{
#ifdef Q_OS_LINUX
    return QDir(u"/proc/self/task"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
#else
    return 0;
#endif
}

bool setModified(const QString &path, const QDateTime &time)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(time, QFileDevice::FileModificationTime);
}

} // namespace

class TestPreScan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_tree.emplace(); }
    void verdict_data();
    void verdict();
    void stampDecides_data();
    void stampDecides();
    void openFolder();
    void stopEndsTheScan();
    void readAhead_data();
    void readAhead();

private:
    QString path(const QString &name) const { return m_tree->path(name); }
    PreScanVerdict preScan(const QString &name, OpenFolder *folder = nullptr)
    {
        return PreScanFile(path(name), m_texts, {}, folder);
    }

    std::optional<TempTree> m_tree;
    ReplacementTexts m_texts{u"needle"_s, u"pin"_s};
};

void TestPreScan::verdict_data()
{
    QTest::addColumn<QByteArray>("bytes"); // "<fifo>" makes a FIFO, "<none>" nothing
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<FileEncoding>("encoding");

    const auto utf8 = FileEncoding::Utf8;
    const auto le = FileEncoding::Utf16LE;
    QTest::addRow("no occurrence") << QByteArray("nee\r\ndle") << Kind::CannotOccur << utf8;
    QTest::addRow("occurrence") << QByteArray("hay needle") << Kind::MayOccur << utf8;
    QTest::addRow("UTF-16") << QByteArray("\xFF\xFEn\0e\0e\0d\0l\0e\0", 14) << Kind::MayOccur << le;
    QTest::addRow("UTF-16, 8-bit text") << QByteArray("\xFF\xFE needle") << Kind::CannotOccur << le;
    QTest::addRow("missing") << QByteArray("<none>") << Kind::Failed << utf8;
#ifdef Q_OS_UNIX
    // Read, it would pass for an empty file; opened blocking, it would hang.
    QTest::addRow("FIFO") << QByteArray("<fifo>") << Kind::Failed << utf8;
#endif
}

void TestPreScan::verdict()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Kind, kind);
    QFETCH(FileEncoding, encoding);
#ifdef Q_OS_UNIX
    if (bytes == "<fifo>")
        QCOMPARE(::mkfifo(QFile::encodeName(path(page)).constData(), 0644), 0);
#endif
    if (!bytes.startsWith('<'))
        QVERIFY(m_tree->write(page, bytes));

    const PreScanVerdict verdict = preScan(page);
    QCOMPARE(verdict.kind, kind);
    QCOMPARE(verdict.reason.isEmpty(), kind != Kind::Failed);
    QCOMPARE(verdict.stamp, FileStamp::read(path(page)));
    if (kind != Kind::Failed) {
        QCOMPARE(verdict.scan.encoding, encoding);
        QCOMPARE(m_tree->read(page), bytes); // a pre-scan only reads
    }
}

void TestPreScan::stampDecides_data()
{
    QTest::addColumn<QByteArray>("before"); // null: written only after the pre-scan
    QTest::addColumn<QByteArray>("after");  // written after the pre-scan unless null
    QTest::addColumn<QString>("how");
    QTest::addColumn<Status>("status");

    const QByteArray hay("one hay123 two\r\n"); // the same size as the one with the search text
    const QByteArray needle("one needle two\r\n");
    const QByteArray none;
    QTest::addRow("no occurrence") << hay << none << "" << Status::Unchanged;
    QTest::addRow("occurrence") << needle << none << "" << Status::Changed;
    // The point of the verdict: a file with the stamp pre-scanned is not read again.
    QTest::addRow("trusted while the stamp holds")
        << needle << none << "forge" << Status::Unchanged;
    QTest::addRow("grown") << hay << QByteArray(hay + "needle") << "" << Status::Changed;
    QTest::addRow("same size, other time") << hay << needle << "" << Status::Changed;
#ifdef Q_OS_UNIX
    QTest::addRow("same size and time") << hay << needle << "keep time" << Status::Changed;
#endif
    QTest::addRow("other file, same size and time") << hay << needle << "rename" << Status::Changed;
    QTest::addRow("removed") << hay << none << "remove" << Status::Failed;
    QTest::addRow("created after the pre-scan") << none << needle << "" << Status::Changed;
    QTest::addRow("occurrence gone") << needle << hay << "" << Status::Unchanged;
}

// Whatever happened to the file since its pre-scan, the rewrite ends as one without a verdict
// would end now; only an untouched file is settled by its verdict.
void TestPreScan::stampDecides()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QFETCH(QString, how);
    QFETCH(Status, status);
    const QDateTime time(QDate(2020, 1, 2), QTime(3, 4), Qt::UTC);
    if (!before.isNull())
        QVERIFY(m_tree->write(page, before) && setModified(path(page), time));
    PreScanVerdict verdict = preScan(page);
    const QDateTime changed = QFileInfo(path(page)).metadataChangeTime();
    const QString target = how == "rename" ? u"b"_s : page;
    if (how == "forge")
        verdict.kind = Kind::CannotOccur;
    if (how == "remove")
        QVERIFY(QFile::remove(path(page)));
    // "keep time": a change that only the change time shows.
    if (!after.isNull())
        QTRY_VERIFY(m_tree->write(target, after) &&
                    (how != "keep time" || QFileInfo(path(page)).metadataChangeTime() > changed));
    if (how == "keep time" || how == "rename")
        QVERIFY(setModified(path(target), time));
    if (how == "rename")
        QVERIFY(QFile::remove(path(page)) && QFile::rename(path(target), path(page)));

    const QByteArray current = m_tree->read(page);
    QCOMPARE(RewriteFile(path(page), m_texts, {}, verdict).status, status);
    QCOMPARE(m_tree->read(page),
             status == Status::Changed ? QByteArray(current).replace("needle", "pin") : current);
    QCOMPARE(QDir(m_tree->path()).entryList(QDir::Files | QDir::Hidden).size(),
             how == "remove" ? 0 : 1); // no scratch file left
}

// Looked up through the folder opened for the file before, files get the verdicts they get
// through their whole path; a folder replaced meanwhile is caught by the rewrite, which checks
// the file at its path.
void TestPreScan::openFolder()
{
    for (const char *name : {"a.htm", "c.htm", "sub/e.htm", "d/a.htm", "d/b.htm"})
        QVERIFY(m_tree->write(name, "hay"));
    for (const char *name : {"b.htm", "sub/d.htm"})
        QVERIFY(m_tree->write(name, "a needle"));
    OpenFolder folder;
    for (const QString name : {"a.htm", "sub/d.htm", "b.htm", "sub/e.htm", "./b.htm",
                               "sub/../c.htm", "sub/", "none/a.htm", "a.htm", "d/a.htm"}) {
        const PreScanVerdict through = preScan(name, &folder);
        QCOMPARE(through.kind, preScan(name).kind);
        QVERIFY2(through.stamp == FileStamp::read(path(name)), qPrintable(name));
    }

    QVERIFY(QDir(m_tree->path()).rename(u"d"_s, u"old"_s));
    QVERIFY(m_tree->write(u"d/b.htm"_s, "a needle"));
    const PreScanVerdict stale = preScan(u"d/b.htm"_s, &folder);
    QCOMPARE(stale.kind, Kind::CannotOccur); // of old/b.htm
    QCOMPARE(RewriteFile(path(u"d/b.htm"_s), m_texts, {}, stale).status, Status::Changed);
    QCOMPARE(m_tree->read(u"d/b.htm"_s), QByteArray("a pin"));
    QCOMPARE(m_tree->read(u"old/b.htm"_s), QByteArray("hay"));
}

// A worker asked to stop must not read a large file to its end first.
void TestPreScan::stopEndsTheScan()
{
    std::stop_source stop;
    stop.request_stop();
    QByteArray bytes(64 << 10, '.');
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    SearchPreScan scan(m_texts, {}, 1 << 10, stop.get_token());
    QVERIFY(!scan.scan(buffer, bytes.size()) && scan.stopped());
    QCOMPARE(buffer.pos(), 1 << 10);

    QVERIFY(m_tree->write(page, QByteArray(3 << 20, '.')));
    QCOMPARE(PreScanFile(path(page), m_texts, stop.get_token()).kind, Kind::Failed);
    QCOMPARE(preScan(page).kind, Kind::CannotOccur);
}

void TestPreScan::readAhead_data()
{
    QTest::addColumn<int>("workers");
    QTest::addColumn<qsizetype>("window");
    QTest::addColumn<qsizetype>("taken"); // verdicts taken before the read-ahead is destroyed

    const qsizetype wide = PreScanReadAhead::DefaultWindow;
    QTest::addRow("1 worker, window 2") << 1 << qsizetype(2) << qsizetype(100);
    QTest::addRow("2 workers, window 3") << 2 << qsizetype(3) << qsizetype(100);
    QTest::addRow("3 workers, window 7") << 3 << qsizetype(7) << qsizetype(100);
    QTest::addRow("default") << PreScanReadAhead::DefaultWorkers << wide << qsizetype(100);
    QTest::addRow("no worker: the caller pre-scans") << 0 << qsizetype(2) << qsizetype(100);
    QTest::addRow("destroyed at once") << 2 << qsizetype(2) << qsizetype(0);
    QTest::addRow("destroyed, workers waiting for room") << 2 << qsizetype(2) << qsizetype(1);
    QTest::addRow("destroyed half way") << 2 << qsizetype(2) << qsizetype(50);
}

// Verdicts come in list order. A file a window ahead of the verdicts taken cannot have been
// pre-scanned yet, so it is created only then. Destroying the read-ahead at any point joins
// its workers, so no thread reads files after the run.
void TestPreScan::readAhead()
{
    QFETCH(int, workers);
    QFETCH(qsizetype, window);
    QFETCH(qsizetype, taken);
    // Of 100 files every third holds the search text; f40 is missing, f41 a folder.
    QStringList files;
    for (int i = 0; i < 100; ++i)
        files << path(u"f%1.htm"_s.arg(i));
    const auto create = [&](qsizetype i) {
        return i >= files.size() || i == 40 ||
               (i == 41 ? QDir().mkdir(files.at(i))
                        : m_tree->write(files.at(i), i % 3 ? "a pin\r\n" : "a needle\r\n"));
    };
    for (qsizetype i = 0; i < window; ++i)
        QVERIFY(create(i));
    const qsizetype threads = threadCount();
    QThread *const caller = QThread::currentThread();
    bool calledElsewhere = false;
    {
        PreScanReadAhead readAhead(files, u"needle"_s, u"pin"_s, workers, window);
        if (threads > 0 && window < files.size()) // else they may be done and gone already
            QCOMPARE(threadCount(), threads + workers);
        for (qsizetype i = 0; i < taken; ++i) {
            QVERIFY(create(i + window));
            const PreScanVerdict verdict =
                readAhead.next([&] { calledElsewhere |= QThread::currentThread() != caller; });
            QCOMPARE(verdict.kind, i == 40 || i == 41 ? Kind::Failed
                                   : i % 3 == 0       ? Kind::MayOccur
                                                      : Kind::CannotOccur);
            QCOMPARE(verdict.stamp, FileStamp::read(files.at(i)));
        }
    }
    QVERIFY(!calledElsewhere);
    if (threads > 0)
        QTRY_COMPARE(threadCount(), threads);
}

QTEST_GUILESS_MAIN(TestPreScan)
#include "tst_prescan.moc"
