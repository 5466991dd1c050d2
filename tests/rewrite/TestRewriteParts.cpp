// The parts of the file rewrite on their own, with reads cut into tiny chunks so that every
// line break, byte order mark, match and UTF-8 sequence falls across a chunk border somewhere.

#include "LineReader.h"
#include "ReplacementTexts.h"
#include "SearchPreScan.h"
#include "Utf8Validator.h"

#include <QBuffer>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

#include <cstring>

namespace {

// Lines as "text|break" pairs, so that a comparison shows where a split went wrong. Units are
// shown decoded from the file's encoding (Latin-1 for bytes).
template <typename Unit>
QStringList readLines(const QByteArray &bytes, QStringConverter::Encoding encoding,
                      qsizetype chunkBytes)
{
    const auto unit = [encoding](const QString &text) {
        const QByteArray encoded = QStringEncoder(encoding).encode(text);
        Unit u;
        std::memcpy(&u, encoded.constData(), sizeof u);
        return u;
    };
    const auto show = [encoding](std::basic_string_view<Unit> units) {
        const QByteArrayView raw(reinterpret_cast<const char *>(units.data()),
                                 qsizetype(units.size() * sizeof(Unit)));
        QString text = QStringDecoder(encoding).decode(raw);
        return text.replace(u'\r', QStringLiteral("CR")).replace(u'\n', QStringLiteral("LF"));
    };
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    LineReader<Unit> reader(buffer, unit(QStringLiteral("\r")), unit(QStringLiteral("\n")),
                            chunkBytes);
    std::basic_string_view<Unit> line, lineBreak;
    QStringList lines;
    while (reader.next(line, lineBreak))
        lines.append(show(line) + u'|' + show(lineBreak));
    if (reader.failed())
        lines.append(QStringLiteral("failed"));
    if (!reader.trailingBytes().isEmpty())
        lines.append(QStringLiteral("trailing ") + QString::fromLatin1(reader.trailingBytes()));
    return lines;
}

} // namespace

class TestRewriteParts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void utf8Validator_data();
    void utf8Validator();
    void lineReader_data();
    void lineReader();
    void lineReaderUtf16();
    void preScan_data();
    void preScan();
    void preScanStopsAtFirstMatch();
};

void TestRewriteParts::utf8Validator_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");

    QTest::addRow("empty") << QByteArray() << true;
    QTest::addRow("ASCII longer than a word") << QByteArray("0123456789abcdefghij") << true;
    QTest::addRow("two to four bytes")
        << QByteArray("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80") << true;
    QTest::addRow("highest code point") << QByteArray("\xF4\x8F\xBF\xBF") << true;
    QTest::addRow("above highest code point") << QByteArray("\xF4\x90\x80\x80") << false;
    QTest::addRow("overlong two bytes") << QByteArray("\xC0\xAF") << false;
    QTest::addRow("overlong three bytes") << QByteArray("\xE0\x80\xAF") << false;
    QTest::addRow("overlong four bytes") << QByteArray("\xF0\x80\x80\xAF") << false;
    QTest::addRow("surrogate") << QByteArray("\xED\xA0\x80") << false;
    QTest::addRow("last before surrogates") << QByteArray("\xED\x9F\xBF") << true;
    QTest::addRow("lone continuation") << QByteArray("abc\x80") << false;
    QTest::addRow("cut off at the end") << QByteArray("abc\xE2\x82") << false;
    QTest::addRow("lead byte interrupted") << QByteArray("\xE2\x82"
                                                         "abc")
                                           << false;
    QTest::addRow("Windows-1252 e acute") << QByteArray("caf\xE9") << false;
    QTest::addRow("invalid after a long valid run")
        << QByteArray(40, 'a') + "\xC3\xA9" + QByteArray(40, 'b') + "\xFF" << false;
}

void TestRewriteParts::utf8Validator()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);

    for (qsizetype piece = 1; piece <= qMax<qsizetype>(bytes.size(), 1); ++piece) {
        Utf8Validator validator;
        for (qsizetype at = 0; at < bytes.size(); at += piece)
            validator.feed(QByteArrayView(bytes).sliced(at, qMin(piece, bytes.size() - at)));
        QVERIFY2(validator.isComplete() == valid, qPrintable(QString::number(piece)));
    }
}

void TestRewriteParts::lineReader_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");

    QTest::addRow("empty") << QByteArray() << QStringList();
    QTest::addRow("one unterminated line") << QByteArray("abc") << QStringList{"abc|"};
    QTest::addRow("final CR LF adds no line") << QByteArray("a\r\n") << QStringList{"a|CRLF"};
    QTest::addRow("empty lines") << QByteArray("\r\r\n\r") << QStringList{"|CR", "|CRLF", "|CR"};
    QTest::addRow("lone LF stays in the line")
        << QByteArray("a\nb\r\nc\n") << QStringList{"aLFb|CRLF", "cLF|"};
    QTest::addRow("LF after the LF of CR LF")
        << QByteArray("a\r\n\nb") << QStringList{"a|CRLF", "LFb|"};
    QTest::addRow("CR CR LF") << QByteArray("a\r\r\nb") << QStringList{"a|CR", "|CRLF", "b|"};
}

