#pragma once

#include <QByteArray>
#include <QString>

#include <bitset>

/// What must be known of a declared charset to search and rewrite a page in it without
/// decoding it, learnt from its encoder (ICU's, through QStringEncoder) once per process.
///
/// A page is rewritten by replacing the encoded search text by the encoded replacement, byte
/// for byte. That is sound only where every character is always written as the same bytes
/// (no shift states: ISO-2022-JP, HZ, UTF-7 have them), ASCII is written as itself (so that
/// CR and LF end lines and the texts' ASCII is what it is), and a line break never stands
/// inside a character. In multi-byte charsets (Shift_JIS, Big5, GBK, EUC-JP ...) a byte
/// match can also begin inside a character, on its second byte: the bytes that can stand
/// there are listed in innerBytes, and a search text that begins with one of them cannot
/// be told from part of another character without decoding the page.
struct CharsetProfile
{
    bool known = false;          ///< an encoder knows the label
    bool substitutable = false;  ///< bytes can be replaced as the class comment says
    QString name;                ///< the encoder's name for it, else the label
    std::bitset<256> innerBytes; ///< bytes that follow the first byte of some character

    /// The profile of label (lower case); built on first use, about 50 ms, then shared.
    /// Thread-safe.
    static const CharsetProfile &of(const QByteArray &label);
};
