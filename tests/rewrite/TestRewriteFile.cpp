// What RewriteFile makes of a file's bytes: line breaks, encodings, failures that leave the file
// as it was, the modification time of an unchanged file, large files.

#include "ReplacementTexts.h"
#include "RewriteFile.h"
#include "RewriteFixture.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTest>

using Status = RewriteResult::Status;

namespace {

const QString fileName = QStringLiteral("x.htm");

QByteArray utf16le(const QString &text)
{
    return QStringEncoder(QStringConverter::Utf16LE).encode(text);
}

QByteArray utf16be(const QString &text)
{
    return QStringEncoder(QStringConverter::Utf16BE).encode(text);
}

QDateTime oldTime()
{
    return QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6, 789), Qt::UTC);
}

} // namespace

class TestRewriteFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rewrite_data();
    void rewrite();
    void unchangedKeepsModificationTime_data();
    void unchangedKeepsModificationTime();
    void textsServeFilesOfEveryEncoding();
    void largeFileIsStreamedAndYields();
};

void TestRewriteFile::rewrite_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<Status>("status");
    QTest::addColumn<QString>("reason");

    const QByteArray bom8("\xEF\xBB\xBF");
    const QString e = QStringLiteral("\u00e9"); // é
    // clang-format off
    QTest::addRow("empty file") << QByteArray() << "a" << "b" << QByteArray() << Status::Unchanged << "";
    QTest::addRow("no occurrence") << QByteArray("abc\r\n") << "x" << "y" << QByteArray("abc\r\n") << Status::Unchanged << "";
    QTest::addRow("only in unterminated last line") << QByteArray("one\r\ntwo x") << "x" << "y" << QByteArray("one\r\ntwo y") << Status::Changed << "";
    QTest::addRow("CR LF kept") << QByteArray("a x\r\nb\r\nx c\r\n") << "x" << "yy" << QByteArray("a yy\r\nb\r\nyy c\r\n") << Status::Changed << "";
    QTest::addRow("CR only kept") << QByteArray("a x\rb\rx\r") << "x" << "y" << QByteArray("a y\rb\ry\r") << Status::Changed << "";
    QTest::addRow("LF only kept") << QByteArray("a x\nb\nx") << "x" << "y" << QByteArray("a y\nb\ny") << Status::Changed << "";
    QTest::addRow("mixed line breaks kept") << QByteArray("x\r\nx\rx\nx\r\r\n") << "x" << "y" << QByteArray("y\r\ny\ry\ny\r\r\n") << Status::Changed << "";
    QTest::addRow("LF of CR LF not matched") << QByteArray("a\r\nb") << "\nb" << "-" << QByteArray("a\r\nb") << Status::Unchanged << "";
    QTest::addRow("lone LF matched") << QByteArray("a\nb\r\n") << "\nb" << "-" << QByteArray("a-\r\n") << Status::Changed << "";
    QTest::addRow("LF after CR LF matched") << QByteArray("a\r\n\nb") << "\nb" << "-" << QByteArray("a\r\n-") << Status::Changed << "";
    QTest::addRow("CR in search never matches") << QByteArray("a\rb") << "a\rb" << "c" << QByteArray("a\rb") << Status::Unchanged << "";
    QTest::addRow("search split across lines") << QByteArray("ab\r\ncd") << "bc" << "x" << QByteArray("ab\r\ncd") << Status::Unchanged << "";
    QTest::addRow("repeated until none left") << QByteArray("aaaa\r\nab") << "aa" << "a" << QByteArray("a\r\nab") << Status::Changed << "";
    QTest::addRow("case-sensitive") << QByteArray("ABC abc") << "abc" << "X" << QByteArray("ABC X") << Status::Changed << "";
    QTest::addRow("UTF-8 with BOM") << bom8 + "caf\xC3\xA9\r\n" << e << "e" << bom8 + "cafe\r\n" << Status::Changed << "";
    QTest::addRow("UTF-8 BOM alone") << bom8 << "a" << "b" << bom8 << Status::Unchanged << "";
    QTest::addRow("UTF-8 BOM never matched") << bom8 + "a" << QChar(0xFEFF) + QString("a") << "b" << bom8 + "a" << Status::Unchanged << "";
    QTest::addRow("UTF-8 without BOM") << QByteArray("na\xC3\xAFve \xE2\x82\xAC\r\n") << "\u00efve \u20ac" << "\u00eff" << QByteArray("na\xC3\xAF" "f\r\n") << Status::Changed << "";
    QTest::addRow("UTF-8 file, search in Windows-1252 bytes") << QByteArray("caf\xC3\xA9") << "\u00c3\u00a9" << "x" << QByteArray("caf\xC3\xA9") << Status::Unchanged << "";
    QTest::addRow("Windows-1252 typed e acute") << QByteArray("caf\xE9 \x80\r\n") << e << "\u00e8" << QByteArray("caf\xE8 \x80\r\n") << Status::Changed << "";
    QTest::addRow("Windows-1252 euro") << QByteArray("\x80 5\r\n\xE9") << "\u20ac" << "EUR" << QByteArray("EUR 5\r\n\xE9") << Status::Changed << "";
    QTest::addRow("UTF-8 cut off at the end is Windows-1252") << QByteArray("caf\xC3") << "\u00c3" << "A" << QByteArray("cafA") << Status::Changed << "";
    QTest::addRow("invalid UTF-8 bytes kept") << QByteArray("\xC3(\xFF x\r\n\x81") << "x" << "y" << QByteArray("\xC3(\xFF y\r\n\x81") << Status::Changed << "";
    QTest::addRow("NUL bytes kept") << QByteArray("a\0x\0", 4) << "x" << "y" << QByteArray("a\0y\0", 4) << Status::Changed << "";
    QTest::addRow("search not in Windows-1252") << QByteArray("caf\xE9 x\r\n") << "\u4e2d" << "x" << QByteArray("caf\xE9 x\r\n") << Status::Unchanged << "";
    QTest::addRow("replacement not in Windows-1252") << QByteArray("caf\xE9 x\r\n") << "x" << "\u4e2d" << QByteArray("caf\xE9 x\r\n") << Status::Failed << "the replacement text cannot be written in Windows-1252";
    QTest::addRow("replacement not in Windows-1252, no occurrence") << QByteArray("caf\xE9\r\n") << "x" << "\u4e2d" << QByteArray("caf\xE9\r\n") << Status::Unchanged << "";
    QTest::addRow("replacement that never ends") << QByteArray("a\r\nb a") << "a" << "ba" << QByteArray("a\r\nb a") << Status::Failed << "the replacement does not come to an end";
    QTest::addRow("UTF-16 LE") << "\xFF\xFE" + utf16le("a x\r\nb\rcaf\u00e9 x\n") << "x" << "\u4e2d" << "\xFF\xFE" + utf16le("a \u4e2d\r\nb\rcaf\u00e9 \u4e2d\n") << Status::Changed << "";
    QTest::addRow("UTF-16 BE") << "\xFE\xFF" + utf16be("a x\r\nb\rcaf\u00e9 x\n") << e << "e" << "\xFE\xFF" + utf16be("a x\r\nb\rcafe x\n") << Status::Changed << "";
    QTest::addRow("UTF-16 odd last byte kept") << "\xFF\xFE" + utf16le("x") + "\x41" << "x" << "y" << "\xFF\xFE" + utf16le("y") + "\x41" << Status::Changed << "";
    QTest::addRow("UTF-16 match off the unit grid") << QByteArray("\xFF\xFE\x00x\x00\x00", 6) << "x" << "y" << QByteArray("\xFF\xFE\x00x\x00\x00", 6) << Status::Unchanged << "";
    QTest::addRow("UTF-16 LF of CR LF not matched") << "\xFF\xFE" + utf16le("a\r\nb") << "\nb" << "-" << "\xFF\xFE" + utf16le("a\r\nb") << Status::Unchanged << "";
    QTest::addRow("UTF-16 lone LF matched") << "\xFE\xFF" + utf16be("a\nb\r\n") << "\nb" << "-" << "\xFE\xFF" + utf16be("a-\r\n") << Status::Changed << "";
    for (const auto encoding : {QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
        const QByteArray bom = encoding == QStringConverter::Utf16LE ? "\xFF\xFE" : "\xFE\xFF";
        QTest::addRow("UTF-16 %s, only the lone LF", bom == "\xFF\xFE" ? "LE" : "BE")
            << bom + QStringEncoder(encoding).encode(u"a\r\nb x\nb") << "\nb" << "-"
            << bom + QStringEncoder(encoding).encode(u"a\r\nb x-") << Status::Changed << "";
    }
    // clang-format on
}

