// tagmender-batch: one search-and-replace run without windows, its dry run, or the undo of a
// run, from the command line. What it does and prints: BatchHelp, and the manual page
// tagmender-batch.1.

#include "BatchTool.h"

int main(int argc, char *argv[])
{
    return RunBatchTool(argc, argv);
}
