#pragma once

#include "file/ListedFile.h"
#include "file/posix/PosixFileMetadata.h"
#include "file/posix/PosixFileReader.h"

#include <optional>

struct ListedFile::Native
{
    std::optional<PosixFileReader> reader;
    PosixFileMetadata metadata; ///< of the open file
};
