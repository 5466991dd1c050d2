#pragma once

#include "bench/PageStyle.h"
#include "bench/PageWriter.h"
#include "bench/SiteOptions.h"

#include <cstdint>
#include <filesystem>
#include <vector>

class BenchRandom;

/// What a generated site holds.
struct SiteSummary
{
    std::uint64_t pages = 0;
    std::uint64_t assets = 0;
    std::uint64_t folders = 0;
    int depth = 0;
    std::uint64_t bytes = 0;
    std::uint64_t pagesWithNeedle = 0; ///< counted in the bytes written, not as planned
};

/// Writes a synthetic web site: nested folders of HTML pages in one of the shapes of
/// SiteOptions::Shape, a few pages with the search text, and some non-HTML files. The same
/// options give the same site, byte for byte: every page draws from its own random stream, so
/// changing the number of pages does not change the pages that stay.
class SiteGenerator
{
public:
    explicit SiteGenerator(const SiteOptions &options);

    /// Creates options.folder and the site in it. Throws std::runtime_error (or a
    /// std::filesystem::filesystem_error) when something cannot be written.
    SiteSummary generate();

private:
    struct Folder
    {
        std::filesystem::path path;
        int depth = 0;
    };

    std::vector<Folder> makeFolders(BenchRandom &random) const;
    std::vector<bool> choose(std::uint64_t count, std::uint64_t chosen, std::uint64_t stream) const;
    std::size_t realParent(const std::vector<std::vector<std::size_t>> &byLevel,
                           BenchRandom &random) const;
    static PageStyle mixedForm(BenchRandom &random);
    static PageStyle realForm(BenchRandom &random);
    std::size_t pageSize(BenchRandom &random) const;
    PageStyle pageStyle(bool big, bool withNeedle, BenchRandom &random) const;
    std::string pageName(std::uint64_t index, BenchRandom &random) const;
    void writePages(const std::vector<Folder> &folders, SiteSummary &summary) const;
    void writeAssets(const std::vector<Folder> &folders, SiteSummary &summary) const;
    static void writeFile(const std::filesystem::path &path, const std::string &bytes);

    SiteOptions m_options;
    PageWriter m_writer;
};
