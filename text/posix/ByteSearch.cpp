#include "text/ByteSearch.h"

#include <string.h> // memmem

const char *FindBytes(const char *from, const char *end, const char *needle, std::size_t needleSize)
{
    const void *hit = ::memmem(from, std::size_t(end - from), needle, needleSize);
    return hit ? static_cast<const char *>(hit) : end;
}

const bool FindBytesIsLinear = true;
