#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The batch tool's interface (arguments, output lines, exit status) is what benchmarks and
// end-to-end checks build on, so it is pinned down here from the outside.
class TestBatch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void interface_data();
    void interface();

private:
    void write(const QString &name, const QByteArray &bytes);
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestBatch::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("sub")));
    write(QStringLiteral("z.htm"), "cat\n");
    write(QStringLiteral("sub/y.htm"), "cat cat\r\n");
    write(QStringLiteral("x.htm"), "dog\n");
}

void TestBatch::write(const QString &name, const QByteArray &bytes)
{
    QFile file(m_dir->filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

void TestBatch::interface_data()
{
    QTest::addColumn<QStringList>("args"); // "@" stands for the fixture folder
    QTest::addColumn<bool>("readOnlyZ");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("stdoutLines"); // relative to the fixture folder
    QTest::addColumn<QString>("stderrStart");     // "@/" stands for the fixture folder

    QTest::addRow("own files") << QStringList{"@", "cat", "mouse"} << false << 0
                               << QStringList{"z.htm"} << QString();
    QTest::addRow("subfolders") << QStringList{"--subfolders", "@", "cat", "mouse"} << false << 0
                                << QStringList{"sub/y.htm", "z.htm"} << QString();
    QTest::addRow("failure goes to stderr, run goes on")
        << QStringList{"--subfolders", "@", "cat", "mouse"} << true << 1 << QStringList{"sub/y.htm"}
        << QStringLiteral("@/z.htm: ");
    QTest::addRow("equal texts refused")
        << QStringList{"@", "cat", "cat"} << false << 2 << QStringList{}
        << QStringLiteral("The two text-fields must not");
    QTest::addRow("growing replacement refused")
        << QStringList{"@", "cat", "cats"} << false << 2 << QStringList{}
        << QStringLiteral("The text to replace with must not contain");
    QTest::addRow("empty text refused") << QStringList{"@", "", "x"} << false << 2 << QStringList{}
                                        << QStringLiteral("Please fill out");
    QTest::addRow("missing folder refused") << QStringList{"@/nope", "cat", "x"} << false << 2
                                            << QStringList{} << QStringLiteral("The folder");
    QTest::addRow("usage") << QStringList{"@", "cat"} << false << 2 << QStringList{}
                           << QStringLiteral("usage: tagmender-batch");
}

void TestBatch::interface()
{
    QFETCH(QStringList, args);
    QFETCH(bool, readOnlyZ);
    QFETCH(int, exitCode);
    QFETCH(QStringList, stdoutLines);
    QFETCH(QString, stderrStart);
    const QString root = m_dir->path();
    args.replaceInStrings(QStringLiteral("@"), root);
    if (readOnlyZ)
        QVERIFY(QFile::setPermissions(m_dir->filePath(QStringLiteral("z.htm")), QFile::ReadOwner));

    QProcess batch;
    batch.start(QStringLiteral(TAGMENDER_BATCH), args);
    QVERIFY(batch.waitForFinished(60000));
    QCOMPARE(batch.exitStatus(), QProcess::NormalExit);
    QCOMPARE(batch.exitCode(), exitCode);

    QStringList expected;
    for (const QString &name : std::as_const(stdoutLines))
        expected << QDir::toNativeSeparators(root + '/' + name);
    const QString out = QString::fromLocal8Bit(batch.readAllStandardOutput());
    QCOMPARE(out.split('\n', Qt::SkipEmptyParts), expected);
    const QString err = QString::fromLocal8Bit(batch.readAllStandardError());
    stderrStart.replace(QStringLiteral("@/"), QDir::toNativeSeparators(root + '/'));
    QVERIFY2(stderrStart.isEmpty() ? err.isEmpty() : err.startsWith(stderrStart), qPrintable(err));
    if (exitCode == 2) {
        QFile x(m_dir->filePath(QStringLiteral("z.htm")));
        QVERIFY(x.open(QIODevice::ReadOnly));
        QCOMPARE(x.readAll(), QByteArray("cat\n")); // refused input touches nothing
    }
}

QTEST_GUILESS_MAIN(TestBatch)
#include "tst_batch.moc"
