#pragma once

#include "tests/text/NaiveReplace.h"

#include <optional>
#include <string>

/// The rewrite of a file for ASCII texts, plainly: after FF FE or FE FF, 16-bit units of that byte
/// order, else bytes; lines end at CR or CR LF (a lone LF stays in its line); an odd byte stays.
namespace RewriteReference {

struct Expected
{
    std::string file;
    bool replaced = false; ///< whether some line held the search text
};

/// Far below the implementation's limits for a line: where the reference gives up, so must it.
inline constexpr std::size_t MaxSteps = 1000;

/// When a page's declared charset keeps it from being rewritten: never (no declaration), always
/// (a charset browsers do not know), or when the search text occurs and begins with a byte that
/// can be a character's second: in euc-kr (read as windows-949) a letter, in gb2312 (read as
/// GBK, whose four-byte characters hold digits) a digit or a byte from 0x40 on. A byte order
/// mark overrides the declaration.
enum class Refusal { Never, Always, WhenFound };

inline Refusal refusal(const std::string &file, const std::string &search,
                       const std::string &declaration)
{
    if (file.starts_with("\xEF\xBB\xBF") || file.starts_with("\xFF\xFE") ||
        file.starts_with("\xFE\xFF"))
        return Refusal::Never;
    if (declaration.find("x-no-such-charset") != std::string::npos)
        return Refusal::Always;
    const unsigned char first = static_cast<unsigned char>(search[0]);
    const bool letter = (first | 0x20) >= 'a' && (first | 0x20) <= 'z';
    const bool digit = first >= '0' && first <= '9';
    if ((declaration.find("euc-kr") != std::string::npos && letter) ||
        (declaration.find("gb2312") != std::string::npos &&
         (digit || (first >= 0x40 && first != 0x7F)))) // GBK's trail bytes leave out DEL
        return Refusal::WhenFound;
    return Refusal::Never;
}

/// nullopt when the naive rule did not end on some line within MaxSteps.
inline std::optional<Expected> rewrite(const std::string &file, const std::string &search,
                                       const std::string &replacement)
{
    const bool utf16 = file.starts_with("\xFF\xFE") || file.starts_with("\xFE\xFF");
    const bool bigEndian = file.starts_with("\xFE\xFF");
    const std::size_t head = utf16 ? 2 : 0, width = utf16 ? 2 : 1;
    const auto byte = [&](std::size_t i) { return char16_t(static_cast<unsigned char>(file[i])); };
    std::u16string text, out;
    text.reserve(file.size());
    for (std::size_t i = head; i + width <= file.size(); i += width)
        text += !utf16      ? byte(i)
                : bigEndian ? char16_t(byte(i) << 8 | byte(i + 1))
                            : char16_t(byte(i + 1) << 8 | byte(i));
    const std::u16string from(search.begin(), search.end()),
        to(replacement.begin(), replacement.end());
    Expected expected;
    for (std::size_t start = 0;;) {
        const std::size_t cr = text.find(u'\r', start);
        const std::u16string line = text.substr(start, cr == text.npos ? text.npos : cr - start);
        const std::optional<std::u16string> done = naiveReplace(line, from, to, MaxSteps);
        if (!done)
            return std::nullopt;
        expected.replaced = expected.replaced || line.find(from) != line.npos;
        out += *done;
        if (cr == text.npos)
            break;
        start = cr + (cr + 1 < text.size() && text[cr + 1] == u'\n' ? 2 : 1);
        out += text.substr(cr, start - cr);
    }
    expected.file.reserve(file.size() + out.size() * 2);
    expected.file = file.substr(0, head);
    for (const char16_t unit : out) {
        if (bigEndian)
            expected.file += char(unit >> 8);
        expected.file += char(unit & 0xFF);
        if (utf16 && !bigEndian)
            expected.file += char(unit >> 8);
    }
    expected.file += file.substr(head + width * text.size()); // an odd last byte
    return expected;
}

} // namespace RewriteReference
