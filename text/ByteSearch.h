#pragma once

#include <cstddef>

/// The first occurrence of needle (needleSize bytes, at least one) in the bytes from..end, or
/// end. The C library's memmem where there is one (about twice as fast as the standard searcher
/// on HTML pages); the standard Boyer-Moore-Horspool searcher elsewhere (Windows).
const char *FindBytes(const char *from, const char *end, const char *needle,
                      std::size_t needleSize);

/// Whether FindBytes takes linear time whatever the bytes (memmem's two-way search); the
/// standard searcher can take the needle's length times longer on unlucky text.
extern const bool FindBytesIsLinear;
