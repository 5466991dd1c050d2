#pragma once

#include "journal/JournalFolder.h"

struct JournalFolder::Native
{
    int fd = -1;   ///< the folder, open
    int lock = -1; ///< the file holdLock() locked, open
};
