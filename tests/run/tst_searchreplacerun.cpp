#include "RunObserver.h"
#include "SearchReplaceRun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Records every report as one line, so a test compares the whole sequence at once.
class RecordingObserver : public RunObserver
{
public:
    void fileStarted(qsizetype index, qsizetype count, const QString &path) override
    {
        events << QStringLiteral("start %1/%2 %3").arg(index).arg(count).arg(name(path));
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

private:
    void write(const QString &name, const QByteArray &bytes);
    QByteArray read(const QString &name) const;

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

QTEST_GUILESS_MAIN(TestSearchReplaceRun)
#include "tst_searchreplacerun.moc"
