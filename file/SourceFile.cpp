#include "file/SourceFile.h"

#include <QIODevice>

QIODevice &SourceFile::device()
{
    return m_file.device();
}

bool SourceFile::fail(const QString &reason)
{
    m_error = reason;
    return false;
}