void TestRewriteParts::lineReader()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);

    for (qsizetype chunk : {1, 2, 3, 5, 64})
        QCOMPARE(readLines<char>(bytes, QStringConverter::Latin1, chunk), lines);
}

void TestRewriteParts::lineReaderUtf16()
{
    const QString text = QStringLiteral("a\r\nb\n\u0d0a\rc");
    // U+0D0A holds the bytes of CR and LF, but is not a line break; Z is an odd last byte.
    const QStringList lines{"a|CRLF", "bLF\u0d0a|CR", "c|", "trailing Z"};
    for (const auto encoding : {QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
        const QByteArray bytes = QStringEncoder(encoding).encode(text) + 'Z';
        for (qsizetype chunk : {1, 2, 3, 5, 64})
            QCOMPARE(readLines<char16_t>(bytes, encoding, chunk), lines);
    }
}

void TestRewriteParts::preScan_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("search");
    QTest::addColumn<bool>("occurs");
    QTest::addColumn<FileEncoding>("encoding");

    const auto utf8 = FileEncoding::Utf8;
    const auto legacy = FileEncoding::Legacy;
    const auto le = FileEncoding::Utf16LE;
    const QByteArray filler(23, '.');
    const QString e = QStringLiteral("\u00e9");
    // clang-format off
    QTest::addRow("empty") << QByteArray() << "x" << false << utf8;
    QTest::addRow("late match") << filler + "needle" << "needle" << true << utf8;
    QTest::addRow("partial match only") << filler + "needl" << "needle" << false << utf8;
    QTest::addRow("match holding a CR") << filler + "ne\r\ndle" << "ne\r\ndle" << false << utf8;
    QTest::addRow("LF of CR LF") << filler + "\r\nb" << "\nb" << false << utf8;
    QTest::addRow("LF of CR LF, then a lone LF") << filler + "\r\nb\nb" << "\nb" << true << utf8;
    QTest::addRow("LF at the start of the file") << "\nb" + filler << "\nb" << true << utf8;
    QTest::addRow("UTF-8") << filler + "caf\xC3\xA9" + filler << e << true << utf8;
    QTest::addRow("UTF-8, invalid late") << "caf\xC3\xA9" + filler + "\xFF" << e << false << legacy;
    QTest::addRow("Windows-1252") << "caf\xE9" + filler << e << true << legacy;
    QTest::addRow("Windows-1252 bytes, valid UTF-8") << "\xC3\xA9" + filler << "\u00c3\u00a9" << false << utf8;
    QTest::addRow("UTF-16 LE") << "\xFF\xFE" + QStringEncoder(QStringConverter::Utf16LE).encode(filler + "caf" + e) << e << true << le;
    QTest::addRow("UTF-16 LE off the grid") << "\xFF\xFE" + filler + QByteArray("\xE9\0.", 3) << e << false << le;
    QTest::addRow("UTF-16 LE, LF of CR LF") << "\xFF\xFE" + QStringEncoder(QStringConverter::Utf16LE).encode(filler + "\r\nb") << "\nb" << false << le;
    QTest::addRow("UTF-16 LE, lone LF") << "\xFF\xFE" + QStringEncoder(QStringConverter::Utf16LE).encode(filler + "\r\n\nb") << "\nb" << true << le;
    QTest::addRow("UTF-8 BOM is no text") << QByteArray("\xEF\xBB\xBF") << QString(QChar(0xFEFF)) << false << utf8;
    // clang-format on
}

void TestRewriteParts::preScan()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, search);
    QFETCH(bool, occurs);
    QFETCH(FileEncoding, encoding);

    ReplacementTexts texts(search, QStringLiteral("-"));
    for (qsizetype chunk : {1, 4, 5, 6, 7, 9, 16, 1 << 20}) {
        QBuffer buffer;
        buffer.setData(bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        const auto result = SearchPreScan(texts, {}, chunk).scan(buffer, bytes.size());
        QVERIFY(result);
        QVERIFY2(result->occurs == occurs, qPrintable(QString::number(chunk)));
        if (!occurs) // a match may end the scan before the encoding was settled
            QCOMPARE(result->encoding, encoding);
    }
}

// Reading on after a match would be wasted: the file is read again to be rewritten.
void TestRewriteParts::preScanStopsAtFirstMatch()
{
    QByteArray bytes = "needle" + QByteArray(64 << 10, '.');
    ReplacementTexts texts(QStringLiteral("needle"), QStringLiteral("-"));
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const auto result = SearchPreScan(texts, {}, 1 << 10).scan(buffer, bytes.size());
    QVERIFY(result && result->occurs);
    QCOMPARE(buffer.pos(), 1 << 10);
}

QTEST_GUILESS_MAIN(TestRewriteParts)
#include "TestRewriteParts.moc"
