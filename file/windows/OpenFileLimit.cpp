#include "file/OpenFileLimit.h"

// Windows has no per-process limit on open handles that a run could reach.
void RaiseOpenFileLimit() {}
