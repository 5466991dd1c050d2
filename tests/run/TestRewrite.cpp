// What RewriteFile makes of a file's bytes, read whole and in tiny chunks. Files changed by others
// meanwhile are the reliability tests' part.

#include "file/FileFailure.h"
#include "file/FolderChain.h"
#include "run/RewriteFile.h"
#include "tests/common/TempTree.h"
#include "tests/common/UnderWine.h"
#include "text/CharsetProfile.h"
#include "text/DeclaredEncoding.h"
#include "text/LegacyCodePage.h"
#include "text/LineReader.h"
#include "text/ReplacementTexts.h"
#include "text/SearchPreScan.h"
#include "text/WebEncoding.h"

#include <QBuffer>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <utility>

using Status = RewriteResult::Status;

namespace {

const QString fileName = QStringLiteral("x.htm");

// Why a page in the charset label declares cannot be tried here: Wine 8 lacks some code pages
// of Windows (GB18030's, 54936, among them); empty where it can.
QString wineLacks(const QByteArray &label)
{
    const WebEncoding *web = WebEncoding::forLabel(label);
    if (!UnderWine() || !web || CharsetProfile::of(label).known)
        return {};
    return QStringLiteral("Wine has no code page %1 for %2").arg(web->codePage).arg(web->name);
}

// text with a byte order mark, where encoding has one.
QByteArray encoded(QStringConverter::Encoding encoding, const QString &text)
{
    return QStringEncoder(encoding, QStringConverter::Flag::WriteBom).encode(text);
}

// Each line with its break as LineReader gives them from the buffer's position, its pieces
// joined; then what was left of a line that never ended (nothing), then any odd byte.
template <typename Unit>
QByteArrayList readLines(QBuffer &buffer, FileEncoding encoding, qsizetype chunk)
{
    Unit cr, lf;
    std::memcpy(&cr, AsciiUnit('\r', encoding).constData(), sizeof cr);
    std::memcpy(&lf, AsciiUnit('\n', encoding).constData(), sizeof lf);
    const auto bytes = [](std::basic_string_view<Unit> units) {
        return QByteArray(reinterpret_cast<const char *>(units.data()),
                          qsizetype(units.size() * sizeof(Unit)));
    };
    LineReader<Unit> reader(buffer, cr, lf, chunk);
    typename LineReader<Unit>::Piece piece;
    QByteArrayList lines;
    QByteArray line;
    while (reader.next(piece)) {
        // At most one read, which is a unit more than the chunk (and at least one unit).
        if (piece.units.size() > std::max(size_t(chunk), sizeof(Unit)) / sizeof(Unit) + 1)
            return {"a piece larger than a read"};
        line += bytes(piece.units);
        if (piece.endsLine)
            lines << std::exchange(line, {}) + '|' + bytes(piece.lineBreak);
    }
    return lines << line << reader.trailingBytes();
}

} // namespace

