#include "text/LineReplacer.h"

#include "text/ByteSearch.h"
#include "text/StringUnitSink.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

// Why this is not the obvious loop: restarting the search at the first unit after every
// replacement costs the number of replacements times the line length, which is quadratic for
// cascades such as 'aa' -> 'a' on a long run of 'a'. But after a replacement at p the part
// before p held no occurrence, so the next occurrence cannot start before p - m + 1 (m the
// search length). The replacer therefore keeps the text already scanned as a stack (the
// output), free of occurrences, and the text still to scan as a second stack whose bottom is
// the rest of the line. It follows a KMP match state over the units it takes. On a full match
// it pops the m matched units and pushes the replacement in front of the rest, to be scanned
// again. Matches have a fixed length, so the first match end found is the leftmost match
// start: the result is exactly the naive one.
//
// The match state after a pop is computed again from the last m - 1 units of the output
// instead of being stored for every unit. The recomputed units lie right below the new top and
// are popped by any further replacement that reaches them, so the extra work stays linear in
// the units pushed, as does the KMP work (popping only lowers the state).
//
// Only the top of the output stack is held (m_kept, the window); the units below it go to the
// sink. A pop reaches below the window only in a cascade that eats its way back, such as
// "ab" -> "b" on "aaa...ab", and each unit it reaches there costs one trip to the sink and
// back: the window is refilled with half its size at a time and emptied to half its size, so
// between two trips at least a quarter of a window is scanned or popped, and the work stays
// linear. The rest of the line is not held either: it comes in pieces, and the pending stack
// only ever holds replacement texts, so memory stays within LineReplacerLimits.
//
// Most units of a page are in no occurrence. Where nothing scanned so far can begin one (the
// state is 0), memmem finds where the next one may begin and the units before it are kept as
// a block; only the units from there on go through the state one by one.

namespace {

// A pending stack larger than this is given back after its line, so that one line that piled
// up pending units does not pin their memory for the rest of a run.
constexpr std::size_t kKeptPending = std::size_t(1) << 20;

constexpr std::uint64_t kMost = std::numeric_limits<std::uint64_t>::max();

std::uint64_t saturatingSum(std::uint64_t a, std::uint64_t b)
{
    return a > kMost - b ? kMost : a + b;
}

std::uint64_t saturatingProduct(std::uint64_t a, std::uint64_t b)
{
    return a != 0 && b > kMost / a ? kMost : a * b;
}

} // namespace

template <typename Unit>
LineReplacer<Unit>::LineReplacer(View search, View replacement, LineReplacerLimits limits)
    : m_search(search), m_reversedReplacement(replacement.rbegin(), replacement.rend()),
      m_feedsItself(replacement.find(search) != View::npos), m_border(search.size(), 0),
      m_pendingUnits(std::size_t(
          std::min<std::uint64_t>(saturatingSum(limits.pendingUnits, replacement.size()),
                                  std::numeric_limits<std::size_t>::max()))),
      m_workUnits(limits.workUnits),
      m_workPerUnit(saturatingSum(64 + search.size(), replacement.size()))
{
    // The state m is reached only transiently, so every state kept fits below the maximum.
    if (search.size() >= std::numeric_limits<State>::max() ||
        search.size() > std::numeric_limits<std::size_t>::max() / 4)
        throw std::length_error("search text too long");
    // A pop with its recomputed state needs 2 (m - 1) units, which half a window must hold.
    m_windowUnits = std::max({limits.windowUnits, 4 * search.size(), std::size_t(2)});
    for (std::size_t i = 1; i < m_search.size(); ++i) {
        State k = m_border[i - 1];
        while (k > 0 && m_search[i] != m_search[k])
            k = m_border[k - 1];
        if (m_search[i] == m_search[k])
            ++k;
        m_border[i] = k;
    }
}

template <typename Unit> void LineReplacer<Unit>::begin(UnitSink<Unit> &sink)
{
    m_sink = &sink;
    m_kept.clear();
    m_pending.clear();
    m_sunk = m_taken = m_scanned = m_replacements = 0;
    m_state = 0;
    // An empty search text occurs in front of every line, so the naive loop would never stop.
    m_outcome = m_search.empty() ? ReplaceOutcome::Endless : ReplaceOutcome::Unchanged;
}

template <typename Unit> bool LineReplacer<Unit>::take(View units)
{
    if (m_outcome != ReplaceOutcome::Unchanged && m_outcome != ReplaceOutcome::Replaced)
        return false;
    m_taken += units.size();
    std::size_t next = 0;
    // From a place where an occurrence may begin, at least m units go through the state one
    // by one before the next search: a match off the UTF-16 unit grid costs no more than that.
    std::size_t stepUntil = 0;
    while (next < units.size()) {
        if (m_state == 0 && next >= stepUntil) {
            const std::size_t skip = unitsWithoutStart(units.substr(next));
            if (skip > 0) {
                if (!keep(units.substr(next, skip)))
                    return false;
                m_scanned += skip;
                next += skip;
                m_state = stateAfterKept();
            }
            stepUntil = next + m_search.size();
            continue;
        }
        if (!scan(units[next++]) || !scanPending())
            return false;
    }
    return true;
}

template <typename Unit> ReplaceOutcome LineReplacer<Unit>::finish()
{
    // take() leaves nothing pending, so what is kept is the end of the line.
    const bool done =
        m_outcome == ReplaceOutcome::Unchanged || m_outcome == ReplaceOutcome::Replaced;
    if (done && !m_kept.empty() && !m_sink->put(m_kept.data(), m_kept.size()))
        m_outcome = ReplaceOutcome::SinkFailed;
    m_kept.clear();
    m_pending.clear();
    if (m_pending.capacity() > kKeptPending)
        m_pending = String();
    m_sink = nullptr;
    return m_outcome;
}

