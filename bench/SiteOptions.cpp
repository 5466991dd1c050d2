#include "SiteOptions.h"

#include <charconv>
#include <string_view>

namespace {

template <typename T> bool readNumber(std::string_view text, T &value)
{
    const auto [end, fault] = std::from_chars(text.data(), text.data() + text.size(), value);
    return fault == std::errc() && end == text.data() + text.size();
}

bool readDouble(const std::string &text, double &value)
{
    try {
        std::size_t used = 0;
        value = std::stod(text, &used);
        return used == text.size();
    } catch (const std::exception &) {
        return false;
    }
}

bool setOption(SiteOptions &o, std::string_view name, const std::string &value)
{
    std::uint64_t n = 0;
    if (name == "--needle") {
        o.needle = value;
        return true;
    }
    if (name == "--needle-percent")
        return readDouble(value, o.needlePercent);
    if (name == "--depth")
        return readNumber(value, o.depth);
    if (!readNumber(value, n))
        return false;
    if (name == "--files")
        o.pages = n;
    else if (name == "--folders")
        o.folders = n;
    else if (name == "--big")
        o.bigPages = n;
    else if (name == "--assets")
        o.assets = n;
    else if (name == "--min-kb")
        o.minKb = n;
    else if (name == "--max-kb")
        o.maxKb = n;
    else if (name == "--seed")
        o.seed = n;
    else
        return false;
    return true;
}

const char *check(const SiteOptions &o)
{
    if (o.folder.empty())
        return "no folder given";
    if (o.folders == 0 || o.depth < 0 || (o.folders > 1 && o.depth == 0))
        return "--folders must be at least 1, and --depth at least 1 for more than one folder";
    if (o.minKb == 0 || o.minKb > o.maxKb)
        return "--min-kb must be at least 1 and not above --max-kb";
    if (o.needlePercent < 0 || o.needlePercent > 100)
        return "--needle-percent must lie between 0 and 100";
    if (o.needle.empty() || o.needle.find_first_of("\r\n") != std::string::npos)
        return "--needle must be non-empty and hold no line break";
    return nullptr;
}

} // namespace

std::optional<SiteOptions> SiteOptions::parse(int argc, char **argv, std::string &error)
{
    SiteOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.substr(0, 2) != "--") {
            options.folder = arg;
        } else if (i + 1 >= argc || !setOption(options, arg, argv[i + 1])) {
            error = "bad option or value: " + std::string(arg);
            return std::nullopt;
        } else {
            ++i;
        }
    }
    if (const char *fault = check(options)) {
        error = fault;
        return std::nullopt;
    }
    return options;
}

const char *SiteOptions::usage()
{
    return "usage: bench-site [--files N] [--folders N] [--depth N] [--big N] [--assets N]\n"
           "                  [--min-kb N] [--max-kb N] [--needle TEXT] [--needle-percent P]\n"
           "                  [--seed N] FOLDER\n"
           "Makes a synthetic web site below FOLDER (which must not exist yet) and prints a\n"
           "summary as key=value pairs.\n";
}
