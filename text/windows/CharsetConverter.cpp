#include "CharsetConverter.h"

#include <windows.h>

#include <limits>
#include <string>

namespace {

// Code pages of the ISO-2022 kind take none of the flags that report a character lacking.
bool takesNoFlags(UINT codePage)
{
    return codePage == 42 || (codePage >= 50220 && codePage <= 50229) || codePage == 52936 ||
           (codePage >= 57002 && codePage <= 57011) || codePage == 65000;
}

// GB18030 and UTF-8 take only the flag that reports invalid characters, and no default one.
bool takesOnlyErrorFlag(UINT codePage)
{
    return codePage == 54936 || codePage == 65001;
}

// Code page 20932 writes the characters of JIS X 0212 (Å among them) by their row and column
// with the row's high bit set, EUC-JP writes them after 0x8F with both high bits set; browsers
// read 20932's form as an error and the ASCII of its column. The bytes of 20932 as EUC-JP.
QByteArray asEucJp(UINT codePage, const QByteArray &bytes)
{
    if (codePage != 20932)
        return bytes;
    QByteArray euc;
    euc.reserve(bytes.size() + bytes.size() / 2);
    for (qsizetype at = 0; at < bytes.size(); ++at) {
        const uchar first = uchar(bytes[at]);
        const uchar second = at + 1 < bytes.size() ? uchar(bytes[at + 1]) : 0;
        if (first >= 0xA1 && first != 0xFF && second >= 0x21 && second < 0x7F) {
            euc += '\x8F';
            euc += char(first);
            euc += char(second | 0x80);
            ++at;
        } else { // a character of one to three bytes (C1 controls are one), copied whole
            const qsizetype length = first == 0x8F ? 3 : first == 0x8E || first >= 0xA1 ? 2 : 1;
            euc += bytes.mid(at, length);
            at += length - 1;
        }
    }
    return euc;
}

const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

// The bytes of text, or nothing when the code page refuses it; usedDefault, where the code page
// allows it, learns whether a character it lacks was written as its default character.
std::optional<QByteArray> toBytes(UINT codePage, const QString &text, DWORD flags,
                                  BOOL *usedDefault)
{
    if (text.isEmpty())
        return QByteArray();
    if (text.size() > std::numeric_limits<int>::max() / 4)
        return std::nullopt;
    const int length = int(text.size());
    QByteArray bytes(qsizetype(length) * 4, Qt::Uninitialized); // four bytes a character at most
    const int written = WideCharToMultiByte(codePage, flags, wide(text), length, bytes.data(),
                                            int(bytes.size()), nullptr, usedDefault);
    if (written <= 0)
        return std::nullopt;
    bytes.truncate(written);
    return bytes;
}

// Whether bytes read in the code page say text exactly, every byte part of a character it has.
bool readsAs(UINT codePage, const QByteArray &bytes, const QString &text)
{
    if (bytes.isEmpty())
        return text.isEmpty();
    const DWORD flags = takesNoFlags(codePage) ? 0 : MB_ERR_INVALID_CHARS;
    std::wstring read(std::size_t(bytes.size()), L'\0');
    const int length = MultiByteToWideChar(codePage, flags, bytes.constData(), int(bytes.size()),
                                           read.data(), int(read.size()));
    return length > 0 &&
           QString::fromUtf16(reinterpret_cast<const char16_t *>(read.data()), length) == text;
}

} // namespace

bool CharsetConverter::exists(const WebEncoding &encoding)
{
    return encoding.codePage != 0 && IsValidCodePage(encoding.codePage);
}

// A code page writes a character it lacks as a best fit or as its default character, and
// reports it only where it takes the flags for it: whatever it takes, only a text that reads
// back as itself is taken.
std::optional<QByteArray> CharsetConverter::encode(const WebEncoding &encoding, const QString &text)
{
    if (!exists(encoding))
        return std::nullopt;
    const UINT codePage = encoding.codePage;
    BOOL usedDefault = FALSE;
    std::optional<QByteArray> bytes;
    if (takesNoFlags(codePage))
        bytes = toBytes(codePage, text, 0, nullptr);
    else if (takesOnlyErrorFlag(codePage))
        bytes = toBytes(codePage, text, WC_ERR_INVALID_CHARS, nullptr);
    else
        bytes = toBytes(codePage, text, WC_NO_BEST_FIT_CHARS, &usedDefault);
    if (!bytes || usedDefault || !readsAs(codePage, *bytes, text))
        return std::nullopt;
    return asEucJp(codePage, *bytes);
}

QByteArray CharsetConverter::encodeSubstituting(const WebEncoding &encoding, const QString &text)
{
    return asEucJp(encoding.codePage,
                   toBytes(encoding.codePage, text, 0, nullptr).value_or(QByteArray()));
}
