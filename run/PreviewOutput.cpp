#include "PreviewOutput.h"

#include "FileFailure.h"

#include <cstring>

bool PreviewOutput::write(const void *data, qsizetype size)
{
    m_tail.append(static_cast<const char *>(data), size);
    // Dropped in halves, so that each byte is moved a bounded number of times.
    if (m_tail.size() > 2 * m_keptBytes)
        m_tail.remove(0, m_tail.size() - m_keptBytes);
    return true;
}

bool PreviewOutput::takeBack(void *data, qsizetype size)
{
    if (size > m_tail.size()) {
        m_error = FileFailure::previewReachesTooFarBack(m_keptBytes);
        return false;
    }
    std::memcpy(data, m_tail.constData() + m_tail.size() - size, size_t(size));
    m_tail.chop(size);
    return true;
}
