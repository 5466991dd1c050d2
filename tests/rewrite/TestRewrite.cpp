// What RewriteFile makes of a file's bytes (line breaks, encodings, failures that leave the file
// as it was), its parts with reads cut into tiny chunks, and a large file that another program
// modifies during the rewrite.

#include "LineReader.h"
#include "ReplacementTexts.h"
#include "RewriteFile.h"
#include "RewriteFixture.h"
#include "SearchPreScan.h"

#include <QBuffer>
#include <QStringEncoder>
#include <QTest>

#include <cstring>

using Status = RewriteResult::Status;

namespace {

const QString fileName = QStringLiteral("x.htm");

// text in UTF-16 of the given byte order, after its byte order mark.
QByteArray utf16(QStringConverter::Encoding encoding, const QString &text)
{
    const QByteArray bom = encoding == QStringConverter::Utf16LE ? "\xFF\xFE" : "\xFE\xFF";
    return bom + QStringEncoder(encoding).encode(text);
}

// The lines as LineReader gives them with their breaks, read in chunks of chunk bytes from the
// buffer's position, then any odd last byte.
template <typename Unit>
QByteArrayList readLines(QBuffer &buffer, FileEncoding encoding, qsizetype chunk)
{
    const auto unit = [encoding](char c) {
        Unit u;
        std::memcpy(&u, AsciiUnit(c, encoding).constData(), sizeof u);
        return u;
    };
    const auto bytes = [](std::basic_string_view<Unit> units) {
        return QByteArray(reinterpret_cast<const char *>(units.data()),
                          qsizetype(units.size() * sizeof(Unit)));
    };
    LineReader<Unit> reader(buffer, unit('\r'), unit('\n'), chunk);
    std::basic_string_view<Unit> line, lineBreak;
    QByteArrayList lines;
    while (reader.next(line, lineBreak))
        lines << bytes(line) + '|' + bytes(lineBreak);
    return lines << reader.trailingBytes();
}

enum class Damage { None, Appended, Retimed, Link };

// What another program does to the file at path during the rewrite.
bool modify(const QString &path, Damage damage)
{
    QFile file(path);
    if (damage == Damage::Link) // the file moves aside for a link to another
        return file.rename(path + QStringLiteral(".moved")) &&
               QFile::link(QStringLiteral("target.htm"), path);
    return file.open(QIODevice::Append) &&
           (damage == Damage::Appended ? file.write("!") == 1 && file.flush()
                                       : file.setFileTime(QDateTime::currentDateTimeUtc(),
                                                          QFileDevice::FileModificationTime));
}

} // namespace

class TestRewrite : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rewrite_data();
    void rewrite();
    void textsServeFilesOfEveryEncoding();
    void largeFile_data();
    void largeFile();
    void chunkBorders_data();
    void chunkBorders();
    void preScanStopsAtFirstMatch();
};