class TestRewrite : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rewrite_data();
    void rewrite();
    void declaredLabels_data();
    void declaredLabels();
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
    QTest::addRow("line breaks kept") << QByteArray("x\r\nx\rx\nx\r\r\nx") << "x" << "yy" << QByteArray("yy\r\nyy\ryy\nyy\r\r\nyy") << "";
    QTest::addRow("LF of CR LF not matched") << QByteArray("a\r\nb") << "\nb" << "-" << QByteArray("a\r\nb") << "";
    QTest::addRow("lone LF matched") << QByteArray("a\nb\r\n") << "\nb" << "-" << QByteArray("a-\r\n") << "";
    QTest::addRow("UTF-8 BOM") << bom8 + "caf\xC3\xA9\r\n" << e << "e" << bom8 + "cafe\r\n" << "";
    QTest::addRow("UTF-8 BOM alone") << bom8 << "a" << "b" << bom8 << "";
    QTest::addRow("UTF-8 BOM is no text") << bom8 + "a" << QChar(0xFEFF) + QString("a") << "b" << bom8 + "a" << "";
    QTest::addRow("UTF-8") << QByteArray("na\xC3\xAFve \xE2\x82\xAC\r\n") << "\u00efve \u20ac" << "\u00eff" << QByteArray("na\xC3\xAF" "f\r\n") << "";
    QTest::addRow("UTF-8, search as 1252") << QByteArray("caf\xC3\xA9") << "\u00c3\u00a9" << "x" << QByteArray("caf\xC3\xA9") << "";
    QTest::addRow("1252") << QByteArray("caf\xE9 \x80\r\n") << e << "\u00e8" << QByteArray("caf\xE8 \x80\r\n") << "";
    QTest::addRow("cut-off UTF-8 is 1252") << QByteArray("caf\xC3") << "\u00c3" << "A" << QByteArray("cafA") << "";
    QTest::addRow("invalid UTF-8 late") << "caf\xC3\xA9" + QByteArray(99, '.') + "\xFF" << e << "-" << "caf\xC3\xA9" + QByteArray(99, '.') + "\xFF" << "";
    QTest::addRow("UTF-8, highest code point") << QByteArray("\xF4\x8F\xBF\xBF") << "\U0010FFFF" << "x" << QByteArray("x") << "";
    QTest::addRow("UTF-8, before surrogates") << QByteArray("\xED\x9F\xBF") << "\ud7ff" << "x" << QByteArray("x") << "";
    QTest::addRow("1252, above the highest") << QByteArray("\xF4\x90\x80\x80") << "\u00f4" << "o" << QByteArray("o\x90\x80\x80") << "";
    QTest::addRow("1252, overlong") << QByteArray("\xC0\xAF") << "\u00c0" << "A" << QByteArray("A\xAF") << "";
    QTest::addRow("1252, overlong 3 bytes") << QByteArray("\xE0\x80\xAF") << "\u00e0" << "a" << QByteArray("a\x80\xAF") << "";
    QTest::addRow("1252, surrogate") << QByteArray("\xED\xA0\x80") << "\u00ed" << "i" << QByteArray("i\xA0\x80") << "";
    QTest::addRow("1252, lone continuation") << QByteArray("abc\x80") << "\u20ac" << "E" << QByteArray("abcE") << "";
    QTest::addRow("1252, interrupted") << QByteArray("\xE2\x82x") << "\u00e2" << "a" << QByteArray("a\x82x") << "";
    QTest::addRow("invalid bytes kept") << QByteArray("\xC3(\xFF x\r\n\x81") << "x" << "y" << QByteArray("\xC3(\xFF y\r\n\x81") << "";
    QTest::addRow("NUL bytes kept") << QByteArray("a\0x\0", 4) << "x" << "y" << QByteArray("a\0y\0", 4) << "";
    QTest::addRow("search not in 1252") << QByteArray("caf\xE9 x\r\n") << "\u4e2d" << "x" << QByteArray("caf\xE9 x\r\n") << "";
    QTest::addRow("replacement not in 1252") << QByteArray("caf\xE9 x\r\n") << "x" << "\u4e2d" << QByteArray("caf\xE9 x\r\n") << "the replacement text cannot be written in " + LegacyCodePage::name();
    QTest::addRow("same, no occurrence") << QByteArray("caf\xE9\r\n") << "x" << "\u4e2d" << QByteArray("caf\xE9\r\n") << "";
    // Back through the scratch file's buffer into the file, which is cut short and written on.
    QTest::addRow("cascade back beyond the window") << "<p>" + QByteArray("ca").repeated(1 << 20) + "t</p>\r\nca cat" << "cat" << "t" << QByteArray("<p>t</p>\r\nca t") << "";
    QTest::addRow("UTF-16 cascade back beyond the window") << encoded(le, "<p>" + QString("ca").repeated(600000) + "t</p>") << "cat" << "t" << encoded(le, "<p>t</p>") << "";
    QTest::addRow("endless") << QByteArray("a\r\nb a") << "a" << "ba" << QByteArray("a\r\nb a") << "the replacement does not come to an end: every replacement makes a new occurrence of the search text";
    QTest::addRow("UTF-16 LE") << encoded(le, "a x\r\nb\rcaf\u00e9 x\n") << "x" << "\u4e2d" << encoded(le, "a \u4e2d\r\nb\rcaf\u00e9 \u4e2d\n") << "";
    QTest::addRow("UTF-16 BE") << encoded(be, "a x\r\nb\rcaf\u00e9 x\n") << e << "e" << encoded(be, "a x\r\nb\rcafe x\n") << "";
    QTest::addRow("UTF-16, U+0D0A no break") << encoded(be, "a\u0d0a x") << "x" << "y" << encoded(be, "a\u0d0a y") << "";
    QTest::addRow("UTF-16 odd last byte") << encoded(le, "x") + "\x41" << "x" << "y" << encoded(le, "y") + "\x41" << "";
    // A declared charset: the texts are written in it as browsers read it; the page's other
    // bytes stay. In a multi-byte charset a search text may begin only where no character has
    // more of its bytes (see declaredLabels).
    const QByteArray sjis("<meta charset=Shift_JIS>"), gbk("<meta charset=\"gb2312\">"), kr("<meta charset=euc-kr>"), jp("<meta charset=euc-jp>");
    const QString starts(" !\"#$%&'()*+,-./"), digits("0123456789"), signs(":;<=>?");
    QTest::addRow("declared 1252") << QByteArray("<meta charset=\"windows-1252\">x") << "x" << e << QByteArray("<meta charset=\"windows-1252\">\xE9") << "";
    QTest::addRow("declared latin2") << QByteArray("<META CHARSET='Latin2'>\xB1\xE9") << "\u0105" << "a" << QByteArray("<META CHARSET='Latin2'>a\xE9") << "";
    QTest::addRow("declared latin2, no best fit") << QByteArray("<meta charset=latin2>x") << "x" << "\u0100" << QByteArray("<meta charset=latin2>x") << FileFailure::replacementNotWritable("ISO-8859-2").text;
    QTest::addRow("declared x-cp1251") << QByteArray("<!-- <meta charset=x> --><meta charset=x-cp1251>\xCF\xF0\xE8") << "\u041f\u0440\u0438" << "\u0416" << QByteArray("<!-- <meta charset=x> --><meta charset=x-cp1251>\xC6") << "";
    QTest::addRow("unknown label passed over") << QByteArray("<meta charset=x-bogus><meta charset=cp1251>\xCF") << "\u041f" << "\u0416" << QByteArray("<meta charset=x-bogus><meta charset=cp1251>\xC6") << "";
    QTest::addRow("http-equiv") << QByteArray("<meta content=\"text/html; Charset=windows-1251\" HTTP-EQUIV=content-type>%") << "%" << "\u0416" << QByteArray("<meta content=\"text/html; Charset=windows-1251\" HTTP-EQUIV=content-type>\xC6") << "";
    QTest::addRow("Shift_JIS") << sjis + "<b>\x83\x41" << "<b>" << "\u65e5" << sjis + "\x93\xFA\x83\x41" << "";
    QTest::addRow("Shift_JIS, match inside a character") << sjis + "\x83\x41" << "A" << "B" << sjis + "\x83\x41" << FileFailure::matchInsideCharacter("Shift_JIS", starts + digits + signs).text;
    QTest::addRow("Shift_JIS, no match") << sjis + "\x83\x41" << "Z" << "B" << sjis + "\x83\x41" << "";
    QTest::addRow("gb2312 is GBK, letter inside a character") << gbk + "<p>\xE9\x46ox Fox</p>" << "Fox" << "Cat" << gbk + "<p>\xE9\x46ox Fox</p>" << FileFailure::matchInsideCharacter("GBK", starts + signs).text;
    QTest::addRow("gb2312 is GBK, digit inside a character") << gbk + "\x81\x30\x81\x30" << "0" << "1" << gbk + "\x81\x30\x81\x30" << FileFailure::matchInsideCharacter("GBK", starts + signs).text;
    QTest::addRow("gb2312 is GBK, written as gb18030") << gbk + "<p>\xE9\x46ox" << "<p>" << "\u00a5" << gbk + "\x81\x30\x84\x36\xE9\x46ox" << "";
    QTest::addRow("gb2312 is GBK, no private use") << gbk + "<" << "<" << "\ue78d" << gbk + "<" << FileFailure::replacementNotWritable("GBK").text;
    QTest::addRow("gb18030") << QByteArray("<meta charset=gb18030>\x81\x30\x81\x30 x") << " x" << "\u4e2d" << QByteArray("<meta charset=gb18030>\x81\x30\x81\x30\xD6\xD0") << "";
    QTest::addRow("euc-kr is windows-949, letter inside a character") << kr + "<p>\x8C\x63" "at cat</p>" << "cat" << "dog" << kr + "<p>\x8C\x63" "at cat</p>" << FileFailure::matchInsideCharacter("EUC-KR", starts + digits + signs + "@[\\]^_`{|}~").text;
    QTest::addRow("euc-kr") << kr + "<p>\x8C\x63" "at cat</p>" << " cat" << " \ud55c" << kr + "<p>\x8C\x63" "at \xC7\xD1</p>" << "";
    QTest::addRow("big5 is Big5-HKSCS") << QByteArray("<meta charset=big5>\xA4\x40 1") << "1" << "\u4e2d" << QByteArray("<meta charset=big5>\xA4\x40 \xA4\xA4") << "";
    QTest::addRow("EUC-JP") << jp + "\xA4\xA2Q" << "Q" << "b" << jp + "\xA4\xA2" "b" << "";
    QTest::addRow("EUC-JP, JIS X 0212 after 0x8F") << jp + "A" << "A" << "\u00c5" << jp + "\x8F\xAA\xA9" << "";
    QTest::addRow("EUC-JP, kana inside a character") << jp + "\xA4\x8E\xB1" << "\uff71" << "a" << jp + "\xA4\x8E\xB1" << FileFailure::matchInsideCharacter("EUC-JP", starts + digits + signs + "@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~").text;
    QTest::addRow("KOI8-U") << QByteArray("<meta charset=koi8-u>\xC1 x") << "x" << "\u0491" << QByteArray("<meta charset=koi8-u>\xC1 \xAD") << "";
    QTest::addRow("KOI8-U, box line browsers read as a letter") << QByteArray("<meta charset=koi8-u>x") << "x" << "\u255d" << QByteArray("<meta charset=koi8-u>x") << FileFailure::replacementNotWritable("KOI8-U").text;
    QTest::addRow("ISO-2022-JP refused") << QByteArray("<meta charset=iso-2022-jp>") << "x" << "y" << QByteArray("<meta charset=iso-2022-jp>") << FileFailure::unsupportedCharset("ISO-2022-JP").text;
    QTest::addRow("iso-2022-kr is replacement, refused") << QByteArray("<meta charset=iso-2022-kr>") << "x" << "y" << QByteArray("<meta charset=iso-2022-kr>") << FileFailure::unsupportedCharset("iso-2022-kr").text;
    QTest::addRow("unknown charset") << QByteArray("<meta charset=x-bogus>") << "x" << "y" << QByteArray("<meta charset=x-bogus>") << FileFailure::unknownCharset("x-bogus").text;
    QTest::addRow("UTF-16 declared is UTF-8") << QByteArray("<meta charset=utf-16>x") << "x" << e << QByteArray("<meta charset=utf-16>\xC3\xA9") << "";
    QTest::addRow("BOM over a declared charset") << bom8 + "<meta charset=windows-1252>\xC3\xA9" << e << "\u00e8" << bom8 + "<meta charset=windows-1252>\xC3\xA8" << "";
    QTest::addRow("declared beyond 1024 bytes") << QByteArray(1024, ' ') + "<meta charset=windows-1252>x" << "x" << e << QByteArray(1024, ' ') + "<meta charset=windows-1252>\xC3\xA9" << "";
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

    // Tiny chunks put every break, mark, match and UTF-8 sequence across a border somewhere;
    // over the files of several MiB they would only take time.
    ReplacementTexts texts(search, replacement);
    QBuffer buffer(&before);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    std::optional<SearchPreScan::Result> whole;
    QByteArrayList lines;
    for (qsizetype chunk : before.size() > 1 << 20 ? QList<qsizetype>{1 << 20}
                                                   : QList<qsizetype>{1 << 20, 1, 2, 3, 5, 7, 16}) {
        QVERIFY(buffer.seek(0));
        const auto scan = SearchPreScan(texts, {}, chunk).scan(buffer, before.size());
        QVERIFY(scan && buffer.seek(scan->byteOrderMarkLength));
        if (const QString lacking = wineLacks(scan->encoding.charset()); !lacking.isEmpty())
            QSKIP(qPrintable(lacking));
        whole = whole.value_or(*scan);
        QCOMPARE(scan->occurs, after != before || !reason.isEmpty());
        QCOMPARE(scan->encoding, whole->encoding);
        QCOMPARE(scan->byteOrderMarkLength, whole->byteOrderMarkLength);
        const QByteArrayList read = IsUtf16(scan->encoding)
                                        ? readLines<char16_t>(buffer, scan->encoding, chunk)
                                        : readLines<char>(buffer, scan->encoding, chunk);
        if (lines.isEmpty())
            lines = read;
        QCOMPARE(read, lines);
    }

    TempTree fixture;
    QVERIFY(fixture.write(fileName, before));
    const QStringList untouched = fixture.state();
    // A dry run tells what the run does, and writes nothing. Keeping 256 KiB of the new text,
    // it cannot tell it for the rows over 1 MiB, the cascades that reach back beyond the window.
    FolderChain folders;
    Failure error;
    const std::optional<PageLocation> page = folders.locate(fixture.path(fileName), error);
    QVERIFY2(page, qPrintable(error.text));
    const RewriteResult preview = PreviewRewrite(*page, texts, {});
    QCOMPARE(PreviewRewrite(*page, texts, {}, {}, 1 << 18).failure.text,
             before.size() > 1 << 20 ? FileFailure::previewReachesTooFarBack(1 << 18).text
                                     : reason);
    QCOMPARE(fixture.state(), untouched);
    const RewriteResult result = RewriteFile(fixture.path(fileName), texts);
    QVERIFY(preview.status == result.status && preview.failure.text == result.failure.text &&
            preview.replacements == result.replacements);
    QCOMPARE(result.failure.text, reason);
    QCOMPARE(result.status, !reason.isEmpty() ? Status::Failed
                            : after != before ? Status::Changed
                                              : Status::Unchanged);
    QCOMPARE(fixture.read(fileName), after);
    if (after == before) // not even rewritten with the same bytes
        QCOMPARE(fixture.state(), untouched);
    QCOMPARE(fixture.state().size(), 1);
}

