#include "file/SourceFile.h"

#include <QIODevice>

QIODevice &SourceFile::device()
{
    return m_file.device();
}

bool SourceFile::fail(const Failure &failure)
{
    m_error = failure;
    return false;
}