// An empty reason means success: Changed when the bytes change, else Unchanged.
void TestRewrite::rewrite_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QString>("reason");

    const QByteArray bom8("\xEF\xBB\xBF");
    const QString e = QStringLiteral("\u00e9"); // é
    const auto le = QStringConverter::Utf16LE;
    const auto be = QStringConverter::Utf16BE;
    // clang-format off
    QTest::addRow("empty file") << QByteArray() << "a" << "b" << QByteArray() << "";
    QTest::addRow("no occurrence") << QByteArray("abc\r\n") << "x" << "y" << QByteArray("abc\r\n") << "";
    QTest::addRow("unterminated last line") << QByteArray("one\r\ntwo x") << "x" << "y" << QByteArray("one\r\ntwo y") << "";
    QTest::addRow("line breaks kept") << QByteArray("x\r\nx\rx\nx\r\r\nx") << "x" << "yy" << QByteArray("yy\r\nyy\ryy\nyy\r\r\nyy") << "";
    QTest::addRow("LF of CR LF not matched") << QByteArray("a\r\nb") << "\nb" << "-" << QByteArray("a\r\nb") << "";
    QTest::addRow("lone LF matched") << QByteArray("a\nb\r\n") << "\nb" << "-" << QByteArray("a-\r\n") << "";
    QTest::addRow("LF first") << QByteArray("\nb") << "\nb" << "-" << QByteArray("-") << "";
    QTest::addRow("partial match") << QByteArray("needl") << "needle" << "-" << QByteArray("needl") << "";
    QTest::addRow("LF after CR LF matched") << QByteArray("a\r\n\nb") << "\nb" << "-" << QByteArray("a\r\n-") << "";
    QTest::addRow("CR in search") << QByteArray("a\rb") << "a\rb" << "c" << QByteArray("a\rb") << "";
    QTest::addRow("across lines") << QByteArray("ab\r\ncd") << "bc" << "x" << QByteArray("ab\r\ncd") << "";
    QTest::addRow("until none left") << QByteArray("aaaa\r\nab") << "aa" << "a" << QByteArray("a\r\nab") << "";
    QTest::addRow("case-sensitive") << QByteArray("ABC abc") << "abc" << "X" << QByteArray("ABC X") << "";
    QTest::addRow("UTF-8 BOM") << bom8 + "caf\xC3\xA9\r\n" << e << "e" << bom8 + "cafe\r\n" << "";
    QTest::addRow("UTF-8 BOM alone") << bom8 << "a" << "b" << bom8 << "";
    QTest::addRow("UTF-8 BOM is no text") << bom8 + "a" << QChar(0xFEFF) + QString("a") << "b" << bom8 + "a" << "";
    QTest::addRow("UTF-8") << QByteArray("na\xC3\xAFve \xE2\x82\xAC\r\n") << "\u00efve \u20ac" << "\u00eff" << QByteArray("na\xC3\xAF" "f\r\n") << "";
    QTest::addRow("UTF-8, search as 1252") << QByteArray("caf\xC3\xA9") << "\u00c3\u00a9" << "x" << QByteArray("caf\xC3\xA9") << "";
    QTest::addRow("1252") << QByteArray("caf\xE9 \x80\r\n") << e << "\u00e8" << QByteArray("caf\xE8 \x80\r\n") << "";
    QTest::addRow("1252 euro") << QByteArray("\x80 5\r\n\xE9") << "\u20ac" << "EUR" << QByteArray("EUR 5\r\n\xE9") << "";
    QTest::addRow("cut-off UTF-8 is 1252") << QByteArray("caf\xC3") << "\u00c3" << "A" << QByteArray("cafA") << "";
    QTest::addRow("invalid UTF-8 late") << "caf\xC3\xA9" + QByteArray(99, '.') + "\xFF" << e << "-" << "caf\xC3\xA9" + QByteArray(99, '.') + "\xFF" << "";
    QTest::addRow("UTF-8, 2 to 4 bytes") << QByteArray("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80") << "\u20ac" << "E" << QByteArray("\xC3\xA9" "E\xF0\x9F\x98\x80") << "";
    QTest::addRow("UTF-8, highest code point") << QByteArray("\xF4\x8F\xBF\xBF") << "\U0010FFFF" << "x" << QByteArray("x") << "";
    QTest::addRow("UTF-8, before surrogates") << QByteArray("\xED\x9F\xBF") << "\ud7ff" << "x" << QByteArray("x") << "";
    QTest::addRow("1252, above the highest") << QByteArray("\xF4\x90\x80\x80") << "\u00f4" << "o" << QByteArray("o\x90\x80\x80") << "";
    QTest::addRow("1252, overlong") << QByteArray("\xC0\xAF") << "\u00c0" << "A" << QByteArray("A\xAF") << "";
    QTest::addRow("1252, overlong 3 bytes") << QByteArray("\xE0\x80\xAF") << "\u00e0" << "a" << QByteArray("a\x80\xAF") << "";
    QTest::addRow("1252, surrogate") << QByteArray("\xED\xA0\x80") << "\u00ed" << "i" << QByteArray("i\xA0\x80") << "";
    QTest::addRow("1252, lone continuation") << QByteArray("abc\x80") << "\u20ac" << "E" << QByteArray("abcE") << "";
    QTest::addRow("1252, interrupted") << QByteArray("\xE2\x82x") << "\u00e2" << "a" << QByteArray("a\x82x") << "";
    QTest::addRow("1252, invalid after a run") << QByteArray(40, 'a') + "\xC3\xA9" + QByteArray(40, 'b') + "\xFF" << "\u00a9" << "c" << QByteArray(40, 'a') + "\xC3" "c" + QByteArray(40, 'b') + "\xFF" << "";
    QTest::addRow("invalid bytes kept") << QByteArray("\xC3(\xFF x\r\n\x81") << "x" << "y" << QByteArray("\xC3(\xFF y\r\n\x81") << "";
    QTest::addRow("NUL bytes kept") << QByteArray("a\0x\0", 4) << "x" << "y" << QByteArray("a\0y\0", 4) << "";
    QTest::addRow("search not in 1252") << QByteArray("caf\xE9 x\r\n") << "\u4e2d" << "x" << QByteArray("caf\xE9 x\r\n") << "";
    QTest::addRow("replacement not in 1252") << QByteArray("caf\xE9 x\r\n") << "x" << "\u4e2d" << QByteArray("caf\xE9 x\r\n") << "the replacement text cannot be written in Windows-1252";
    QTest::addRow("same, no occurrence") << QByteArray("caf\xE9\r\n") << "x" << "\u4e2d" << QByteArray("caf\xE9\r\n") << "";
    QTest::addRow("runaway") << QByteArray("a\r\nb a") << "a" << "ba" << QByteArray("a\r\nb a") << "the replacement does not come to an end";
    QTest::addRow("UTF-16 LE") << utf16(le, "a x\r\nb\rcaf\u00e9 x\n") << "x" << "\u4e2d" << utf16(le, "a \u4e2d\r\nb\rcaf\u00e9 \u4e2d\n") << "";
    QTest::addRow("UTF-16 BE") << utf16(be, "a x\r\nb\rcaf\u00e9 x\n") << e << "e" << utf16(be, "a x\r\nb\rcafe x\n") << "";
    QTest::addRow("UTF-16 LE lone LF") << utf16(le, "a\r\nb x\nb") << "\nb" << "-" << utf16(le, "a\r\nb x-") << "";
    QTest::addRow("UTF-16 BE lone LF") << utf16(be, "a\r\nb x\nb") << "\nb" << "-" << utf16(be, "a\r\nb x-") << "";
    QTest::addRow("UTF-16, U+0D0A no break") << utf16(be, "a\u0d0a x") << "x" << "y" << utf16(be, "a\u0d0a y") << "";
    QTest::addRow("UTF-16 odd last byte") << utf16(le, "x") + "\x41" << "x" << "y" << utf16(le, "y") + "\x41" << "";
    QTest::addRow("UTF-16 off the unit grid") << QByteArray("\xFF\xFE\x00x\x00\x00", 6) << "x" << "y" << QByteArray("\xFF\xFE\x00x\x00\x00", 6) << "";
    // clang-format on
}

