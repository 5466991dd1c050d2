#pragma once

#include <cstddef>

/// How one generated page is written: its line ends, its encoding, its rough size and how many
/// occurrences (and near misses) of the search text it holds.
struct PageStyle
{
    enum class Ending {
        CrLf,       ///< Windows editors
        Lf,         ///< Unix editors
        Cr,         ///< old Mac editors
        SingleLine, ///< minified: the whole page on one line, no line break at all
    };
    enum class Encoding {
        Ascii,
        Utf8,
        Utf8Bom,     ///< UTF-8 behind a byte order mark, as Windows Notepad writes it
        Windows1252, ///< the ANSI code page of Western Windows systems
    };

    Ending ending = Ending::CrLf;
    Encoding encoding = Encoding::Utf8;
    bool finalTerminator = true; ///< whether the last line ends with a line break
    std::size_t size = 4096;     ///< approximate size in bytes
    int needles = 0;             ///< occurrences of the search text
    int nearMisses = 0;          ///< texts that look like the search text but must not match
};
