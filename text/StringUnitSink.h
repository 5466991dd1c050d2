#pragma once

#include "text/UnitSink.h"

#include <algorithm>
#include <string>

/// A sink that appends to a string in memory: for a line that is wanted whole.
template <typename Unit> class StringUnitSink final : public UnitSink<Unit>
{
public:
    explicit StringUnitSink(std::basic_string<Unit> &out) : m_out(out) {}

    bool put(const Unit *units, std::size_t count) override
    {
        m_out.append(units, count);
        return true;
    }

    bool takeBack(Unit *units, std::size_t count) override
    {
        std::copy(m_out.end() - std::ptrdiff_t(count), m_out.end(), units);
        m_out.resize(m_out.size() - count);
        return true;
    }

private:
    std::basic_string<Unit> &m_out;
};
