#include "RunObserver.h"
#include "SearchReplaceRun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

// Records every report as one line, so a test compares the whole sequence at once.
class RecordingObserver : public RunObserver
{
public:
    void fileStarted(qsizetype index, qsizetype count, const QString &path) override
    {
        events << QStringLiteral("start %1/%2 %3").arg(index).arg(count).arg(name(path));
        if (onStarted)
            onStarted(index);
    }
    void fileChanged(const QString &path) override { events << "changed " + name(path); }
    void fileFailed(const QString &path, const QString &reason) override
    {
        events << "failed " + name(path);
        reasons << reason;
    }
    void folderFailed(const QString &folder, const QString &reason) override
    {
        events << "folder failed " + name(folder);
        reasons << reason;
    }
    bool stopRequested() override { return stopAfter >= 0 && events.size() >= stopAfter; }

    QString root;
    QStringList events;
    QStringList reasons;
    qsizetype stopAfter = -1;
    std::function<void(qsizetype)> onStarted;

private:
    QString name(const QString &path) const
    {
        return QDir(root).relativeFilePath(QDir::fromNativeSeparators(path));
    }
};

} // namespace

class TestSearchReplaceRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void listing_data();
    void listing();
    void processing_data();
    void processing();
    void stopsOnlyBetweenFiles();
    void sameFileReachedTwiceIsDoneOnce_data();
    void sameFileReachedTwiceIsDoneOnce();
    void fileThatGainsTheTextAfterItsPreScan();
    void manyFilesInListOrder();

private:
    void write(const QString &name, const QByteArray &bytes);
    QByteArray read(const QString &name) const;
    QStringList paths(const QStringList &names) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    RecordingObserver m_observer;
};

void TestSearchReplaceRun::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_observer = RecordingObserver();
    m_observer.root = m_dir->path();
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("sub")));
    write(QStringLiteral("b.htm"), "one needle\r\n");
    write(QStringLiteral("a.html"), "no match here\r\n");
    write(QStringLiteral("sub/c.htm"), "needle and needle");
    write(QStringLiteral("notes.txt"), "needle");
}

