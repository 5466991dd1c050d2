#include "ScratchFile.h"

#ifndef Q_OS_WIN // Windows has WindowsScratchFile

#include <QFileInfo>

#include <algorithm>
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

bool ScratchFile::takeBack(void *data, qsizetype size)
{
    if (!m_error.isEmpty())
        return false;
    const qsizetype fromBuffer = std::min(size, m_used);
    const qsizetype fromFile = size - fromBuffer;
    char *const to = static_cast<char *>(data);
    if (fromFile > 0 && !cutFileEnd(to, fromFile))
        return false;
    if (fromBuffer > 0)
        std::memcpy(to + fromFile, m_buffer.get() + (m_used - fromBuffer), size_t(fromBuffer));
    m_used -= fromBuffer;
    return true;
}

// The scratch file is only ever appended to, so its position is its end. Qt opens it for
// reading and writing even when asked for writing only, and QSaveFile offers no read: the
// bytes are read through the handle. The device moves its position back as it cuts.
bool ScratchFile::cutFileEnd(char *data, qsizetype size)
{
    const QString step = QStringLiteral("cannot read back the scratch file");
    const qint64 end = m_file.pos();
    if (size > end)
        return fail(step, QStringLiteral("fewer bytes written than asked back"));
#ifdef Q_OS_UNIX
    for (qsizetype done = 0; done < size;) {
        const ssize_t got =
            ::pread(m_file.handle(), data + done, size_t(size - done), off_t(end - size + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return fail(step, got < 0 ? qt_error_string(errno) : QStringLiteral("end of file"));
        done += qsizetype(got);
    }
#else
    Q_UNUSED(data);
    return fail(step, QStringLiteral("not supported on this system"));
#endif
    if (!m_file.resize(end - size))
        return fail(QStringLiteral("cannot cut the scratch file short"), m_file.errorString());
    return true;
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
