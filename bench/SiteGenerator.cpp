#include "bench/SiteGenerator.h"

#include "bench/BenchRandom.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <stdexcept>

namespace {

// Random streams, one per purpose, so that the draws of one never shift those of another.
constexpr std::uint64_t kFolderStream = 1;
constexpr std::uint64_t kNeedleStream = 2;
constexpr std::uint64_t kBigStream = 3;
constexpr std::uint64_t kPageStreams = std::uint64_t{1} << 32;
constexpr std::uint64_t kAssetStreams = std::uint64_t{2} << 32;

constexpr std::uint64_t kMiB = 1024 * 1024;

// The real shape: how many of 1,000 folders lie on each level below the root (1 to 8): a few
// sections, most folders 2 to 5 deep. Levels below --depth are folded into the deepest one.
constexpr std::array<std::uint64_t, 8> kRealLevels = {3, 120, 220, 240, 180, 120, 70, 47};
constexpr std::uint64_t kRealLevelsTotal = 1000;
constexpr double kRealMinified = 0.3;
// With the tail starting at 40 KB, about 1 page in 5,000 is above 1 MiB.
constexpr double kTailShare = 0.01;
constexpr double kTailAlpha = 1.2;
constexpr double kTailEnd = 6.0 * kMiB;

const std::vector<std::string> kFolderWords = {"news", "archive", "products", "team", "events",
                                               "img",  "docs",    "old",      "shop", "blog",
                                               "help", "2004",    "en",       "de",   "misc"};
const std::vector<std::string> kAssetKinds = {".css", ".js", ".txt"};

std::string folderName(std::uint64_t index, BenchRandom &random)
{
    const std::string number = std::to_string(index);
    if (random.chance(0.05))
        return "Old Pages " + number;
    if (random.chance(0.02))
        return "caf\xC3\xA9-" + number;
    return random.pick(kFolderWords) + '-' + number;
}

} // namespace

SiteGenerator::SiteGenerator(const SiteOptions &options)
    : m_options(options), m_writer(options.needle)
{}

// A chain down to the full depth first, so the deepest level is always there. In the mixed
// shape every other folder hangs below a random folder that still has room beneath it; in the
// real one its level is drawn first (see kRealLevels), then its parent one level up.
std::vector<SiteGenerator::Folder> SiteGenerator::makeFolders(BenchRandom &random) const
{
    std::vector<Folder> folders = {{m_options.folder, 0}};
    std::vector<std::size_t> open = {0};
    std::vector<std::vector<std::size_t>> byLevel(std::size_t(m_options.depth) + 1);
    byLevel[0].push_back(0);
    for (std::uint64_t i = 1; i < m_options.folders; ++i) {
        const std::size_t parent = i <= std::uint64_t(m_options.depth) ? i - 1
                                   : m_options.shape == SiteOptions::Shape::Real
                                       ? realParent(byLevel, random)
                                       : random.pick(open);
        folders.push_back(
            {folders[parent].path / folderName(i, random), folders[parent].depth + 1});
        if (folders.back().depth < m_options.depth)
            open.push_back(folders.size() - 1);
        byLevel[std::size_t(folders.back().depth)].push_back(folders.size() - 1);
    }
    return folders;
}

std::size_t SiteGenerator::realParent(const std::vector<std::vector<std::size_t>> &byLevel,
                                      BenchRandom &random) const
{
    std::uint64_t draw = random.below(kRealLevelsTotal);
    std::size_t level = 1;
    while (level < kRealLevels.size() && draw >= kRealLevels[level - 1]) {
        draw -= kRealLevels[level - 1];
        ++level;
    }
    return random.pick(byLevel[std::min(level, byLevel.size() - 1) - 1]);
}

// Exactly `chosen` of `count` items, spread at random (selection sampling).
std::vector<bool> SiteGenerator::choose(std::uint64_t count, std::uint64_t chosen,
                                        std::uint64_t stream) const
{
    BenchRandom random(m_options.seed, stream);
    std::vector<bool> result(count, false);
    for (std::uint64_t i = 0; i < count && chosen > 0; ++i) {
        if (random.below(count - i) < chosen) {
            result[i] = true;
            --chosen;
        }
    }
    return result;
}

// Every line end and encoding a site gathers over the years of its editors.
PageStyle SiteGenerator::mixedForm(BenchRandom &random)
{
    using Ending = PageStyle::Ending;
    using Encoding = PageStyle::Encoding;
    PageStyle style;
    const double e = random.unit();
    style.ending = e < 0.45   ? Ending::CrLf
                   : e < 0.85 ? Ending::Lf
                   : e < 0.88 ? Ending::Cr
                              : Ending::SingleLine;
    const double c = random.unit();
    style.encoding = c < 0.10   ? Encoding::Ascii
                     : c < 0.55 ? Encoding::Utf8
                     : c < 0.70 ? Encoding::Utf8Bom
                                : Encoding::Windows1252;
    style.finalTerminator = random.chance(0.8);
    return style;
}

