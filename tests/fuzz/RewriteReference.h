#pragma once

#include "NaiveReplace.h"

#include <cstddef>
#include <optional>
#include <string>

/// What the rewrite of a whole file must give, worked out as plainly as possible from the
/// file's bytes, for ASCII search and replacement texts:
/// - A UTF-16 byte order mark (FF FE, FE FF) makes the file UTF-16 of that byte order: it is
///   cut into 16-bit units after the mark, an odd last byte is kept as it is. Anything else is
///   taken byte by byte: a UTF-8 file and an 8-bit one write ASCII texts with the same bytes,
///   and a UTF-8 byte order mark, being no ASCII, can neither match nor take part in a match.
/// - Lines end at CR; an LF right after a CR belongs to its line break; a lone LF stays in
///   its line. Each line is replaced by the naive rule, and the lines are joined again with
///   the line breaks they had.
/// The implementation keeps UTF-16 units in the file's byte order and never decodes a file;
/// this reference decodes UTF-16 to unit values and encodes them back.
namespace RewriteReference {

/// The file as the rewrite must leave it, and whether some line held the search text.
struct Expected
{
    std::string file;
    bool replaced = false;
};

/// Steps of the naive rule per line before the reference gives up; far below the limits at
/// which the implementation gives up on a line, so where the reference ends, so must it.
inline constexpr std::size_t MaxSteps = 1000;

template <typename String>
std::optional<String> replaceLines(const String &text, const String &search,
                                   const String &replacement, bool &replaced)
{
    using Unit = typename String::value_type;
    String out;
    out.reserve(text.size());
    std::size_t start = 0;
    for (;;) {
        const std::size_t cr = text.find(Unit('\r'), start);
        const String line = text.substr(start, cr == String::npos ? String::npos : cr - start);
        const std::optional<String> done = naiveReplace(line, search, replacement, MaxSteps);
        if (!done)
            return std::nullopt;
        replaced = replaced || line.find(search) != String::npos;
        out += *done;
        if (cr == String::npos)
            return out;
        const bool crLf = cr + 1 < text.size() && text[cr + 1] == Unit('\n');
        start = cr + (crLf ? 2 : 1);
        out += text.substr(cr, start - cr);
    }
}

inline std::u16string widened(const std::string &ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

inline std::optional<Expected> utf16(const std::string &file, bool bigEndian,
                                     const std::string &search, const std::string &replacement)
{
    const std::size_t units = (file.size() - 2) / 2;
    std::u16string text(units, u'\0');
    for (std::size_t i = 0; i < units; ++i) {
        const auto first = static_cast<unsigned char>(file[2 + 2 * i]);
        const auto second = static_cast<unsigned char>(file[3 + 2 * i]);
        text[i] = char16_t(bigEndian ? first << 8 | second : second << 8 | first);
    }
    Expected expected;
    const std::optional<std::u16string> done =
        replaceLines(text, widened(search), widened(replacement), expected.replaced);
    if (!done)
        return std::nullopt;
    expected.file.reserve(file.size() + done->size() * 2);
    expected.file = file.substr(0, 2);
    for (const char16_t unit : *done) {
        const char high = char(unit >> 8), low = char(unit & 0xFF);
        expected.file.push_back(bigEndian ? high : low);
        expected.file.push_back(bigEndian ? low : high);
    }
    expected.file += file.substr(2 + 2 * units); // the odd last byte, if any
    return expected;
}

/// The expected result of rewriting file; nothing when the naive rule did not come to an end
/// on some line within MaxSteps.
inline std::optional<Expected> rewrite(const std::string &file, const std::string &search,
                                       const std::string &replacement)
{
    if (file.starts_with("\xFF\xFE") || file.starts_with("\xFE\xFF"))
        return utf16(file, file[0] == '\xFE', search, replacement);
    Expected expected;
    const std::optional<std::string> done =
        replaceLines(file, search, replacement, expected.replaced);
    if (!done)
        return std::nullopt;
    expected.file = *done;
    return expected;
}

} // namespace RewriteReference
