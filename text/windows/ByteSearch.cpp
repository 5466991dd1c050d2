#include "text/ByteSearch.h"

#include <algorithm>
#include <functional>

// No memmem here. The searcher's table costs one pass over the needle, which is short.
const char *FindBytes(const char *from, const char *end, const char *needle, std::size_t needleSize)
{
    const std::boyer_moore_horspool_searcher searcher(needle, needle + needleSize);
    return std::search(from, end, searcher);
}

const bool FindBytesIsLinear = false;