void TestRewrite::rewrite()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, search);
    QFETCH(QString, replacement);
    QFETCH(QByteArray, after);
    QFETCH(QString, reason);

    RewriteFixture fixture;
    QVERIFY(fixture.write(fileName, before));
    const QStringList untouched = fixture.state();
    ReplacementTexts texts(search, replacement);
    const RewriteResult result = RewriteFile(fixture.path(fileName), texts);
    QCOMPARE(result.reason, reason);
    QCOMPARE(result.status, !reason.isEmpty() ? Status::Failed
                            : after != before ? Status::Changed
                                              : Status::Unchanged);
    QCOMPARE(fixture.read(fileName), after);
    if (after == before) // not even rewritten with the same bytes
        QCOMPARE(fixture.state(), untouched);
    QCOMPARE(fixture.names(), QStringList{fileName});
}

// One set of texts is built per run and serves files of every encoding in turn.
void TestRewrite::textsServeFilesOfEveryEncoding()
{
    const QString text = QStringLiteral("gr\u00fc\u00dfe\r\n");
    const QString done = QStringLiteral("grue\u00dfe\r\n");
    const auto le = QStringConverter::Utf16LE, be = QStringConverter::Utf16BE;
    RewriteFixture fixture;
    ReplacementTexts texts(QStringLiteral("\u00fc"), QStringLiteral("ue"));
    for (const auto &[before, after] : {std::pair{text.toUtf8(), done.toUtf8()},
                                        {text.toLatin1(), done.toLatin1()},
                                        {utf16(le, text), utf16(le, done)},
                                        {utf16(be, text), utf16(be, done)},
                                        {text.toUtf8(), done.toUtf8()}}) {
        QVERIFY(fixture.write(fileName, before));
        QCOMPARE(RewriteFile(fixture.path(fileName), texts).status, Status::Changed);
        QCOMPARE(fixture.read(fileName), after);
    }
}

