#include "SourceFile.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

const QString notRegular = QStringLiteral("not a regular file");

} // namespace

bool SourceFile::fail(const QString &reason)
{
    m_error = reason;
    return false;
}

#ifdef Q_OS_UNIX

bool SourceFile::open(const QString &path)
{
    m_path = path;
    const QString cannotOpen = QStringLiteral("cannot open the file: ");
    if (!m_metadata.readPath(path))
        return fail(cannotOpen + qt_error_string(errno));
    if (!m_metadata.isRegularFile())
        return fail(notRegular);
    // Non-blocking all the same, in case a FIFO took the file's place since the check above
    // (reading it then finds nothing); reads of a regular file are not affected. Should any
    // other file take its place, the check before the replacement fails: the identity it
    // compares is the one read above.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return fail(cannotOpen + qt_error_string(errno));
    m_file.emplace(fd);
    return true;
}

QIODevice &SourceFile::device()
{
    return *m_file;
}

qint64 SourceFile::size() const
{
    return m_metadata.size();
}

bool SourceFile::isReadOnly() const
{
    return m_metadata.lacksWriteBits() ||
           ::access(QFile::encodeName(m_path).constData(), W_OK) != 0;
}

bool SourceFile::hasOtherLinks() const
{
    return m_metadata.hasOtherLinks();
}

bool SourceFile::copyMetadataTo(QFileDevice &scratch)
{
    m_error = m_metadata.copyTo(m_file->handle(), scratch.handle());
    return m_error.isEmpty();
}

bool SourceFile::unchangedOnDisk()
{
    PosixFileMetadata now;
    return now.readPath(m_path) && now.sameVersionAs(m_metadata);
}

#else // Windows: plain Qt; replacing through the system's own file replacement comes later.

bool SourceFile::open(const QString &path)
{
    m_path = path;
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return fail(notRegular);
    m_size = info.size();
    m_modified = info.lastModified();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return fail(QStringLiteral("cannot open the file: ") + m_file.errorString());
    return true;
}

QIODevice &SourceFile::device()
{
    return m_file;
}

qint64 SourceFile::size() const
{
    return m_size;
}

bool SourceFile::isReadOnly() const
{
    return !QFileInfo(m_path).isWritable();
}

bool SourceFile::hasOtherLinks() const
{
    return false;
}

// QSaveFile already gives the scratch file the file's permissions.
bool SourceFile::copyMetadataTo(QFileDevice &)
{
    return true;
}

bool SourceFile::unchangedOnDisk()
{
    const QFileInfo info(m_path);
    return info.exists() && info.size() == m_size && info.lastModified() == m_modified;
}

#endif
