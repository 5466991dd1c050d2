#pragma once

#include <QByteArrayView>

/// Tells whether a stream of bytes, fed in pieces of any size, is well-formed UTF-8: no
/// overlong forms, no surrogates, nothing above U+10FFFF, no sequence cut off at the end.
/// Qt's decoder would decode the whole file only to throw the text away, and it cannot tell
/// a sequence cut off at the end of a stream; this needs no output and skips ASCII quickly.
class Utf8Validator
{
public:
    /// Checks the next bytes of the stream. Returns false once the stream is known to be invalid.
    bool feed(QByteArrayView bytes);

    /// True when the bytes fed so far are well-formed UTF-8 and no sequence is left open.
    bool isComplete() const { return !m_invalid && m_needed == 0; }

    /// True once an invalid byte was seen; nothing fed afterwards can make the stream valid.
    bool isInvalid() const { return m_invalid; }

private:
    const unsigned char *skipAscii(const unsigned char *from, const unsigned char *end) const;
    bool startSequence(unsigned char lead);

    int m_needed = 0;            ///< continuation bytes still expected
    unsigned char m_low = 0x80;  ///< lowest allowed value of the next continuation byte
    unsigned char m_high = 0xBF; ///< highest allowed value of the next continuation byte
    bool m_invalid = false;
};
