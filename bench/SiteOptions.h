#pragma once

#include <cstdint>
#include <optional>
#include <string>

/// What bench-site makes: the shape of the folder tree, the sizes of its files and the share
/// of pages that hold the search text. The defaults make the tree of the standard benchmark.
struct SiteOptions
{
    enum class Shape {
        Mixed, ///< every line end and encoding an old site gathers, sizes up to 64 KB
        /// A documentation tree as generators write it: UTF-8, LF, a long size tail. 9 in 10
        /// pages lie between min-kb and max-kb, the tail starts at max-kb.
        Real,
    };

    Shape shape = Shape::Mixed;
    std::string folder;                  ///< where the site goes; must not exist yet
    std::uint64_t pages = 10000;         ///< HTML pages (*.htm and *.html)
    std::uint64_t folders = 500;         ///< folders, the root included
    int depth = 8;                       ///< deepest folder level below the root
    std::uint64_t bigPages = 4;          ///< pages of several MB among the pages
    std::optional<std::uint64_t> assets; ///< non-HTML files; by default pages / 50
    std::uint64_t minKb = 1;             ///< smallest page size
    std::uint64_t maxKb = 64;            ///< largest page size, big pages aside
    double needlePercent = 1.0;          ///< share of pages that hold the search text
    std::string needle = "tagmender-bench-needle";
    std::uint64_t seed = 20240611;

    /// The defaults of a shape; the other options change them one by one.
    static SiteOptions forShape(Shape shape);

    /// Reads the command line; on a fault returns nothing and sets error.
    static std::optional<SiteOptions> parse(int argc, char **argv, std::string &error);
    static const char *usage();
};
