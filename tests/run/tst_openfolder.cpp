// The open folder through which the worker looks files up: the same verdicts as through the
// whole path, and a stale folder caught by the rewrite.

#include "OpenFolder.h"
#include "PreScanFile.h"
#include "ReplacementTexts.h"
#include "RewriteFile.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using Kind = PreScanVerdict::Kind;
using Status = RewriteResult::Status;

class TestOpenFolder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void openFolderLooksUpTheSameFiles_data();
    void openFolderLooksUpTheSameFiles();
    void staleOpenFolderIsCaughtByTheRewrite();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    bool write(const QString &name, const QByteArray &bytes) const;
    QByteArray read(const QString &name) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_startFolder;
};

void TestOpenFolder::initTestCase()
{
    m_startFolder = QDir::currentPath();
}

void TestOpenFolder::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

bool TestOpenFolder::write(const QString &name, const QByteArray &bytes) const
{
    QFile file(path(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray TestOpenFolder::read(const QString &name) const
{
    QFile file(path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void TestOpenFolder::openFolderLooksUpTheSameFiles_data()
{
    QTest::addColumn<QStringList>("names"); // pre-scanned in this order with one OpenFolder
    QTest::addRow("one folder") << QStringList{"a.htm", "b.htm", "c.htm"};
    QTest::addRow("folders in turn") << QStringList{"a.htm", "sub/d.htm", "b.htm", "sub/e.htm"};
    QTest::addRow("spelt other ways") << QStringList{"a.htm", "./b.htm", "sub/../c.htm", "sub/"};
    QTest::addRow("missing folder") << QStringList{"none/a.htm", "a.htm"};
    QTest::addRow("relative to the working folder") << QStringList{"@a.htm", "@sub/d.htm"};
}

// Looking files up from the open folder changes nothing in the verdicts.
void TestOpenFolder::openFolderLooksUpTheSameFiles()
{
    QFETCH(QStringList, names);
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("sub")));
    for (const QString name : {"a.htm", "c.htm", "sub/e.htm"})
        QVERIFY(write(name, "hay"));
    for (const QString name : {"b.htm", "sub/d.htm"})
        QVERIFY(write(name, "a needle"));
    const auto restore = qScopeGuard([this] { QDir::setCurrent(m_startFolder); });
    QVERIFY(QDir::setCurrent(m_dir->path()));

    ReplacementTexts texts(QStringLiteral("needle"), QStringLiteral("pin"));
    OpenFolder folder;
    for (const QString &name : std::as_const(names)) {
        const QString file = name.startsWith(u'@') ? name.mid(1) : path(name);
        const PreScanVerdict through = PreScanFile(file, texts, {}, &folder);
        const PreScanVerdict direct = PreScanFile(file, texts);
        QCOMPARE(through.kind, direct.kind);
        QVERIFY2(through.stamp == direct.stamp, qPrintable(name));
    }
}

// An open folder can be stale: here the folder was replaced by another of the same name. The
// verdict then describes the old file, and the rewrite, checking the path, finds that out.
void TestOpenFolder::staleOpenFolderIsCaughtByTheRewrite()
{
    QDir dir(m_dir->path());
    QVERIFY(dir.mkdir(QStringLiteral("d")));
    QVERIFY(write(QStringLiteral("d/a.htm"), "hay"));
    QVERIFY(write(QStringLiteral("d/b.htm"), "hay"));
    ReplacementTexts texts(QStringLiteral("needle"), QStringLiteral("pin"));
    OpenFolder folder;
    QCOMPARE(PreScanFile(path(QStringLiteral("d/a.htm")), texts, {}, &folder).kind,
             Kind::CannotOccur);

    QVERIFY(dir.rename(QStringLiteral("d"), QStringLiteral("old")));
    QVERIFY(dir.mkdir(QStringLiteral("d")));
    QVERIFY(write(QStringLiteral("d/b.htm"), "a needle"));
    const PreScanVerdict verdict = PreScanFile(path(QStringLiteral("d/b.htm")), texts, {}, &folder);

    const RewriteResult result = RewriteFile(path(QStringLiteral("d/b.htm")), texts, {}, verdict);
    QCOMPARE(result.status, Status::Changed);
    QCOMPARE(read(QStringLiteral("d/b.htm")), QByteArray("a pin"));
    QCOMPARE(read(QStringLiteral("old/b.htm")), QByteArray("hay"));
}

QTEST_GUILESS_MAIN(TestOpenFolder)
#include "tst_openfolder.moc"
