#pragma once

#include <cstddef>
#include <optional>

/// The reference the line replacer is checked against, kept as plain as possible: find the
/// first occurrence from the start, replace it, start again. Gives up (nullopt) once maxSteps
/// replacements have not brought it to a line without an occurrence, since some texts never do.
template <typename String>
std::optional<String> naiveReplace(String line, const String &search, const String &replacement,
                                   std::size_t maxSteps)
{
    for (std::size_t steps = 0;; ++steps) {
        const std::size_t position = line.find(search);
        if (position == String::npos)
            return line;
        if (steps == maxSteps)
            return std::nullopt;
        line.replace(position, search.size(), replacement);
    }
}
