#include "ReplacementTexts.h"

#include "LineReplacer.h"

#include <algorithm>
#include <cstring>

namespace {

bool isAscii(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
}

std::size_t index(FileEncoding encoding)
{
    return static_cast<std::size_t>(encoding);
}

// Units keep the file's byte order: a UTF-16 BE text on a little-endian machine holds
// byte-swapped values, exactly as the lines read from a BE file do, and equality is all the
// replacer needs.
std::u16string unitsOf(const QByteArray &bytes)
{
    std::u16string units(static_cast<std::size_t>(bytes.size()) / 2, u'\0');
    std::memcpy(units.data(), bytes.constData(), units.size() * 2);
    return units;
}

std::string_view bytesOf(const QByteArray &bytes)
{
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

} // namespace

ReplacementTexts::ReplacementTexts(const QString &search, const QString &replacement)
    : m_search(search), m_replacement(replacement),
      m_ascii(::isAscii(search) && ::isAscii(replacement))
{}

ReplacementTexts::~ReplacementTexts() = default;

const ReplacementTexts::Encoded &ReplacementTexts::encoded(FileEncoding encoding)
{
    std::optional<Encoded> &slot = m_encoded[index(encoding)];
    if (!slot)
        slot = Encoded{EncodeText(m_search, encoding), EncodeText(m_replacement, encoding)};
    return *slot;
}

LineReplacer<char> &ReplacementTexts::byteReplacer(FileEncoding encoding)
{
    Q_ASSERT(!IsUtf16(encoding));
    std::unique_ptr<LineReplacer<char>> &slot = m_byteReplacers[index(encoding)];
    if (!slot) {
        const Encoded &texts = encoded(encoding);
        Q_ASSERT(texts.search && texts.replacement);
        slot = std::make_unique<LineReplacer<char>>(bytesOf(*texts.search),
                                                    bytesOf(*texts.replacement));
    }
    return *slot;
}

LineReplacer<char16_t> &ReplacementTexts::utf16Replacer(FileEncoding encoding)
{
    Q_ASSERT(IsUtf16(encoding));
    std::unique_ptr<LineReplacer<char16_t>> &slot = m_utf16Replacers[index(encoding)];
    if (!slot) {
        const Encoded &texts = encoded(encoding);
        Q_ASSERT(texts.search && texts.replacement);
        // LineReplacer keeps copies of its texts, so these temporaries may go.
        slot = std::make_unique<LineReplacer<char16_t>>(unitsOf(*texts.search),
                                                        unitsOf(*texts.replacement));
    }
    return *slot;
}
