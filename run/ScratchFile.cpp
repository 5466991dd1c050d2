#include "ScratchFile.h"

#ifndef Q_OS_WIN // Windows has WindowsScratchFile

#include <QFileInfo>

#include <cstring>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

constexpr qsizetype BufferBytes = qsizetype(256) << 10;

} // namespace

ScratchFile::ScratchFile(const QString &target) : m_file(target)
{
    // The default, stated because it matters: with the fallback, a folder that refuses a new
    // file would have QSaveFile write into the target directly, through any link and with no
    // way back.
    m_file.setDirectWriteFallback(false);
}

bool ScratchFile::open()
{
    // Unbuffered: see the class comment.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(QStringLiteral("cannot create the scratch file"), m_file.errorString());
    m_buffer = std::make_unique_for_overwrite<char[]>(size_t(BufferBytes));
    return true;
}

bool ScratchFile::write(const void *data, qsizetype size)
{
    if (!m_error.isEmpty())
        return false;
    if (size == 0) // data may then be null, which memcpy must not be given
        return true;
    if (m_used + size > BufferBytes && !flush())
        return false;
    if (size >= BufferBytes)
        return writeOut(static_cast<const char *>(data), size);
    std::memcpy(m_buffer.get() + m_used, data, size_t(size));
    m_used += size;
    return true;
}

bool ScratchFile::flush()
{
    if (!m_error.isEmpty())
        return false;
    const qsizetype used = m_used;
    m_used = 0;
    return writeOut(m_buffer.get(), used);
}

// A write that stops short (a full disk) reports no error: only writing the rest again
// brings out the reason.
bool ScratchFile::writeOut(const char *data, qsizetype size)
{
    while (size > 0) {
        const qint64 wrote = m_file.write(data, size);
        if (wrote <= 0)
            return fail(QStringLiteral("cannot write the scratch file"), m_file.errorString());
        data += wrote;
        size -= qsizetype(wrote);
    }
    return true;
}

bool ScratchFile::sync()
{
    if (!flush())
        return false;
#ifdef Q_OS_UNIX
    if (::fsync(m_file.handle()) != 0)
        return fail(QStringLiteral("cannot write the scratch file to disk"),
                    qt_error_string(errno));
#endif
    return true;
}

bool ScratchFile::commit()
{
    if (!m_error.isEmpty())
        return false;
    errno = 0;
    if (!m_file.commit()) {
        // When Qt cannot link an unnamed scratch file into the folder under any temporary name
        // (a full folder, say), it records no reason ("Unknown error"); the system's is left.
        const int error = errno;
        const bool noReason = m_file.error() == QFileDevice::UnspecifiedError && error != 0;
        return fail(QStringLiteral("cannot replace the file with the scratch file"),
                    noReason ? qt_error_string(error) : m_file.errorString());
    }
    return syncFolder();
}

bool ScratchFile::fail(const QString &step, const QString &reason)
{
    if (m_error.isEmpty())
        m_error = step + QStringLiteral(": ") + reason;
    return false;
}

// A rename is durable only once the folder that holds the new name is on the disk.
bool ScratchFile::syncFolder()
{
#ifdef Q_OS_UNIX
    // The rename replaced the path itself, not a link's target (see the class comment).
    const QString folder = QFileInfo(m_file.fileName()).absolutePath();
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    const int error = errno;
    if (fd >= 0)
        ::close(fd);
    if (!synced)
        return fail(QStringLiteral("the file was replaced, but its folder could not be synced to "
                                   "disk"),
                    qt_error_string(error));
#endif
    return true;
}

#endif // Q_OS_WIN
