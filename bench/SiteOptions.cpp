#include "bench/SiteOptions.h"

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
    if (name == "--shape")
        return true; // read before all others, see SiteOptions::parse
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

// The shape sets the defaults the other options then change, wherever it stands on the line.
std::optional<SiteOptions::Shape> givenShape(int argc, char **argv)
{
    SiteOptions::Shape shape = SiteOptions::Shape::Mixed;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) != "--shape" || i + 1 >= argc)
            continue;
        const std::string_view value = argv[++i];
        if (value == "real")
            shape = SiteOptions::Shape::Real;
        else if (value != "mixed")
            return std::nullopt;
    }
    return shape;
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

SiteOptions SiteOptions::forShape(Shape shape)
{
    SiteOptions options;
    options.shape = shape;
    if (shape == Shape::Real) {
        // Near a real documentation tree of 48,000 pages and 700 to 800 MB.
        options.pages = 50000;
        options.folders = 3000;
        options.bigPages = 0;
        options.minKb = 2;
        options.maxKb = 40;
        options.needlePercent = 0.3;
    }
    return options;
}

std::optional<SiteOptions> SiteOptions::parse(int argc, char **argv, std::string &error)
{
    const auto shape = givenShape(argc, argv);
    if (!shape) {
        error = "--shape must be mixed or real";
        return std::nullopt;
    }
    SiteOptions options = forShape(*shape);
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
    return "usage: bench-site [--shape mixed|real] [--files N] [--folders N] [--depth N] [--big "
           "N]\n"
           "                  [--assets N] [--min-kb N] [--max-kb N] [--needle TEXT]\n"
           "                  [--needle-percent P] [--seed N] FOLDER\n"
           "Makes a synthetic web site below FOLDER (which must not exist yet) and prints a\n"
           "summary as key=value pairs. --shape sets the defaults the other options change:\n"
           "mixed (10,000 pages of every line end and encoding) or real (50,000 pages of\n"
           "UTF-8 and LF, a third of them minified, sizes with a long tail to a few MB).\n";
}
