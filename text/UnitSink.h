#pragma once

#include <cstddef>

/// Where LineReplacer puts the units of a line that it no longer holds itself. Besides taking
/// units it must be able to give the last ones back: a cascade of replacements can reach back
/// further than the replacer's window, and those units must then be scanned again.
template <typename Unit> class UnitSink
{
public:
    /// Appends count units. False when they could not be kept; the line is then lost.
    virtual bool put(const Unit *units, std::size_t count) = 0;

    /// Removes the last count units put and copies them, in their order, to units. count never
    /// exceeds what was put for the current line. False when they could not be had.
    virtual bool takeBack(Unit *units, std::size_t count) = 0;

protected:
    ~UnitSink() = default;
};
