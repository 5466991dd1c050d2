#pragma once

#include "text/UnitSink.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

/// What one line replacement came to.
enum class ReplaceOutcome {
    Unchanged,    ///< the line holds no occurrence; the output equals the input
    Replaced,     ///< at least one replacement was made
    Endless,      ///< every replacement makes a new occurrence: the line would grow for ever
    WorkLimit,    ///< the line took more work than LineReplacerLimits allows
    PendingLimit, ///< more units waited to be scanned again than LineReplacerLimits allows
    SinkFailed,   ///< the sink did not take or give back units; it knows why
};

/// What one line may cost a LineReplacer. The defaults are sized so that no real page comes
/// near them; tests make them small to reach them quickly.
struct LineReplacerLimits
{
    /// Units of scanned output held in memory; older ones go to the sink. At least four times
    /// the search length is used whatever this says.
    std::size_t windowUnits = std::size_t(1) << 20;
    /// Units a line may take to scan, replacements scanned again included: this many, plus
    /// 64 + the search length + the replacement length for each unit of the line. Every line
    /// that only shrinks, or whose replacements make no new occurrences, needs less than that
    /// allowance per unit; this fixed one is for cascades that grow or keep the length, such
    /// as "ab" -> "ba", whose work grows with the square of the line.
    std::uint64_t workUnits = std::uint64_t(1) << 28;
    /// Units waiting to be scanned again, beyond one replacement text. Only a cascade whose
    /// replacements reach back into the replacement before them piles them up.
    std::size_t pendingUnits = std::size_t(1) << 22;
};

/// Replaces occurrences of a search text in one line, again and again, leftmost first, until
/// the line as a whole holds no occurrence. The result equals that of the naive rule "find the
/// first occurrence from the start, replace it, start again", but it is computed in time linear
/// in the line plus the text that replacements put in.
///
/// A line comes in pieces (begin, take ..., finish) and goes out to a UnitSink as it is done,
/// so the memory does not depend on the length of the line: the replacer holds at most the
/// window and the pending units of LineReplacerLimits (with the defaults, 1 Mi units and 4 Mi
/// units plus the replacement), its two texts and a table of 4 bytes per search unit.
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

    /// An empty search text makes every line Endless: the naive rule never stops on it.
    /// The replacer keeps its own copies of both texts.
    LineReplacer(View search, View replacement, LineReplacerLimits limits = {});

    /// Starts a line whose output goes to sink, which must outlive the line.
    void begin(UnitSink<Unit> &sink);

    /// Takes the next units of the line. False once the line cannot be replaced (finish() tells
    /// why); the sink then holds part of it and the rest of the line need not be given.
    bool take(View units);

    /// Ends the line and hands the sink the rest of its output.
    ReplaceOutcome finish();

    /// Replacements made in the current (or last finished) line.
    std::uint64_t replacements() const { return m_replacements; }

    /// The whole line at once: writes the replaced line to out (cleared first). On an outcome
    /// other than Unchanged and Replaced, out is unspecified.
    ReplaceOutcome replace(View line, String &out);

private:
    using State = std::uint32_t;

    bool takeLineUnit(Unit unit);
    bool scanPending();
    bool scan(Unit unit);
    bool replaceMatch();
    bool keep(Unit unit);
    bool keep(View units);
    bool holdAtLeast(std::size_t count);
    bool stop(ReplaceOutcome outcome);
    std::size_t unitsWithoutStart(View units) const;
    State advance(State state, Unit unit) const;
    State stateAfterKept() const;

    String m_search;
    String m_reversedReplacement; ///< pushed as it is onto the pending stack
    bool m_feedsItself;           ///< the replacement holds the search text
    std::vector<State> m_border;  ///< prefix function of the search text
    std::size_t m_windowUnits;
    std::size_t m_pendingUnits;
    std::uint64_t m_workUnits;
    std::uint64_t m_workPerUnit;

    // The line under way.
    UnitSink<Unit> *m_sink = nullptr;
    String m_kept;               ///< the end of the scanned output, free of occurrences
    String m_pending;            ///< units still to scan, next one at the back
    std::uint64_t m_sunk = 0;    ///< units of the line's output in the sink, before m_kept
    std::uint64_t m_taken = 0;   ///< units of the line taken so far
    std::uint64_t m_scanned = 0; ///< units scanned, the same unit again after a replacement too
    std::uint64_t m_replacements = 0;
    State m_state = 0; ///< the match state after m_kept
    ReplaceOutcome m_outcome = ReplaceOutcome::Unchanged;
};