template <typename Unit> ReplaceOutcome LineReplacer<Unit>::replace(View line, String &out)
{
    out.clear();
    // Reserving does not touch the memory, so a line that shrinks to little costs little.
    out.reserve(line.size());
    StringUnitSink<Unit> sink(out);
    begin(sink);
    take(line);
    return finish();
}

template <typename Unit> bool LineReplacer<Unit>::scanPending()
{
    while (!m_pending.empty()) {
        const Unit unit = m_pending.back();
        m_pending.pop_back();
        if (!scan(unit))
            return false;
    }
    return true;
}

template <typename Unit> bool LineReplacer<Unit>::scan(Unit unit)
{
    ++m_scanned;
    m_state = advance(m_state, unit);
    return m_state < m_search.size() ? keep(unit) : replaceMatch();
}

template <typename Unit> bool LineReplacer<Unit>::replaceMatch()
{
    // Every replacement leaves a copy of the search text behind: no end is ever reached.
    if (m_feedsItself)
        return stop(ReplaceOutcome::Endless);
    m_outcome = ReplaceOutcome::Replaced;
    ++m_replacements;
    const std::size_t matched = m_search.size() - 1; // the last unit was never kept
    if (!holdAtLeast(2 * matched))
        return false;
    m_kept.resize(m_kept.size() - matched);
    m_state = stateAfterKept();
    if (m_pending.size() + m_reversedReplacement.size() > m_pendingUnits)
        return stop(ReplaceOutcome::PendingLimit);
    m_pending.append(m_reversedReplacement);
    if (m_scanned > saturatingSum(m_workUnits, saturatingProduct(m_workPerUnit, m_taken)))
        return stop(ReplaceOutcome::WorkLimit);
    return true;
}

// A full window hands its older half to the sink.
template <typename Unit> bool LineReplacer<Unit>::keep(Unit unit)
{
    if (m_kept.size() == m_windowUnits) {
        const std::size_t older = m_windowUnits - m_windowUnits / 2;
        if (!m_sink->put(m_kept.data(), older))
            return stop(ReplaceOutcome::SinkFailed);
        m_kept.erase(0, older);
        m_sunk += older;
    }
    m_kept.push_back(unit);
    return true;
}

// Keeps units after the window; what would overflow it goes to the sink, oldest first, down
// to half a window.
template <typename Unit> bool LineReplacer<Unit>::keep(View units)
{
    const std::size_t total = m_kept.size() + units.size();
    if (total <= m_windowUnits) {
        m_kept.append(units);
        return true;
    }
    const std::size_t older = total - m_windowUnits / 2;
    const std::size_t fromKept = std::min(older, m_kept.size());
    const std::size_t fromUnits = older - fromKept;
    if ((fromKept > 0 && !m_sink->put(m_kept.data(), fromKept)) ||
        (fromUnits > 0 && !m_sink->put(units.data(), fromUnits)))
        return stop(ReplaceOutcome::SinkFailed);
    m_kept.erase(0, fromKept);
    m_kept.append(units.substr(fromUnits));
    m_sunk += older;
    return true;
}

// Makes the window hold count units, or the whole output of the line if that is less, taking
// half a window back from the sink. Called with count <= 2 (m - 1) <= half a window, so the
// window does not overflow.
template <typename Unit> bool LineReplacer<Unit>::holdAtLeast(std::size_t count)
{
    if (m_kept.size() >= count || m_sunk == 0)
        return true;
    const auto back = std::size_t(std::min<std::uint64_t>(m_sunk, m_windowUnits / 2));
    m_kept.insert(0, back, Unit());
    if (!m_sink->takeBack(m_kept.data(), back))
        return stop(ReplaceOutcome::SinkFailed);
    m_sunk -= back;
    return true;
}

template <typename Unit> bool LineReplacer<Unit>::stop(ReplaceOutcome outcome)
{
    m_outcome = outcome;
    return false;
}

// How many units at the front of units begin no occurrence that lies within units. Looks at
// the bytes, so for UTF-16 it also finds matches off the unit grid: those only cost a few
// units scanned one by one. memmem is linear; a plain find would take quadratic time on
// lines such as a long run of one letter, so without a linear search every unit goes through
// the match state instead.
template <typename Unit> std::size_t LineReplacer<Unit>::unitsWithoutStart(View units) const
{
    if (!FindBytesIsLinear)
        return 0;
    const auto *bytes = reinterpret_cast<const char *>(units.data());
    const char *const end = bytes + units.size() * sizeof(Unit);
    const char *hit = FindBytes(bytes, end, reinterpret_cast<const char *>(m_search.data()),
                                m_search.size() * sizeof(Unit));
    return hit == end ? units.size() : std::size_t(hit - bytes) / sizeof(Unit);
}

template <typename Unit>
typename LineReplacer<Unit>::State LineReplacer<Unit>::advance(State state, Unit unit) const
{
    // state is always below the search length here: a full match is consumed at once.
    while (state > 0 && m_search[state] != unit)
        state = m_border[state - 1];
    return m_search[state] == unit ? state + 1 : 0;
}

// The output holds no occurrence, so its match state is the longest suffix that is a proper
// prefix of the search text, and that suffix lies within its last m - 1 units, which the
// window holds (or the whole output of the line, when that is shorter).
template <typename Unit>
typename LineReplacer<Unit>::State LineReplacer<Unit>::stateAfterKept() const
{
    const std::size_t window = std::min(m_kept.size(), m_search.size() - 1);
    State state = 0;
    for (const Unit unit : View(m_kept).substr(m_kept.size() - window))
        state = advance(state, unit);
    return state;
}

template class LineReplacer<char>;
template class LineReplacer<char16_t>;
