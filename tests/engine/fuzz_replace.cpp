// libFuzzer target: the line replacer must give exactly what the naive rule gives.
//
// Input layout: one byte for the search length (1 to 8, low three bits) and the length of the
// pieces the line comes in (the rest: 0 the whole line, else 1 to 31), one for the replacement
// length (0 to 8, modulo 9) and the window (the rest: odd, the smallest window, four times the
// search length), the search text, the replacement text, and the rest (up to 256 bytes) as the
// line. The sizes stay small so that the naive reference stays fast.

#include "LineReplacer.h"
#include "NaiveReplace.h"
#include "StringUnitSink.h"

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::size_t searchLength = 1 + data[0] % kMaxSearch;
    const std::size_t replacementLength = data[1] % (kMaxReplacement + 1);
    if (size < 2 + searchLength + replacementLength)
        return 0;
    const char *text = reinterpret_cast<const char *>(data + 2);
    const std::string search(text, searchLength);
    const std::string replacement(text + searchLength, replacementLength);
    const std::size_t lineStart = 2 + searchLength + replacementLength;
    const std::string line(text + searchLength + replacementLength,
                           std::min(size - lineStart, kMaxLine));

    // Such a pair never ends once an occurrence is found.
    if (replacement.find(search) != std::string::npos)
        return 0;
    const auto expected = naiveReplace(line, search, replacement, kReferenceSteps);
    if (!expected)
        return 0;

    const std::size_t pieceLength = data[0] / 8u ? data[0] / 8u : kMaxLine;
    LineReplacer<char> replacer(search, replacement,
                                {.windowUnits = data[1] / 9u % 2 ? 1u : 1024u});
    std::string out;
    StringUnitSink<char> sink(out);
    replacer.begin(sink);
    for (std::size_t at = 0; at < line.size(); at += pieceLength)
        replacer.take(std::string_view(line).substr(at, pieceLength));
    const ReplaceOutcome outcome = replacer.finish();
    const bool found = line.find(search) != std::string::npos;
    if (outcome != (found ? ReplaceOutcome::Replaced : ReplaceOutcome::Unchanged))
        std::abort();
    if (out != *expected)
        std::abort();
    return 0;
}