// Labels of a family, declared in any case and spacing, are read as browsers read them: name
// is the encoding's (empty: the label's own), starts the characters a search text may begin
// with (null: the page cannot be rewritten).
void TestRewrite::declaredLabels_data()
{
    QTest::addColumn<QByteArray>("labels");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("known");
    QTest::addColumn<QString>("starts");

    QString ascii;
    for (char c = ' '; c < 0x7F; ++c)
        ascii += QLatin1Char(c);
    const QString below0 = ascii.first(16), beforeAt = ascii.first(32);
    QString noLetters = ascii;
    noLetters.remove(QRegularExpression("[A-Za-z]"));
    // clang-format off
    QTest::addRow("UTF-8, UTF-16") << QByteArray("utf-8 utf8 unicode-1-1-utf-8 unicode20utf8 utf-16 utf-16le utf-16be ucs-2 unicode unicodefffe csunicode") << "UTF-8" << true << ascii;
    QTest::addRow("GBK") << QByteArray("gb2312 csgb2312 gb_2312 gb_2312-80 chinese iso-ir-58 csiso58gb231280 x-gbk gbk") << "GBK" << true << below0 + ":;<=>?";
    QTest::addRow("gb18030") << QByteArray("gb18030") << "gb18030" << true << below0 + ":;<=>?";
    QTest::addRow("Big5") << QByteArray("big5 big5-hkscs cn-big5 csbig5 x-x-big5") << "Big5" << true << beforeAt;
    QTest::addRow("Shift_JIS") << QByteArray("shift_jis csshiftjis ms932 ms_kanji shift-jis sjis windows-31j x-sjis") << "Shift_JIS" << true << beforeAt;
    QTest::addRow("EUC-KR") << QByteArray("euc-kr cseuckr csksc56011987 iso-ir-149 korean ks_c_5601-1987 ks_c_5601-1989 ksc5601 ksc_5601 windows-949") << "EUC-KR" << true << noLetters;
    QTest::addRow("EUC-JP") << QByteArray("euc-jp cseucpkdfmtjapanese x-euc-jp") << "EUC-JP" << true << ascii;
    QTest::addRow("ISO-2022-JP") << QByteArray("iso-2022-jp csiso2022jp") << "ISO-2022-JP" << true << QString();
    QTest::addRow("replacement") << QByteArray("iso-2022-kr csiso2022kr hz-gb-2312 iso-2022-cn iso-2022-cn-ext replacement") << "" << true << QString();
    QTest::addRow("windows-1252") << QByteArray("ascii us-ascii iso-8859-1 latin1 l1 cp819 x-user-defined windows-1252") << "windows-1252" << true << ascii;
    QTest::addRow("windows-1250") << QByteArray("cp1250 x-cp1250") << "windows-1250" << true << ascii;
    QTest::addRow("windows-1254") << QByteArray("iso-8859-9 latin5 cp1254") << "windows-1254" << true << ascii;
    QTest::addRow("windows-874") << QByteArray("tis-620 iso-8859-11 dos-874") << "windows-874" << true << ascii;
    QTest::addRow("KOI8-U") << QByteArray("koi8-u koi8-ru") << "KOI8-U" << true << ascii;
    QTest::addRow("x-mac-cyrillic") << QByteArray("x-mac-ukrainian") << "x-mac-cyrillic" << true << ascii;
    QTest::addRow("unknown to browsers") << QByteArray("cp949 euc-cn ms936 utf-32 x-bogus") << "" << false << QString();
    // clang-format on
}

void TestRewrite::declaredLabels()
{
    QFETCH(QByteArray, labels);
    QFETCH(QString, name);
    QFETCH(bool, known);
    QFETCH(QString, starts);

    for (const QByteArray &label : labels.split(' ')) {
        const std::optional<FileEncoding> declared =
            DeclaredEncoding("<meta charset=\" " + label.toUpper() + "\t\">");
        QVERIFY2(declared, label);
        if (name == "UTF-8") {
            QVERIFY2(*declared == FileEncoding::Utf8, label);
            continue;
        }
        QCOMPARE(declared->charset(), label);
        const CharsetProfile &profile = CharsetProfile::of(label);
        QCOMPARE(profile.name, name.isEmpty() ? QString::fromLatin1(label) : name);
        if (const QString lacking = wineLacks(label); !lacking.isEmpty())
            QSKIP(qPrintable(lacking));
        QCOMPARE(profile.known, known);
        QCOMPARE(profile.substitutable, !starts.isNull());
        if (!starts.isNull())
            QCOMPARE(profile.startCharacters(), starts);
    }
}

QTEST_GUILESS_MAIN(TestRewrite)
#include "TestRewrite.moc"
