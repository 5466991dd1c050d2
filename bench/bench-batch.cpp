// bench-batch: tagmender-batch with the switches that benchmarks and tests need, read from the
// environment; the installed tool has none of them.
// TAGMENDER_BENCH_JOURNAL=off keeps no undo journal: for measuring what the journal costs only
// (bench/journal-cost), as such a run cannot be undone.
// TAGMENDER_SCRATCH=named gives every scratch file a name from the start, as a file system
// without unnamed files does (for the reliability tests).

#include "BatchTool.h"
#include "ScratchFile.h"

#include <cstdlib>
#include <cstring>

namespace {

bool environmentIs(const char *name, const char *value)
{
    const char *set = std::getenv(name);
    return set && std::strcmp(set, value) == 0;
}

} // namespace

int main(int argc, char *argv[])
{
    ScratchFile::setAlwaysNamed(environmentIs("TAGMENDER_SCRATCH", "named"));
    BatchSwitches switches;
    switches.journaled = !environmentIs("TAGMENDER_BENCH_JOURNAL", "off");
    return RunBatchTool(argc, argv, switches);
}
