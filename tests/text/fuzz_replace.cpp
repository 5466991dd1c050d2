// libFuzzer target: the line replacer must give exactly what the naive rule gives, on bytes and
// on UTF-16 units.
//
// Input layout: one byte for the search length (1 to 8, low three bits) and the length of the
// pieces the line comes in (the rest: 0 the whole line, else 1 to 31), one for the replacement
// length (0 to 8, modulo 9), the window (the next digit in base 2: odd, the smallest window, four
// times the search length) and the unit (the one after: odd, UTF-16), the search text, the
// replacement text, and the rest (up to 256 bytes) as the line. The sizes stay small so that the
// naive reference stays fast.

#include "tests/text/NaiveReplace.h"
#include "text/LineReplacer.h"
#include "text/StringUnitSink.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

constexpr std::size_t kMaxSearch = 8;
constexpr std::size_t kMaxReplacement = 8;
constexpr std::size_t kMaxLine = 256;
// Far below the replacer's limits: where the reference ends, the replacer may not give up.
constexpr std::size_t kReferenceSteps = 1000;

// A byte as a UTF-16 unit: 0x61 and 0xE1 become U+0061 and U+0161, which share their low byte,
// and 0xFF becomes U+FFFF, which has every bit set, so all 16 bits must take part.
char16_t wide(std::uint8_t byte)
{
    return byte == 0xFF ? u'\xFFFF' : char16_t((byte & 0x7F) | (byte & 0x80 ? 0x100 : 0));
}

template <typename Unit> std::basic_string<Unit> units(const std::uint8_t *data, std::size_t size)
{
    std::basic_string<Unit> text(size, Unit{});
    if constexpr (std::is_same_v<Unit, char>)
        std::copy_n(data, size, text.begin());
    else
        std::transform(data, data + size, text.begin(), wide);
    return text;
}

template <typename Unit>
void check(const std::uint8_t *data, std::size_t size, std::size_t searchLength,
           std::size_t replacementLength)
{
    using Text = std::basic_string<Unit>;
    const Text search = units<Unit>(data + 2, searchLength);
    const Text replacement = units<Unit>(data + 2 + searchLength, replacementLength);
    const std::size_t lineStart = 2 + searchLength + replacementLength;
    const Text line = units<Unit>(data + lineStart, std::min(size - lineStart, kMaxLine));

    // Such a pair never ends once an occurrence is found.
    if (replacement.find(search) != Text::npos)
        return;
    const auto expected = naiveReplace(line, search, replacement, kReferenceSteps);
    if (!expected)
        return;

    const std::size_t pieceLength = data[0] / 8u ? data[0] / 8u : kMaxLine;
    LineReplacer<Unit> replacer(search, replacement,
                                {.windowUnits = data[1] / 9u % 2 ? 1u : 1024u});
    Text out;
    StringUnitSink<Unit> sink(out);
    replacer.begin(sink);
    for (std::size_t at = 0; at < line.size(); at += pieceLength)
        replacer.take(std::basic_string_view<Unit>(line).substr(at, pieceLength));
    const ReplaceOutcome outcome = replacer.finish();
    const bool found = line.find(search) != Text::npos;
    if (outcome != (found ? ReplaceOutcome::Replaced : ReplaceOutcome::Unchanged))
        std::abort();
    if (out != *expected)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::size_t searchLength = 1 + data[0] % kMaxSearch;
    const std::size_t replacementLength = data[1] % (kMaxReplacement + 1);
    if (size < 2 + searchLength + replacementLength)
        return 0;
    if (data[1] / 18u % 2)
        check<char16_t>(data, size, searchLength, replacementLength);
    else
        check<char>(data, size, searchLength, replacementLength);
    return 0;
}
