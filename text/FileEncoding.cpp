#include "FileEncoding.h"

#include "CharsetConverter.h"
#include "LegacyCodePage.h"
#include "WebEncoding.h"

#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <string_view>

namespace {

QStringEncoder encoderFor(const FileEncoding &encoding)
{
    // Stateless, so that a lone surrogate at the end of a text counts as an error instead of
    // being held back for a continuation that never comes. Each is made where it is used: Qt's
    // ICU converter counts errors at the address it was made at, so a moved one reports none.
    constexpr auto flags = QStringConverter::Flag::Stateless;
    switch (encoding.form()) {
    case FileEncoding::Form::Utf8:
        return QStringEncoder(QStringConverter::Utf8, flags);
    case FileEncoding::Form::Utf16LE:
        return QStringEncoder(QStringConverter::Utf16LE, flags);
    case FileEncoding::Form::Utf16BE:
        return QStringEncoder(QStringConverter::Utf16BE, flags);
    case FileEncoding::Form::Legacy:
    case FileEncoding::Form::Declared: // written by its own converter, never here
        break;
    }
    return LegacyCodePage::encoder();
}

// Whether browsers read text, as written by the declared charset's converter, as text. The
// converters chosen part from browsers only on private-use characters (the user-defined areas
// of GB18030, Big5 and windows-949 among them), C1 controls and the few the table lists.
bool browsersReadAsWritten(const QString &text, const WebEncoding &encoding)
{
    const char16_t *listed = encoding.misread;
    const std::u16string_view misread(listed ? listed : u"");
    const QList<uint> characters = text.toUcs4();
    return std::none_of(characters.cbegin(), characters.cend(), [&](uint c) {
        return QChar::category(c) == QChar::Other_PrivateUse || (c >= 0x80 && c < 0xA0) ||
               (c < 0x10000 && misread.find(char16_t(c)) != misread.npos);
    });
}

// A declared charset's text as its converter writes it, if browsers read that back as text.
std::optional<QByteArray> encodeDeclared(const QString &text, const FileEncoding &encoding)
{
    const WebEncoding *web = WebEncoding::forLabel(encoding.charset());
    if (!web)
        return std::nullopt;
    std::optional<QByteArray> bytes = CharsetConverter::encode(*web, text);
    if (!bytes || !browsersReadAsWritten(text, *web))
        return std::nullopt;
    return bytes;
}

} // namespace

std::optional<ByteOrderMark> DetectByteOrderMark(QByteArrayView head)
{
    if (head.startsWith("\xEF\xBB\xBF"))
        return ByteOrderMark{FileEncoding::Utf8, 3};
    if (head.startsWith("\xFF\xFE"))
        return ByteOrderMark{FileEncoding::Utf16LE, 2};
    if (head.startsWith("\xFE\xFF"))
        return ByteOrderMark{FileEncoding::Utf16BE, 2};
    return std::nullopt;
}

QByteArray AsciiUnit(char ascii, const FileEncoding &encoding)
{
    QByteArray unit(UnitBytes(encoding), '\0');
    unit[encoding == FileEncoding::Utf16BE ? 1 : 0] = ascii;
    return unit;
}

QString FileEncodingName(const FileEncoding &encoding)
{
    switch (encoding.form()) {
    case FileEncoding::Form::Utf8:
        return QStringLiteral("UTF-8");
    case FileEncoding::Form::Utf16LE:
        return QStringLiteral("UTF-16 LE");
    case FileEncoding::Form::Utf16BE:
        return QStringLiteral("UTF-16 BE");
    case FileEncoding::Form::Declared:
        return QString::fromLatin1(encoding.charset());
    case FileEncoding::Form::Legacy:
        break;
    }
    return LegacyCodePage::name();
}

std::optional<QByteArray> EncodeText(const QString &text, const FileEncoding &encoding)
{
    if (encoding.form() == FileEncoding::Form::Declared)
        return encodeDeclared(text, encoding);
    QStringEncoder encoder = encoderFor(encoding);
    if (!encoder.isValid())
        return std::nullopt;
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    if (encoding == FileEncoding::Legacy && !LegacyCodePage::keeps(text, bytes))
        return std::nullopt;
    return bytes;
}
