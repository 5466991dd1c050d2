#include "ReplaceInLine.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

// Why this is not the obvious loop: restarting the search at the first unit after every
// replacement costs the number of replacements times the line length, which is quadratic for
// cascades such as 'aa' -> 'a' on a long run of 'a'. But after a replacement at p the part
// before p held no occurrence, so the next occurrence cannot start before p - m + 1 (m the
// search length). The replacer therefore keeps the text already scanned as a stack (out), free
// of occurrences, and the text still to scan as a second stack whose bottom is the rest of the
// line. It follows a KMP match state over the units it takes. On a full match it pops the m
// matched units and pushes the replacement in front of the rest, to be scanned again. Matches
// have a fixed length, so the first match end found is the leftmost match start: the result is
// exactly the naive one.
//
// The match state after a pop is computed again from the last m - 1 units of out instead of
// being stored for every unit: that keeps the memory at the size of the line itself. The
// recomputed units lie right below the new top and are popped by any further replacement that
// reaches them, so the extra work stays linear in the units pushed, as does the KMP work
// (popping only lowers the state).

namespace {

// A line that grows past this factor of its own length (plus the slack) is taken as growing
// without end, as it does when a replacement forms the search text again with its neighbours.
// The guard must stop it long before memory runs out.
constexpr std::uint64_t kGrowthFactor = 64;
constexpr std::uint64_t kSlack = std::uint64_t{1} << 20;

// A pending stack larger than this is given back after its line, so one runaway line does not
// pin its memory for the rest of a run.
constexpr std::size_t kKeptPending = std::size_t{1} << 20;

std::uint64_t scaledLimit(std::uint64_t factor, std::size_t length)
{
    constexpr std::uint64_t most = std::numeric_limits<std::uint64_t>::max();
    if (length != 0 && factor > (most - kSlack) / length)
        return most;
    return factor * length + kSlack;
}

} // namespace

template <typename Unit>
LineReplacer<Unit>::LineReplacer(View search, View replacement)
    : m_search(search), m_reversedReplacement(replacement.rbegin(), replacement.rend()),
      m_feedsItself(replacement.find(search) != View::npos), m_border(search.size(), 0)
{
    // The state m is reached only transiently, so every state kept fits below the maximum.
    if (search.size() >= std::numeric_limits<State>::max())
        throw std::length_error("search text too long");
    for (std::size_t i = 1; i < m_search.size(); ++i) {
        State k = m_border[i - 1];
        while (k > 0 && m_search[i] != m_search[k])
            k = m_border[k - 1];
        if (m_search[i] == m_search[k])
            ++k;
        m_border[i] = k;
    }
}

template <typename Unit> ReplaceOutcome LineReplacer<Unit>::replace(View line, String &out)
{
    out.clear();
    // An empty search text occurs in front of every line, so the naive loop would never stop.
    if (m_search.empty())
        return ReplaceOutcome::Runaway;
    // Reserving does not touch the memory, so a line that shrinks to little costs little.
    out.reserve(line.size());
    m_pending.clear();
    const ReplaceOutcome outcome = scan(line, out);
    if (m_pending.capacity() > kKeptPending)
        m_pending = String();
    return outcome;
}

template <typename Unit> ReplaceOutcome LineReplacer<Unit>::scan(View line, String &out)
{
    const std::size_t length = line.size();
    const std::size_t matchLength = m_search.size();
    const std::uint64_t lengthLimit = scaledLimit(kGrowthFactor, length);
    // A shorter replacement scans at most length * matchLength units in all, so with this
    // budget a replacement that must come to an end is never cut short.
    const std::uint64_t workLimit = scaledLimit(kGrowthFactor + matchLength, length);
    std::size_t next = 0; // first unit of the line not yet taken
    std::uint64_t scanned = 0;
    State state = 0;
    bool replaced = false;
    for (;;) {
        Unit unit;
        if (!m_pending.empty()) {
            unit = m_pending.back();
            m_pending.pop_back();
        } else if (next < length) {
            unit = line[next++];
        } else {
            return replaced ? ReplaceOutcome::Replaced : ReplaceOutcome::Unchanged;
        }
        ++scanned;
        state = advance(state, unit);
        if (state < matchLength) {
            out.push_back(unit);
            continue;
        }
        // Every replacement leaves a copy of the search text behind: no end is ever reached.
        if (m_feedsItself)
            return ReplaceOutcome::Runaway;
        out.resize(out.size() - (matchLength - 1)); // the last unit was never pushed
        state = stateAfter(out);
        m_pending.append(m_reversedReplacement);
        replaced = true;
        if (out.size() + m_pending.size() + (length - next) > lengthLimit || scanned > workLimit)
            return ReplaceOutcome::Runaway;
    }
}

template <typename Unit>
typename LineReplacer<Unit>::State LineReplacer<Unit>::advance(State state, Unit unit) const
{
    // state is always below the search length here: a full match is consumed at once.
    while (state > 0 && m_search[state] != unit)
        state = m_border[state - 1];
    return m_search[state] == unit ? state + 1 : 0;
}

// text holds no occurrence, so its match state is the longest suffix that is a proper prefix
// of the search text, and that suffix lies within its last m - 1 units.
template <typename Unit>
typename LineReplacer<Unit>::State LineReplacer<Unit>::stateAfter(View text) const
{
    const std::size_t window = std::min(text.size(), m_search.size() - 1);
    State state = 0;
    for (const Unit unit : text.substr(text.size() - window))
        state = advance(state, unit);
    return state;
}

template class LineReplacer<char>;
template class LineReplacer<char16_t>;

ReplaceOutcome ReplaceInLine(std::string_view line, std::string_view search,
                             std::string_view replacement, std::string &out)
{
    LineReplacer<char> replacer(search, replacement);
    return replacer.replace(line, out);
}
