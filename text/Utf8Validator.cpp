#include "text/Utf8Validator.h"

#include <cstdint>
#include <cstring>

const unsigned char *Utf8Validator::skipAscii(const unsigned char *from,
                                              const unsigned char *end) const
{
    constexpr std::uint64_t highBits = 0x8080808080808080u;
    while (end - from >= 8) {
        std::uint64_t word;
        std::memcpy(&word, from, sizeof word);
        if (word & highBits)
            break;
        from += 8;
    }
    while (from != end && *from < 0x80)
        ++from;
    return from;
}

// The ranges follow the table of well-formed byte sequences of the Unicode standard: the
// narrowed second-byte ranges after E0, ED, F0 and F4 exclude overlong forms, surrogates and
// code points above U+10FFFF.
bool Utf8Validator::startSequence(unsigned char lead)
{
    m_low = 0x80;
    m_high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        m_needed = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        m_needed = 2;
        if (lead == 0xE0)
            m_low = 0xA0;
        else if (lead == 0xED)
            m_high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        m_needed = 3;
        if (lead == 0xF0)
            m_low = 0x90;
        else if (lead == 0xF4)
            m_high = 0x8F;
    } else {
        return false;
    }
    return true;
}

bool Utf8Validator::feed(QByteArrayView bytes)
{
    const auto *at = reinterpret_cast<const unsigned char *>(bytes.data());
    const unsigned char *const end = at + bytes.size();
    while (!m_invalid && at != end) {
        if (m_needed == 0) {
            at = skipAscii(at, end);
            if (at == end)
                break;
            m_invalid = !startSequence(*at++);
            continue;
        }
        if (*at < m_low || *at > m_high) {
            m_invalid = true;
            break;
        }
        ++at;
        --m_needed;
        m_low = 0x80;
        m_high = 0xBF;
    }
    return !m_invalid;
}
