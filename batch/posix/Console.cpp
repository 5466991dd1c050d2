#include "Console.h"

#include <unistd.h>

bool Console::errorIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}
