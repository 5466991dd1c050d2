#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

/// What one line replacement came to.
enum class ReplaceOutcome {
    Unchanged, ///< the line holds no occurrence; the output equals the input
    Replaced,  ///< at least one replacement was made
    Runaway,   ///< the line kept growing: the replacement would never come to an end
};

/// Replaces occurrences of a search text in one line, again and again, leftmost first, until
/// the line as a whole holds no occurrence. The result equals that of the naive rule "find the
/// first occurrence from the start, replace it, start again", but it is computed in time linear
/// in the line plus the text that replacements put in.
///
/// Unit is char for 8-bit and UTF-8 files and char16_t for UTF-16 files (code units loaded in
/// the file's byte order; equality is all that matters, so no swapping is needed).
/// The replacer is built once per run and encoding, and reused for every line.
/// One replacer must not be used by two threads at once: it keeps its work buffers between lines.
template <typename Unit> class LineReplacer
{
public:
    using View = std::basic_string_view<Unit>;
    using String = std::basic_string<Unit>;

    /// search must not be empty: the naive rule never ends on an empty one, so every line would
    /// come out as Runaway. The replacer keeps its own copies of both texts.
    LineReplacer(View search, View replacement);

    /// Writes the replaced line to out (cleared first). On Runaway, out is unspecified.
    ReplaceOutcome replace(View line, String &out);

private:
    using State = std::uint32_t;

    ReplaceOutcome scan(View line, String &out);
    State advance(State state, Unit unit) const;
    State stateAfter(View text) const;

    String m_search;
    String m_reversedReplacement; ///< pushed as it is onto the pending stack
    bool m_feedsItself;           ///< the replacement holds the search text
    std::vector<State> m_border;  ///< prefix function of the search text
    String m_pending;             ///< units still to scan, next one at the back
};

/// One-shot convenience over LineReplacer<char>.
ReplaceOutcome ReplaceInLine(std::string_view line, std::string_view search,
                             std::string_view replacement, std::string &out);
