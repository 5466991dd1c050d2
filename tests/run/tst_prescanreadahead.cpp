// The read-ahead on its own: verdicts come in list order whatever the workers and the window,
// and the workers are gone once the object is.

#include "PreScanReadAhead.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using Kind = PreScanVerdict::Kind;

namespace {

constexpr int fileCount = 100;

#ifdef Q_OS_LINUX
qsizetype threadCount()
{
    return QDir(QStringLiteral("/proc/self/task"))
        .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
        .size();
}
#endif

} // namespace

class TestPreScanReadAhead : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void verdictsInListOrder_data();
    void verdictsInListOrder();
    void workersEndWithTheObject_data();
    void workersEndWithTheObject();

private:
    Kind expectedKind(qsizetype index) const;

    QTemporaryDir m_dir;
    QStringList m_files;
};

// Every third file holds the search text; one path names nothing and one a folder.
void TestPreScanReadAhead::initTestCase()
{
    QVERIFY(m_dir.isValid());
    for (int i = 0; i < fileCount; ++i) {
        const QString path = m_dir.filePath(QStringLiteral("f%1.htm").arg(i));
        m_files << path;
        if (i == 40)
            continue;
        if (i == 41) {
            QVERIFY(QDir(m_dir.path()).mkdir(QFileInfo(path).fileName()));
            continue;
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write(i % 3 == 0 ? "a needle\r\n" : "a pin\r\n") > 0);
    }
}

Kind TestPreScanReadAhead::expectedKind(qsizetype index) const
{
    if (index == 40 || index == 41)
        return Kind::Failed;
    return index % 3 == 0 ? Kind::MayOccur : Kind::CannotOccur;
}

void TestPreScanReadAhead::verdictsInListOrder_data()
{
    QTest::addColumn<int>("workers");
    QTest::addColumn<qsizetype>("window");
    QTest::addRow("one worker, window 2") << 1 << qsizetype(2);
    QTest::addRow("two workers, window 2") << 2 << qsizetype(2);
    QTest::addRow("two workers, window 3") << 2 << qsizetype(3);
    QTest::addRow("three workers, window 7") << 3 << qsizetype(7);
    QTest::addRow("default, window wider than the list")
        << PreScanReadAhead::DefaultWorkers << PreScanReadAhead::DefaultWindow;
    QTest::addRow("no worker: the caller pre-scans every file")
        << 0 << PreScanReadAhead::DefaultWindow;
}

void TestPreScanReadAhead::verdictsInListOrder()
{
    QFETCH(int, workers);
    QFETCH(qsizetype, window);
    QThread *const caller = QThread::currentThread();
    bool calledElsewhere = false;
    PreScanReadAhead readAhead(m_files, QStringLiteral("needle"), QStringLiteral("pin"), workers,
                               window);
    for (qsizetype i = 0; i < m_files.size(); ++i) {
        const PreScanVerdict verdict =
            readAhead.next([&] { calledElsewhere |= QThread::currentThread() != caller; });
        QCOMPARE(verdict.kind, expectedKind(i));
        const std::optional<FileStamp> stamp = FileStamp::read(m_files.at(i));
        QCOMPARE(verdict.stamp.has_value(), stamp.has_value());
        if (stamp)
            QVERIFY(verdict.stamp->identity() == stamp->identity());
    }
    QVERIFY(!calledElsewhere);
}

void TestPreScanReadAhead::workersEndWithTheObject_data()
{
    QTest::addColumn<qsizetype>("taken");
    QTest::addRow("none taken") << qsizetype(0);
    QTest::addRow("one taken, workers waiting for room") << qsizetype(1);
    QTest::addRow("half taken") << qsizetype(fileCount / 2);
    QTest::addRow("all taken") << qsizetype(fileCount);
}

// Destroying the read-ahead at any point stops and joins its workers: no thread is left behind
// to read files after the run.
void TestPreScanReadAhead::workersEndWithTheObject()
{
    QFETCH(qsizetype, taken);
    constexpr int workers = 2;
#ifdef Q_OS_LINUX
    const qsizetype before = threadCount();
#endif
    {
        PreScanReadAhead readAhead(m_files, QStringLiteral("needle"), QStringLiteral("pin"),
                                   workers, 2);
#ifdef Q_OS_LINUX
        QCOMPARE(threadCount(), before + workers);
#endif
        for (qsizetype i = 0; i < taken; ++i)
            QCOMPARE(readAhead.next({}).kind, expectedKind(i));
    }
#ifdef Q_OS_LINUX
    QCOMPARE(threadCount(), before);
#endif
}

QTEST_GUILESS_MAIN(TestPreScanReadAhead)
#include "tst_prescanreadahead.moc"