void TestRewrite::largeFile_data()
{
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<int>("atYield"); // 1: while the file is scanned, 2: while it is rewritten

    QTest::addRow("untouched") << Damage::None << 0;
    QTest::addRow("appended to") << Damage::Appended << 2;
    QTest::addRow("modification time set") << Damage::Retimed << 1;
#ifdef Q_OS_UNIX
    // The scratch file is opened between the two: QSaveFile then resolves a link.
    QTest::addRow("link, before the scratch file") << Damage::Link << 1;
    QTest::addRow("link, after the scratch file") << Damage::Link << 2;
#endif
}

// Over 4 MiB (the bytes read between two yields), with the occurrences after the first yield,
// and on the borders of the rewrite's 256 KiB reads. Another program may change the file
// during a yield: the file must then stay as that program left it.
void TestRewrite::largeFile()
{
    QFETCH(Damage, damage);
    QFETCH(int, atYield);

    QByteArray before;
    while (before.size() < (5 << 20))
        before += QByteArray(97, 'a') + "\r\n";
    for (qsizetype at : {(qsizetype(9) << 19) - 3, (qsizetype(19) << 18) + 1, before.size() - 8})
        before.replace(at, 6, "needle");
    QByteArray after = before;
    after.replace("needle", "pin");

    RewriteFixture fixture;
    QVERIFY(fixture.write(fileName, before));
    QVERIFY(fixture.write(QStringLiteral("target.htm"), "needle"));
    const QString path = fixture.path(fileName);
    int yields = 0;
    QStringList damaged;
    const auto yield = [&] {
        if (++yields == atYield && modify(path, damage))
            damaged = fixture.state();
    };
    ReplacementTexts texts(QStringLiteral("needle"), QStringLiteral("pin"));
    const RewriteResult result = RewriteFile(path, texts, yield);
    QVERIFY(yields >= 2);
    if (damage == Damage::None) {
        QCOMPARE(result.reason, QString());
        QVERIFY(fixture.read(fileName) == after);
        QCOMPARE(fixture.names(), (QStringList{QStringLiteral("target.htm"), fileName}));
        return;
    }
    QVERIFY(!damaged.isEmpty());
    QCOMPARE(result.reason,
             QStringLiteral("the file was modified by another program during the run"));
    QCOMPARE(fixture.state(), damaged);
}

// The rows of rewrite() again, read in tiny chunks, so that every line break, byte order mark,
// match and UTF-8 sequence falls across a chunk border somewhere: the pre-scan and the lines
// must come out as from one read.
void TestRewrite::chunkBorders_data()
{
    rewrite_data();
}

void TestRewrite::chunkBorders()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, search);
    QFETCH(QByteArray, after);
    QFETCH(QString, reason);

    ReplacementTexts texts(search, QStringLiteral("-"));
    QBuffer buffer;
    buffer.setData(before);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const auto whole = SearchPreScan(texts, {}).scan(buffer, before.size());
    QVERIFY(whole);
    QCOMPARE(whole->occurs, after != before || !reason.isEmpty());
    const auto lines = [&](qsizetype chunk) {
        buffer.seek(whole->byteOrderMarkLength);
        return IsUtf16(whole->encoding) ? readLines<char16_t>(buffer, whole->encoding, chunk)
                                        : readLines<char>(buffer, whole->encoding, chunk);
    };
    const QByteArrayList expected = lines(1 << 20);
    for (qsizetype chunk : {1, 2, 3, 5, 7, 16}) {
        QVERIFY(buffer.seek(0));
        const auto part = SearchPreScan(texts, {}, chunk).scan(buffer, before.size());
        QVERIFY(part);
        QCOMPARE(part->occurs, whole->occurs);
        QCOMPARE(part->encoding, whole->encoding);
        QCOMPARE(part->byteOrderMarkLength, whole->byteOrderMarkLength);
        QCOMPARE(lines(chunk), expected);
    }
}

// Reading on after a match would be wasted: the file is read again to be rewritten.
void TestRewrite::preScanStopsAtFirstMatch()
{
    QByteArray bytes = "needle" + QByteArray(64 << 10, '.');
    ReplacementTexts texts(QStringLiteral("needle"), QStringLiteral("-"));
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const auto result = SearchPreScan(texts, {}, 1 << 10).scan(buffer, bytes.size());
    QVERIFY(result && result->occurs);
    QCOMPARE(buffer.pos(), 1 << 10);
}

QTEST_GUILESS_MAIN(TestRewrite)
#include "TestRewrite.moc"
