#pragma once

#include "ListedFile.h"
#include "PosixFileMetadata.h"
#include "PosixFileReader.h"

#include <optional>

struct ListedFile::Native
{
    std::optional<PosixFileReader> reader;
    PosixFileMetadata metadata; ///< of the open file
};