void TestRewriteFile::rewrite()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, search);
    QFETCH(QString, replacement);
    QFETCH(QByteArray, after);
    QFETCH(Status, status);
    QFETCH(QString, reason);

    RewriteFixture fixture;
    QVERIFY(fixture.write(fileName, before));
    ReplacementTexts texts(search, replacement);
    const RewriteResult result = RewriteFile(fixture.path(fileName), texts);
    QCOMPARE(result.status, status);
    QCOMPARE(result.reason, reason);
    QCOMPARE(fixture.read(fileName), after);
    QCOMPARE(fixture.entries(), QStringList{fileName}); // no scratch file left
}

void TestRewriteFile::unchangedKeepsModificationTime_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("replacement");

    QTest::addRow("no occurrence") << QByteArray("abc\r\ndef") << "x"
                                   << "y";
    QTest::addRow("only across CR LF") << QByteArray("a\r\nb") << "\nb"
                                       << "y";
    QTest::addRow("empty") << QByteArray() << "x"
                           << "y";
    QTest::addRow("read-only, no occurrence") << QByteArray("abc") << "x"
                                              << "y";
}

void TestRewriteFile::unchangedKeepsModificationTime()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, search);
    QFETCH(QString, replacement);

    RewriteFixture fixture;
    QVERIFY(fixture.write(fileName, content));
    {
        QFile file(fixture.path(fileName));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(oldTime(), QFileDevice::FileModificationTime));
    }
    if (QString(QTest::currentDataTag()).startsWith("read-only"))
        QVERIFY(QFile::setPermissions(fixture.path(fileName), QFileDevice::ReadOwner));
    ReplacementTexts texts(search, replacement);
    QCOMPARE(RewriteFile(fixture.path(fileName), texts).status, Status::Unchanged);
    QCOMPARE(fixture.read(fileName), content);
    QCOMPARE(QFileInfo(fixture.path(fileName)).lastModified().toUTC(), oldTime());
    QCOMPARE(fixture.entries(), QStringList{fileName});
}

