#include "text/ReplacementTexts.h"

#include "text/CharsetProfile.h"

#include <algorithm>

namespace {

bool isAscii(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
}

} // namespace

ReplacementTexts::ReplacementTexts(const QString &search, const QString &replacement)
    : m_search(search), m_replacement(replacement),
      m_ascii(::isAscii(search) && ::isAscii(replacement)), m_fixed{
                                                                encodeFor(FileEncoding::Utf8),
                                                                encodeFor(FileEncoding::Utf16LE),
                                                                encodeFor(FileEncoding::Utf16BE),
                                                                encodeFor(FileEncoding::Legacy)}
{}

const ReplacementTexts::Encoded &ReplacementTexts::encoded(const FileEncoding &encoding) const
{
    if (encoding.form() != FileEncoding::Form::Declared)
        return m_fixed[std::size_t(encoding.form())];
    const std::lock_guard lock(m_mutex);
    std::unique_ptr<const Encoded> &slot = m_declared[encoding.charset()];
    if (!slot)
        slot = std::make_unique<const Encoded>(encodeForCharset(encoding));
    return *slot;
}

ReplacementTexts::Encoded ReplacementTexts::encodeFor(const FileEncoding &encoding) const
{
    Encoded texts;
    texts.search = EncodeText(m_search, encoding);
    texts.replacement = EncodeText(m_replacement, encoding);
    texts.name = FileEncodingName(encoding);
    return texts;
}

ReplacementTexts::Encoded ReplacementTexts::encodeForCharset(const FileEncoding &encoding) const
{
    const CharsetProfile &profile = CharsetProfile::of(encoding.charset());
    Encoded texts;
    texts.name = profile.name;
    if (!profile.known) {
        texts.problem = EncodingProblem::UnknownCharset;
    } else if (!profile.substitutable) {
        texts.problem = EncodingProblem::UnsupportedCharset;
    } else {
        texts.search = EncodeText(m_search, encoding);
        texts.replacement = EncodeText(m_replacement, encoding);
        // A match that begins with a byte that never follows another byte of a character
        // begins a character, also in the lines that replacements make: each replacement is
        // whole characters put where whole characters were.
        if (texts.search && !texts.search->isEmpty() &&
            profile.innerBytes.test(uchar(texts.search->front()))) {
            texts.problem = EncodingProblem::MatchInsideCharacter;
            texts.startCharacters = profile.startCharacters();
        }
    }
    return texts;
}
