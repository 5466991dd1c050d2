#include "CharsetProfile.h"

#include "CharsetConverter.h"
#include "WebEncoding.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace {

using Form = WebEncoding::Form;

// Printable ASCII, tab and the line breaks; some converters swap control characters (ICU's
// windows-31j writes DEL as 0x1C), which a page's lines do not depend on and WebEncoding lists.
bool writesAsciiAsItself(const WebEncoding &encoding)
{
    QByteArray ascii("\t\n\r");
    for (char c = ' '; c < 0x7F; ++c)
        ascii += c;
    return CharsetConverter::encode(encoding, QString::fromLatin1(ascii)) == ascii;
}

// The bytes that can follow the first byte of a character, or nothing when a line feed can.
// Browsers' decoders take any byte but ASCII after a first byte into the character (or into
// the error they show for it), so every such byte counts; of ASCII, those the converter writes
// there. Every character of the Basic Multilingual Plane goes through the converter in one
// call, each followed by a line feed (characters beyond the plane use the same bytes). A
// character the converter lacks comes out as its substitute, whose bytes after the first are
// not ASCII. One call costs a few milliseconds; a call per character cost about 50.
std::optional<std::bitset<256>> learnInnerBytes(const WebEncoding &encoding)
{
    QString all;
    all.reserve(2 * 0x10000);
    qsizetype characters = 0;
    for (char32_t code = 0x80; code < 0x10000; ++code) {
        if (code >= 0xD800 && code < 0xE000)
            continue;
        all += QChar(char16_t(code));
        all += u'\n';
        ++characters;
    }
    const QByteArray bytes = CharsetConverter::encodeSubstituting(encoding, all);
    std::bitset<256> inner;
    for (int byte = 0x80; byte < 0x100; ++byte)
        inner.set(std::size_t(byte));
    qsizetype lineFeeds = 0, inCharacter = 0;
    for (const char byte : bytes) {
        if (byte == '\n') {
            ++lineFeeds;
            inCharacter = 0;
        } else if (inCharacter++ > 0) {
            inner.set(uchar(byte));
        }
    }
    if (lineFeeds != characters) // a line feed stood inside some character
        return std::nullopt;
    return inner;
}

// Learnt once per converter: GBK and gb18030 share one (and one code page).
std::optional<std::bitset<256>> innerBytesOf(const WebEncoding &encoding)
{
    static std::map<std::string, std::optional<std::bitset<256>>> learnt;
    const auto found = learnt.find(encoding.converter);
    if (found != learnt.end())
        return found->second;
    return learnt[encoding.converter] = learnInnerBytes(encoding);
}

CharsetProfile build(const QByteArray &label)
{
    CharsetProfile profile;
    profile.name = QString::fromLatin1(label);
    const WebEncoding *encoding = WebEncoding::forLabel(label);
    if (!encoding)
        return profile;
    if (encoding->form != Form::Replacement) // its own name would say nothing
        profile.name = QString::fromLatin1(encoding->name);
    if (encoding->form == Form::Replacement || encoding->form == Form::ShiftStates) {
        profile.known = true;
        return profile;
    }
    if (!CharsetConverter::exists(*encoding))
        return profile;
    profile.known = true;
    if (!writesAsciiAsItself(*encoding))
        return profile;
    if (encoding->form == Form::MultiByte) {
        const std::optional<std::bitset<256>> inner = innerBytesOf(*encoding);
        if (!inner || inner->test('\r'))
            return profile;
        profile.innerBytes = *inner;
    }
    profile.substitutable = true;
    return profile;
}

} // namespace

QString CharsetProfile::startCharacters() const
{
    QString characters;
    for (char c = ' '; c < 0x7F; ++c) {
        if (!innerBytes.test(uchar(c)))
            characters += QLatin1Char(c);
    }
    return characters;
}

const CharsetProfile &CharsetProfile::of(const QByteArray &label)
{
    // Never erased, so a reference handed out stays valid; guarded for the read-ahead threads.
    static std::mutex mutex;
    static std::map<QByteArray, std::unique_ptr<const CharsetProfile>> profiles;
    const std::lock_guard lock(mutex);
    std::unique_ptr<const CharsetProfile> &slot = profiles[label];
    if (!slot)
        slot = std::make_unique<const CharsetProfile>(build(label));
    return *slot;
}