// One set of texts is built per run and serves files of every encoding in turn.
void TestRewriteFile::textsServeFilesOfEveryEncoding()
{
    RewriteFixture fixture;
    const QString text = QStringLiteral("gr\u00fc\u00dfe\r\n");
    const QByteArray files[][2] = {
        {QByteArray("gr\xC3\xBC\xC3\x9F"
                    "e\r\n"),
         QByteArray("grue\xC3\x9F"
                    "e\r\n")},
        {QByteArray("gr\xFC\xDF"
                    "e\r\n"),
         QByteArray("grue\xDF"
                    "e\r\n")},
        {"\xFF\xFE" + utf16le(text), "\xFF\xFE" + utf16le(QStringLiteral("grue\u00dfe\r\n"))},
        {"\xFE\xFF" + utf16be(text), "\xFE\xFF" + utf16be(QStringLiteral("grue\u00dfe\r\n"))},
        {QByteArray("gr\xC3\xBC\xC3\x9F"
                    "e\r\n"),
         QByteArray("grue\xC3\x9F"
                    "e\r\n")},
    };
    ReplacementTexts texts(QStringLiteral("\u00fc"), QStringLiteral("ue"));
    int index = 0;
    for (const auto &file : files) {
        const QString name = QStringLiteral("f%1.htm").arg(index++);
        QVERIFY(fixture.write(name, file[0]));
        QCOMPARE(RewriteFile(fixture.path(name), texts).status, Status::Changed);
        QCOMPARE(fixture.read(name), file[1]);
    }
}

// Larger than every read chunk, with occurrences on the chunk borders.
void TestRewriteFile::largeFileIsStreamedAndYields()
{
    QByteArray before;
    const QByteArray line(97, 'a');
    while (before.size() < (5 << 20)) // more than the run reads between two yields
        before += line + "\r\n";
    for (qsizetype at : {qsizetype(1) << 18, (qsizetype(1) << 20) - 3, (qsizetype(1) << 21) + 1,
                         before.size() - 8})
        before.replace(at, 6, "needle");
    QByteArray after = before;
    after.replace("needle", "pin");

    RewriteFixture fixture;
    QVERIFY(fixture.write(fileName, before));
    ReplacementTexts texts(QStringLiteral("needle"), QStringLiteral("pin"));
    int yields = 0;
    const RewriteResult result = RewriteFile(fixture.path(fileName), texts, [&] { ++yields; });
    QCOMPARE(result.reason, QString());
    QCOMPARE(result.status, Status::Changed);
    QVERIFY(fixture.read(fileName) == after);
    QVERIFY(yields >= 1);
    QCOMPARE(fixture.entries(), QStringList{fileName});
}

QTEST_GUILESS_MAIN(TestRewriteFile)
#include "TestRewriteFile.moc"
