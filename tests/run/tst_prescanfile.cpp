// The pre-scan that runs ahead of the rewrite, and how far the rewrite trusts its verdict: only
// while the file keeps the stamp the pre-scan saw.

#include "PreScanFile.h"
#include "ReplacementTexts.h"
#include "RewriteFile.h"
#include "SearchPreScan.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using Kind = PreScanVerdict::Kind;
using Status = RewriteResult::Status;

namespace {

const QString fileName = QStringLiteral("a.htm");

// What a test does to the file between its pre-scan and its rewrite.
enum class Change {
    None,
    AppendNeedle,          // the size changes
    SameSizeOtherTime,     // the same number of bytes, another modification time
    ReplacedByRename,      // another file, same size, same modification time
    Removed,               // the path names nothing
    CreatedAfterPreScan,   // there was nothing to pre-scan
    NeedleRemovedSameSize, // a verdict that the search text may occur, no longer true
};

} // namespace

class TestPreScanFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void verdict_data();
    void verdict();
    void rewriteChecksTheStamp_data();
    void rewriteChecksTheStamp();
    void matchingStampIsTrusted();
    void stopEndsTheScan();

private:
    QString path(const QString &name = fileName) const { return m_dir->filePath(name); }
    bool write(const QString &name, const QByteArray &bytes) const;
    QByteArray read(const QString &name = fileName) const;
    void apply(Change change, const QByteArray &before);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestPreScanFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

bool TestPreScanFile::write(const QString &name, const QByteArray &bytes) const
{
    QFile file(path(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray TestPreScanFile::read(const QString &name) const
{
    QFile file(path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void TestPreScanFile::verdict_data()
{
    QTest::addColumn<QByteArray>("bytes"); // "<folder>" makes a folder, "<none>" nothing
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<FileEncoding>("encoding");
    QTest::addColumn<bool>("stamped");

    const auto utf8 = FileEncoding::Utf8;
    QTest::addRow("no occurrence") << QByteArray("hay\r\nhay") << Kind::CannotOccur << utf8 << true;
    QTest::addRow("empty file") << QByteArray() << Kind::CannotOccur << utf8 << true;
    QTest::addRow("occurrence") << QByteArray("hay needle") << Kind::MayOccur << utf8 << true;
    QTest::addRow("occurrence, UTF-16 LE") << QByteArray("\xFF\xFEn\0e\0e\0d\0l\0e\0", 14)
                                           << Kind::MayOccur << FileEncoding::Utf16LE << true;
    QTest::addRow("broken by a line break")
        << QByteArray("nee\r\ndle") << Kind::CannotOccur << utf8 << true;
    QTest::addRow("missing") << QByteArray("<none>") << Kind::Failed << utf8 << false;
    QTest::addRow("folder") << QByteArray("<folder>") << Kind::Failed << utf8 << true;
}

void TestPreScanFile::verdict()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Kind, kind);
    QFETCH(FileEncoding, encoding);
    QFETCH(bool, stamped);
    if (bytes == "<folder>")
        QVERIFY(QDir(m_dir->path()).mkdir(fileName));
    else if (bytes != "<none>")
        QVERIFY(write(fileName, bytes));

    ReplacementTexts texts(QStringLiteral("needle"), QStringLiteral("pin"));
    const PreScanVerdict verdict = PreScanFile(path(), texts);

    QCOMPARE(verdict.kind, kind);
    QCOMPARE(verdict.stamp.has_value(), stamped);
    QCOMPARE(verdict.reason.isEmpty(), kind != Kind::Failed);
    if (kind != Kind::Failed) {
        QCOMPARE(verdict.scan.encoding, encoding);
        QCOMPARE(verdict.stamp, FileStamp::read(path()));
        QCOMPARE(verdict.stamp->size(), qint64(bytes.size()));
    }
    if (bytes != "<folder>" && bytes != "<none>")
        QCOMPARE(read(), bytes); // a pre-scan only reads
}

void TestPreScanFile::apply(Change change, const QByteArray &before)
{
    QByteArray after = before;
    switch (change) {
    case Change::None:
    case Change::CreatedAfterPreScan:
        return;
    case Change::AppendNeedle:
        QVERIFY(write(fileName, before + " needle"));
        return;
    case Change::SameSizeOtherTime:
    case Change::ReplacedByRename: {
        const QDateTime modified = QFileInfo(path()).lastModified();
        const QString target =
            change == Change::ReplacedByRename ? QStringLiteral("b.htm") : fileName;
        QVERIFY(write(target, after.replace("hay123", "needle")));
        QFile file(path(target));
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QDateTime time =
            change == Change::ReplacedByRename ? modified : modified.addSecs(-60);
        QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
        file.close();
        if (change == Change::ReplacedByRename)
            QVERIFY(QFile::remove(path()) && QFile::rename(path(QStringLiteral("b.htm")), path()));
        return;
    }
    case Change::Removed:
        QVERIFY(QFile::remove(path()));
        return;
    case Change::NeedleRemovedSameSize:
        QVERIFY(write(fileName, after.replace("needle", "hay123")));
        return;
    }
}

void TestPreScanFile::rewriteChecksTheStamp_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<Change>("change");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<Status>("status");
    QTest::addColumn<QByteArray>("after");

    const QByteArray hay("one hay123 two\r\n");
    const QByteArray needle("one needle two\r\n");
    QTest::addRow("unchanged file, no occurrence")
        << hay << Change::None << Kind::CannotOccur << Status::Unchanged << hay;
    QTest::addRow("unchanged file, occurrence") << needle << Change::None << Kind::MayOccur
                                                << Status::Changed << QByteArray("one pin two\r\n");
    QTest::addRow("grown by an occurrence")
        << hay << Change::AppendNeedle << Kind::CannotOccur << Status::Changed
        << QByteArray("one hay123 two\r\n pin");
    QTest::addRow("same size, other modification time")
        << hay << Change::SameSizeOtherTime << Kind::CannotOccur << Status::Changed
        << QByteArray("one pin two\r\n");
    QTest::addRow("replaced by another file of the same size and time")
        << hay << Change::ReplacedByRename << Kind::CannotOccur << Status::Changed
        << QByteArray("one pin two\r\n");
    QTest::addRow("removed") << hay << Change::Removed << Kind::CannotOccur << Status::Failed
                             << QByteArray("<unreadable>");
    QTest::addRow("created after the pre-scan")
        << needle << Change::CreatedAfterPreScan << Kind::Failed << Status::Changed
        << QByteArray("one pin two\r\n");
    QTest::addRow("occurrence gone since the pre-scan")
        << needle << Change::NeedleRemovedSameSize << Kind::MayOccur << Status::Unchanged << hay;
}

// Whatever happened to the file since its pre-scan, the rewrite ends as a rewrite without a
// verdict would end now.
void TestPreScanFile::rewriteChecksTheStamp()
{
    QFETCH(QByteArray, before);
    QFETCH(Change, change);
    QFETCH(Kind, kind);
    QFETCH(Status, status);
    QFETCH(QByteArray, after);
    if (change != Change::CreatedAfterPreScan)
        QVERIFY(write(fileName, before));

    ReplacementTexts texts(QStringLiteral("needle"), QStringLiteral("pin"));
    const PreScanVerdict verdict = PreScanFile(path(), texts);
    QCOMPARE(verdict.kind, kind);
    if (change == Change::CreatedAfterPreScan)
        QVERIFY(write(fileName, before));
    apply(change, before);
    if (QTest::currentTestFailed())
        return;

    const RewriteResult result = RewriteFile(path(), texts, {}, verdict);
    QCOMPARE(result.status, status);
    QCOMPARE(read(), after);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden).size(),
             change == Change::Removed ? 0 : 1); // no scratch file left
}

