#pragma once

#include "file/ListedFile.h"
#include "file/windows/WindowsFileReplace.h"

#include <QFile>

struct ListedFile::Native
{
    QFile file;
    WindowsFileFacts facts; ///< as read through the open file
};
