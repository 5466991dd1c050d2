#pragma once

#include <QByteArray>
#include <QString>

#include <bitset>

/// What must be known of a declared charset to search and rewrite a page in it without
/// decoding it: the encoding browsers read the page in (WebEncoding), and what its converter
/// (CharsetConverter: ICU's, or a Windows code page) shows of it, learnt once per process.
///
/// A page is rewritten by replacing the encoded search text by the encoded replacement, byte
/// for byte. That is sound only where every character is always written as the same bytes
/// (no shift states: ISO-2022-JP and the encodings browsers read as "replacement" have them),
/// ASCII is written as itself (so that CR and LF end lines and the texts' ASCII is what it
/// is), and a line break never stands inside a character. In multi-byte charsets (GBK, Big5,
/// Shift_JIS, EUC-KR, EUC-JP ...) a byte match can also begin inside a character: the bytes
/// that can stand there are listed in innerBytes, and a search text that begins with one of
/// them cannot be told from part of another character without decoding the page.
struct CharsetProfile
{
    bool known = false;          ///< browsers know the label and a converter here reads it
    bool substitutable = false;  ///< bytes can be replaced as the class comment says
    QString name;                ///< the encoding's name, else the label
    std::bitset<256> innerBytes; ///< bytes that can follow the first byte of a character

    /// The characters of printable ASCII, space first, that no character holds after its first
    /// byte: a search text that begins with one of them is found only where a character begins.
    QString startCharacters() const;

    /// The profile of a declared label (see DeclaredEncoding); built on first use, a few
    /// milliseconds for a multi-byte encoding, then shared. Thread-safe.
    static const CharsetProfile &of(const QByteArray &label);
};