// The point of the verdict: a file whose stamp is the one pre-scanned is not read again. A
// verdict made up for a file that does hold the search text shows that nothing reads it.
void TestPreScanFile::matchingStampIsTrusted()
{
    const QByteArray needle("one needle two\r\n");
    QVERIFY(write(fileName, needle));
    PreScanVerdict verdict;
    verdict.kind = Kind::CannotOccur;
    verdict.stamp = FileStamp::read(path());
    QVERIFY(verdict.stamp);

    ReplacementTexts texts(QStringLiteral("needle"), QStringLiteral("pin"));
    QCOMPARE(RewriteFile(path(), texts, {}, verdict).status, Status::Unchanged);
    QCOMPARE(read(), needle);

    QVERIFY(write(QStringLiteral("b.htm"), "other"));
    verdict.stamp = FileStamp::read(path(QStringLiteral("b.htm")));
    QCOMPARE(RewriteFile(path(), texts, {}, verdict).status, Status::Changed);
    QCOMPARE(read(), QByteArray("one pin two\r\n"));
}

// A worker asked to stop must not read a large file to its end first.
void TestPreScanFile::stopEndsTheScan()
{
    QByteArray bytes(64 << 10, '.');
    ReplacementTexts texts(QStringLiteral("needle"), QStringLiteral("pin"));
    std::stop_source stop;
    stop.request_stop();

    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    SearchPreScan preScan(texts, {}, 1 << 10, stop.get_token());
    QVERIFY(!preScan.scan(buffer, bytes.size()));
    QVERIFY(preScan.stopped());
    QCOMPARE(buffer.pos(), 1 << 10);

    QVERIFY(write(fileName, QByteArray(3 << 20, '.')));
    const PreScanVerdict verdict = PreScanFile(path(), texts, stop.get_token());
    QCOMPARE(verdict.kind, Kind::Failed);
    QVERIFY(PreScanFile(path(), texts).kind == Kind::CannotOccur);
}

QTEST_GUILESS_MAIN(TestPreScanFile)
#include "tst_prescanfile.moc"
