#pragma once

#include "ListedFile.h"
#include "WindowsFileReplace.h"

#include <QFile>

struct ListedFile::Native
{
    QFile file;
    WindowsFileFacts facts; ///< as read through the open file
};
