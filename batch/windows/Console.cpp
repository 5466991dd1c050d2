#include "Console.h"

#include <io.h>

bool Console::errorIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}