// What a site generator writes: UTF-8 and LF, and a part of the pages minified to one line.
PageStyle SiteGenerator::realForm(BenchRandom &random)
{
    PageStyle style;
    style.ending =
        random.chance(kRealMinified) ? PageStyle::Ending::SingleLine : PageStyle::Ending::Lf;
    style.encoding = PageStyle::Encoding::Utf8;
    style.finalTerminator = random.chance(0.95);
    return style;
}

// Mixed: spread evenly on a log scale between min-kb and max-kb, so most pages are small.
// Real: log-normal with 9 in 10 pages between min-kb and max-kb, and a share of the pages
// drawn from a Pareto tail above max-kb (reference pages, changelogs, one-page manuals).
std::size_t SiteGenerator::pageSize(BenchRandom &random) const
{
    const double low = std::log(double(m_options.minKb * 1024));
    const double high = std::log(double(m_options.maxKb * 1024));
    if (m_options.shape == SiteOptions::Shape::Mixed)
        return std::size_t(std::exp(low + (high - low) * random.unit()));
    if (!random.chance(kTailShare))
        return std::size_t(std::exp((low + high) / 2 + (high - low) / 3.29 * random.normal()));
    // The inverse of the Pareto distribution cut at kTailEnd.
    const double start = double(m_options.maxKb * 1024);
    const double cut = 1 - std::pow(start / double(kTailEnd), kTailAlpha);
    return std::size_t(start / std::pow(1 - cut * random.unit(), 1 / kTailAlpha));
}

PageStyle SiteGenerator::pageStyle(bool big, bool withNeedle, BenchRandom &random) const
{
    PageStyle style =
        m_options.shape == SiteOptions::Shape::Real ? realForm(random) : mixedForm(random);
    style.size = big ? random.between(2 * kMiB, 8 * kMiB) : pageSize(random);
    style.needles = withNeedle ? int(random.between(1, 3)) : 0;
    style.nearMisses = random.chance(0.02) ? int(random.between(1, 2)) : 0;
    return style;
}

std::string SiteGenerator::pageName(std::uint64_t index, BenchRandom &random) const
{
    const std::string number = std::to_string(index);
    const char *extension = random.chance(0.6) ? ".html" : ".htm";
    if (random.chance(0.03))
        return "about us " + number + extension;
    if (random.chance(0.01))
        return "Men\xC3\xBC-" + number + extension;
    static const std::vector<std::string> words = {"index", "page",    "article", "item",
                                                   "photo", "contact", "report",  "news"};
    return random.pick(words) + '-' + number + extension;
}

void SiteGenerator::writeFile(const std::filesystem::path &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

void SiteGenerator::writePages(const std::vector<Folder> &folders, SiteSummary &summary) const
{
    const auto withNeedle =
        choose(m_options.pages,
               std::uint64_t(std::llround(double(m_options.pages) * m_options.needlePercent / 100)),
               kNeedleStream);
    const auto big =
        choose(m_options.pages, std::min(m_options.bigPages, m_options.pages), kBigStream);
    for (std::uint64_t i = 0; i < m_options.pages; ++i) {
        BenchRandom random(m_options.seed, kPageStreams + i);
        const Folder &folder = folders[random.below(folders.size())];
        const std::string bytes = m_writer.page(pageStyle(big[i], withNeedle[i], random), random);
        writeFile(folder.path / pageName(i, random), bytes);
        summary.bytes += bytes.size();
        summary.pagesWithNeedle += bytes.find(m_options.needle) != std::string::npos;
    }
    summary.pages = m_options.pages;
}

void SiteGenerator::writeAssets(const std::vector<Folder> &folders, SiteSummary &summary) const
{
    summary.assets = m_options.assets.value_or(m_options.pages / 50);
    for (std::uint64_t i = 0; i < summary.assets; ++i) {
        BenchRandom random(m_options.seed, kAssetStreams + i);
        const Folder &folder = folders[random.below(folders.size())];
        const std::size_t size = random.between(200, 20000);
        const bool holdsNeedle = random.chance(0.5);
        const std::string bytes = m_writer.asset(size, holdsNeedle, random);
        writeFile(folder.path / ("asset-" + std::to_string(i) + random.pick(kAssetKinds)), bytes);
        summary.bytes += bytes.size();
    }
}

SiteSummary SiteGenerator::generate()
{
    if (std::filesystem::exists(m_options.folder))
        throw std::runtime_error(m_options.folder + " exists already");
    BenchRandom folderRandom(m_options.seed, kFolderStream);
    const std::vector<Folder> folders = makeFolders(folderRandom);
    SiteSummary summary;
    for (const Folder &folder : folders) {
        std::filesystem::create_directories(folder.path);
        summary.depth = std::max(summary.depth, folder.depth);
    }
    summary.folders = folders.size();
    writePages(folders, summary);
    writeAssets(folders, summary);
    return summary;
}
