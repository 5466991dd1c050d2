// bench-site [options] FOLDER
//
// Makes the synthetic web site that bench/run-bench times the tools on, and prints what it
// made as key=value pairs on one line. Run without arguments for the options.

#include "bench/SiteGenerator.h"
#include "bench/SiteOptions.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char **argv)
{
    std::string error;
    const auto options = SiteOptions::parse(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "bench-site: %s\n%s", error.c_str(), SiteOptions::usage());
        return 2;
    }
    try {
        const SiteSummary s = SiteGenerator(*options).generate();
        std::printf("pages=%llu assets=%llu folders=%llu depth=%d bytes=%llu needle_pages=%llu\n",
                    static_cast<unsigned long long>(s.pages),
                    static_cast<unsigned long long>(s.assets),
                    static_cast<unsigned long long>(s.folders), s.depth,
                    static_cast<unsigned long long>(s.bytes),
                    static_cast<unsigned long long>(s.pagesWithNeedle));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench-site: %s\n", e.what());
        return 1;
    }
    return 0;
}
