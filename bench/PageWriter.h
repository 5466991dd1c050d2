#pragma once

#include "bench/PageStyle.h"

#include <string>
#include <string_view>
#include <vector>

class BenchRandom;

/// Writes the bytes of synthetic HTML pages and of the non-HTML files beside them.
/// Occurrences of the search text are always put between two ASCII characters, so they never
/// split a multi-byte character, and never cross a line break.
class PageWriter
{
public:
    explicit PageWriter(std::string needle);

    /// One HTML page of roughly style.size bytes.
    std::string page(const PageStyle &style, BenchRandom &random) const;

    /// A style sheet, script or text file of roughly size bytes (LF line ends, ASCII).
    std::string asset(std::size_t size, bool withNeedle, BenchRandom &random) const;

private:
    using Lines = std::vector<std::string>;

    std::string_view word(PageStyle::Encoding encoding, BenchRandom &random) const;
    void appendWords(std::string &text, PageStyle::Encoding encoding, BenchRandom &random) const;
    std::string title(PageStyle::Encoding encoding, BenchRandom &random) const;
    std::string bodyLine(PageStyle::Encoding encoding, BenchRandom &random) const;
    Lines pageLines(const PageStyle &style, BenchRandom &random) const;
    void insertNeedle(Lines &lines, std::size_t first, std::size_t last, BenchRandom &random) const;
    void insertNearMiss(Lines &lines, std::size_t first, std::size_t last, bool canSplit,
                        BenchRandom &random) const;
    static std::string join(const Lines &lines, const PageStyle &style);

    std::string m_needle;
};
