#include "text/WebEncoding.h"

#include <QByteArray>
#include <QHash>

namespace {

using Form = WebEncoding::Form;

struct Row
{
    WebEncoding encoding;
    const char *labels; ///< separated by spaces
};

// The Encoding Standard's table of encodings and labels (encoding.spec.whatwg.org,
// encodings.json), with ICU's converter and the Windows code page chosen for each by comparing
// their mappings with the standard's indexes: ICU's writes no character otherwise than
// browsers read it, but for private-use characters and C1 controls (which EncodeText refuses
// in a declared charset) and the few listed as misread. Where a page's <meta> means another
// encoding than the label's own, the label stands with the encoding it means (UTF-16's,
// x-user-defined). ISO-8859-16 has no converter in Qt's ICU on Debian: its pages are reported as
// not known. Code pages 28600, 28604 and 28606 are not on every Windows system.
const Row rows[] = {
    {{"UTF-8", Form::Utf8, "UTF-8", 65001, nullptr},
     "unicode-1-1-utf-8 unicode11utf8 unicode20utf8 utf-8 utf8 x-unicode20utf8 "
     "unicodefffe utf-16be csunicode iso-10646-ucs-2 ucs-2 unicode unicodefeff utf-16 utf-16le"},
    // ICU's IBM866 and windows-31j write three control characters as each other.
    {{"IBM866", Form::SingleByte, "IBM866", 866, u"\u001A\u001C\u007F"},
     "866 cp866 csibm866 ibm866"},
    {{"ISO-8859-2", Form::SingleByte, "ISO-8859-2", 28592, nullptr},
     "csisolatin2 iso-8859-2 iso-ir-101 iso8859-2 iso88592 iso_8859-2 iso_8859-2:1987 l2 latin2"},
    {{"ISO-8859-3", Form::SingleByte, "ISO-8859-3", 28593, nullptr},
     "csisolatin3 iso-8859-3 iso-ir-109 iso8859-3 iso88593 iso_8859-3 iso_8859-3:1988 l3 latin3"},
    {{"ISO-8859-4", Form::SingleByte, "ISO-8859-4", 28594, nullptr},
     "csisolatin4 iso-8859-4 iso-ir-110 iso8859-4 iso88594 iso_8859-4 iso_8859-4:1988 l4 latin4"},
    {{"ISO-8859-5", Form::SingleByte, "ISO-8859-5", 28595, nullptr},
     "csisolatincyrillic cyrillic iso-8859-5 iso-ir-144 iso8859-5 iso88595 iso_8859-5 "
     "iso_8859-5:1988"},
    {{"ISO-8859-6", Form::SingleByte, "ISO-8859-6", 28596, nullptr},
     "arabic asmo-708 csiso88596e csiso88596i csisolatinarabic ecma-114 iso-8859-6 iso-8859-6-e "
     "iso-8859-6-i iso-ir-127 iso8859-6 iso88596 iso_8859-6 iso_8859-6:1987"},
    {{"ISO-8859-7", Form::SingleByte, "ISO-8859-7", 28597, nullptr},
     "csisolatingreek ecma-118 elot_928 greek greek8 iso-8859-7 iso-ir-126 iso8859-7 iso88597 "
     "iso_8859-7 iso_8859-7:1987 sun_eu_greek"},
    {{"ISO-8859-8", Form::SingleByte, "ISO-8859-8", 28598, nullptr},
     "csiso88598e csisolatinhebrew hebrew iso-8859-8 iso-8859-8-e iso-ir-138 iso8859-8 iso88598 "
     "iso_8859-8 iso_8859-8:1988 visual"},
    {{"ISO-8859-8-I", Form::SingleByte, "ISO-8859-8-I", 38598, nullptr},
     "csiso88598i iso-8859-8-i logical"},
    {{"ISO-8859-10", Form::SingleByte, "ISO-8859-10", 28600, nullptr},
     "csisolatin6 iso-8859-10 iso-ir-157 iso8859-10 iso885910 l6 latin6"},
    {{"ISO-8859-13", Form::SingleByte, "ISO-8859-13", 28603, nullptr},
     "iso-8859-13 iso8859-13 iso885913"},
    {{"ISO-8859-14", Form::SingleByte, "ISO-8859-14", 28604, nullptr},
     "iso-8859-14 iso8859-14 iso885914"},
    {{"ISO-8859-15", Form::SingleByte, "ISO-8859-15", 28605, nullptr},
     "csisolatin9 iso-8859-15 iso8859-15 iso885915 iso_8859-15 l9"},
    {{"ISO-8859-16", Form::SingleByte, "ISO-8859-16", 28606, nullptr}, "iso-8859-16"},
    {{"KOI8-R", Form::SingleByte, "KOI8-R", 20866, nullptr}, "cskoi8r koi koi8 koi8-r koi8_r"},
    // Browsers read KOI8-U as KOI8-RU, with two more Belarusian letters in place of box lines.
    {{"KOI8-U", Form::SingleByte, "KOI8-U", 21866, u"\u255D\u256C"}, "koi8-ru koi8-u"},
    {{"macintosh", Form::SingleByte, "macintosh", 10000, nullptr},
     "csmacintosh mac macintosh x-mac-roman"},
    {{"windows-874", Form::SingleByte, "windows-874", 874, nullptr},
     "dos-874 iso-8859-11 iso8859-11 iso885911 tis-620 windows-874"},
    {{"windows-1250", Form::SingleByte, "windows-1250", 1250, nullptr},
     "cp1250 windows-1250 x-cp1250"},
    {{"windows-1251", Form::SingleByte, "windows-1251", 1251, nullptr},
     "cp1251 windows-1251 x-cp1251"},
    {{"windows-1252", Form::SingleByte, "windows-1252", 1252, nullptr},
     "ansi_x3.4-1968 ascii cp1252 cp819 csisolatin1 ibm819 iso-8859-1 iso-ir-100 iso8859-1 "
     "iso88591 iso_8859-1 iso_8859-1:1987 l1 latin1 us-ascii windows-1252 x-cp1252 "
     "x-user-defined"},
    // ICU writes U+00AA as 0xAA, a byte browsers leave undefined in windows-1253.
    {{"windows-1253", Form::SingleByte, "windows-1253", 1253, u"\u00AA"},
     "cp1253 windows-1253 x-cp1253"},
    {{"windows-1254", Form::SingleByte, "windows-1254", 1254, nullptr},
     "cp1254 csisolatin5 iso-8859-9 iso-ir-148 iso8859-9 iso88599 iso_8859-9 iso_8859-9:1989 l5 "
     "latin5 windows-1254 x-cp1254"},
    {{"windows-1255", Form::SingleByte, "windows-1255", 1255, nullptr},
     "cp1255 windows-1255 x-cp1255"},
    {{"windows-1256", Form::SingleByte, "windows-1256", 1256, nullptr},
     "cp1256 windows-1256 x-cp1256"},
    {{"windows-1257", Form::SingleByte, "windows-1257", 1257, nullptr},
     "cp1257 windows-1257 x-cp1257"},
    {{"windows-1258", Form::SingleByte, "windows-1258", 1258, nullptr},
     "cp1258 windows-1258 x-cp1258"},
    // The standard's index is the Ukrainian variant (code page 10017, not 10007).
    {{"x-mac-cyrillic", Form::SingleByte, "x-mac-cyrillic", 10017, nullptr},
     "x-mac-cyrillic x-mac-ukrainian"},
    // GBK's decoder is gb18030's: a page labelled gb2312 may hold four-byte sequences, whose
    // second and fourth bytes are digits. Only gb18030's converters read them (so not 936).
    {{"GBK", Form::MultiByte, "gb18030", 54936, nullptr},
     "chinese csgb2312 csiso58gb231280 gb2312 gb_2312 gb_2312-80 gbk iso-ir-58 x-gbk"},
    {{"gb18030", Form::MultiByte, "gb18030", 54936, nullptr}, "gb18030"},
    // Browsers read Big5 with the Hong Kong extensions; Windows has no code page for them.
    {{"Big5", Form::MultiByte, "Big5-HKSCS", 950, nullptr},
     "big5 big5-hkscs cn-big5 csbig5 x-x-big5"},
    // 20932, not 51932: MultiByteToWideChar does not know 51932.
    {{"EUC-JP", Form::MultiByte, "EUC-JP", 20932, nullptr}, "cseucpkdfmtjapanese euc-jp x-euc-jp"},
    {{"ISO-2022-JP", Form::ShiftStates, "ISO-2022-JP", 50220, nullptr}, "csiso2022jp iso-2022-jp"},
    {{"Shift_JIS", Form::MultiByte, "windows-31j", 932, u"\u001A\u001C\u007F"},
     "csshiftjis ms932 ms_kanji shift-jis shift_jis sjis windows-31j x-sjis"},
    // Windows' unified Hangul code: a letter can be the second byte of a character.
    {{"EUC-KR", Form::MultiByte, "windows-949", 949, nullptr},
     "cseuckr csksc56011987 euc-kr iso-ir-149 korean ks_c_5601-1987 ks_c_5601-1989 ksc5601 "
     "ksc_5601 windows-949"},
    {{"replacement", Form::Replacement, nullptr, 0, nullptr},
     "csiso2022kr hz-gb-2312 iso-2022-cn iso-2022-cn-ext iso-2022-kr replacement"},
};

QHash<QByteArray, const WebEncoding *> labelTable()
{
    QHash<QByteArray, const WebEncoding *> table;
    for (const Row &row : rows) {
        for (const QByteArray &label : QByteArray(row.labels).split(' '))
            table.insert(label, &row.encoding);
    }
    return table;
}

bool isAsciiWhitespace(char c)
{
    return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

} // namespace

QByteArray WebEncoding::normalLabel(QByteArrayView label)
{
    while (!label.isEmpty() && isAsciiWhitespace(label.front()))
        label = label.sliced(1);
    while (!label.isEmpty() && isAsciiWhitespace(label.back()))
        label.chop(1);
    return label.toByteArray().toLower();
}

const WebEncoding *WebEncoding::forLabel(QByteArrayView label)
{
    static const QHash<QByteArray, const WebEncoding *> table = labelTable();
    return table.value(normalLabel(label));
}