void TestSearchReplaceRun::write(const QString &name, const QByteArray &bytes)
{
    QFile file(m_dir->filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray TestSearchReplaceRun::read(const QString &name) const
{
    QFile file(m_dir->filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QStringList TestSearchReplaceRun::paths(const QStringList &names) const
{
    QStringList list;
    for (const QString &name : names)
        list << m_dir->path() + u'/' + name;
    return list;
}

void TestSearchReplaceRun::listing_data()
{
    QTest::addColumn<bool>("subfolders");
    QTest::addColumn<QStringList>("expected");
    QTest::addRow("own files only") << false << QStringList{"a.html", "b.htm"};
    QTest::addRow("subfolders first") << true << QStringList{"sub/c.htm", "a.html", "b.htm"};
}

void TestSearchReplaceRun::listing()
{
    QFETCH(bool, subfolders);
    QFETCH(QStringList, expected);
    SearchReplaceRun run(QStringLiteral("needle"), QStringLiteral("pin"), m_observer);
    QStringList names;
    for (const QString &path : run.collect(m_dir->path(), subfolders))
        names << QDir(m_dir->path()).relativeFilePath(QDir::fromNativeSeparators(path));
    QCOMPARE(names, expected);
    QVERIFY(m_observer.events.isEmpty());
}

void TestSearchReplaceRun::processing_data()
{
    QTest::addColumn<bool>("readOnlyB");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QByteArray>("bAfter");

    QTest::addRow("all writable") << false
                                  << QStringList{"start 0/3 sub/c.htm", "changed sub/c.htm",
                                                 "start 1/3 a.html", "start 2/3 b.htm",
                                                 "changed b.htm"}
                                  << QByteArray("one pin\r\n");
    // A file that fails is reported and the run goes on with the next one.
    QTest::addRow("failing file in the middle")
        << true
        << QStringList{"start 0/3 sub/c.htm", "changed sub/c.htm", "start 1/3 a.html",
                       "start 2/3 b.htm", "failed b.htm"}
        << QByteArray("one needle\r\n");
}

void TestSearchReplaceRun::processing()
{
    QFETCH(bool, readOnlyB);
    QFETCH(QStringList, events);
    QFETCH(QByteArray, bAfter);
    if (readOnlyB)
        QVERIFY(QFile::setPermissions(m_dir->filePath(QStringLiteral("b.htm")),
                                      QFile::ReadOwner | QFile::ReadGroup));

    SearchReplaceRun run(QStringLiteral("needle"), QStringLiteral("pin"), m_observer);
    QVERIFY(run.process(run.collect(m_dir->path(), true)));

    QCOMPARE(m_observer.events, events);
    QCOMPARE(read(QStringLiteral("b.htm")), bAfter);
    QCOMPARE(read(QStringLiteral("sub/c.htm")), QByteArray("pin and pin"));
    QCOMPARE(read(QStringLiteral("a.html")), QByteArray("no match here\r\n"));
    QCOMPARE(read(QStringLiteral("notes.txt")), QByteArray("needle"));
    for (const QString &reason : std::as_const(m_observer.reasons))
        QVERIFY2(!reason.isEmpty(), "a failure must say why");
}

void TestSearchReplaceRun::stopsOnlyBetweenFiles()
{
    m_observer.stopAfter = 2; // after the first file has been started and changed
    SearchReplaceRun run(QStringLiteral("needle"), QStringLiteral("pin"), m_observer);
    QVERIFY(!run.process(run.collect(m_dir->path(), true)));
    QCOMPARE(m_observer.events, (QStringList{"start 0/3 sub/c.htm", "changed sub/c.htm"}));
    QCOMPARE(read(QStringLiteral("b.htm")), QByteArray("one needle\r\n"));
}

void TestSearchReplaceRun::sameFileReachedTwiceIsDoneOnce_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("readOnlyB");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QByteArray>("bAfter");

    QTest::addRow("two spellings, changed once")
        << QStringList{"b.htm", "./b.htm"} << false
        << QStringList{"start 0/2 b.htm", "changed b.htm", "start 1/2 b.htm"}
        << QByteArray("one pin\r\n");
    // Without the check the refusal would be reported once per path.
    QTest::addRow("three spellings, failed once")
        << QStringList{"b.htm", "sub/../b.htm", "./b.htm"} << true
        << QStringList{"start 0/3 b.htm", "failed b.htm", "start 1/3 b.htm", "start 2/3 b.htm"}
        << QByteArray("one needle\r\n");
    QTest::addRow("other files with the same text are not the same file")
        << QStringList{"b.htm", "b2.htm", "./b2.htm"} << false
        << QStringList{"start 0/3 b.htm", "changed b.htm", "start 1/3 b2.htm", "changed b2.htm",
                       "start 2/3 b2.htm"}
        << QByteArray("one pin\r\n");
}

// Two paths can name one file (a bind mount, a case-insensitive file system, a path spelt
// another way): the file is rewritten and reported once.
void TestSearchReplaceRun::sameFileReachedTwiceIsDoneOnce()
{
    QFETCH(QStringList, names);
    QFETCH(bool, readOnlyB);
    QFETCH(QStringList, events);
    QFETCH(QByteArray, bAfter);
    write(QStringLiteral("b2.htm"), "one needle\r\n");
    if (readOnlyB)
        QVERIFY(QFile::setPermissions(m_dir->filePath(QStringLiteral("b.htm")),
                                      QFile::ReadOwner | QFile::ReadGroup));

    SearchReplaceRun run(QStringLiteral("needle"), QStringLiteral("pin"), m_observer);
    QVERIFY(run.process(paths(names)));

    QCOMPARE(m_observer.events, events);
    QCOMPARE(m_observer.reasons.size(), readOnlyB ? 1 : 0);
    QCOMPARE(read(QStringLiteral("b.htm")), bAfter);
}

// The worker pre-scans ahead; a file that gets the search text after its pre-scan must not be
// taken for one without it.
void TestSearchReplaceRun::fileThatGainsTheTextAfterItsPreScan()
{
    QStringList names;
    for (int i = 0; i < 10; ++i) {
        names << QStringLiteral("f%1.htm").arg(i);
        write(names.last(), "no match\r\n");
    }
    // By then the worker has most likely pre-scanned file 5 already; rewritten it must be
    // either way.
    m_observer.onStarted = [this](qsizetype index) {
        if (index == 1)
            write(QStringLiteral("f5.htm"), "a longer needle\r\n");
    };
    SearchReplaceRun run(QStringLiteral("needle"), QStringLiteral("pin"), m_observer);
    QVERIFY(run.process(paths(names)));
    QVERIFY(m_observer.events.contains(QStringLiteral("changed f5.htm")));
    QCOMPARE(read(QStringLiteral("f5.htm")), QByteArray("a longer pin\r\n"));
}

// More files than the worker hands over at once: the reports stay in list order.
void TestSearchReplaceRun::manyFilesInListOrder()
{
    QStringList names;
    QStringList expected;
    constexpr int count = 300;
    for (int i = 0; i < count; ++i) {
        names << QStringLiteral("f%1.htm").arg(i);
        write(names.last(), i % 7 == 0 ? "a needle\n" : "a pin\n");
        expected << QStringLiteral("start %1/%2 %3").arg(i).arg(count).arg(names.last());
        if (i % 7 == 0)
            expected << QStringLiteral("changed ") + names.last();
    }
    SearchReplaceRun run(QStringLiteral("needle"), QStringLiteral("pin"), m_observer);
    QVERIFY(run.process(paths(names)));
    QCOMPARE(m_observer.events, expected);
    QCOMPARE(read(QStringLiteral("f7.htm")), QByteArray("a pin\n"));
}

QTEST_GUILESS_MAIN(TestSearchReplaceRun)
#include "tst_searchreplacerun.moc"
