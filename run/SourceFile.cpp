#include "SourceFile.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// Also the reason for a symbolic link: only regular files are rewritten, and the walk leaves
// out links by the same rule, so a link met here took a listed file's place during the run.
// Following it could replace a file outside the chosen folder.
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
    // Another file may have taken the path since the check above: a FIFO (non-blocking, so the
    // open does not wait for a writer), a device (which would be read for ever) or a link
    // (O_NOFOLLOW fails with ELOOP on it). So what counts from here on is the file actually
    // opened, checked once more; the check before the replacement then compares the path with
    // that file.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return fail(errno == ELOOP ? notRegular : cannotOpen + qt_error_string(errno));
    m_file.emplace(fd);
    if (!m_metadata.readOpen(fd))
        return fail(cannotOpen + qt_error_string(errno));
    if (!m_metadata.isRegularFile())
        return fail(notRegular);
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

// The path is looked at without following a link, so a link that took the file's place (another
// inode) is refused here, right before the commit. That also guards the commit itself: QSaveFile
// resolves a link once, when the scratch file is opened after this file, and would then replace
// the link's target; but for the path to be a link then and this file again now, the file must
// have been moved away and back, which moves its change time (short of all of it falling within
// one tick of the file system's clock).
bool SourceFile::unchangedOnDisk()
{
    PosixFileMetadata now;
    return now.readPath(m_path) && now.sameVersionAs(m_metadata);
}

#else // Windows: Qt to read, Win32 for the file's identity and attributes.

#include <QDir>

#include <io.h>

namespace {

// QFileDevice::handle() is a C runtime descriptor on Windows; Win32 wants the HANDLE behind it.
void *win32Handle(const QFile &file)
{
    return reinterpret_cast<void *>(_get_osfhandle(file.handle()));
}

// QFile and ReadFileFacts follow reparse points; a link is refused by its name instead.
bool isLink(const QFileInfo &info)
{
    return info.isSymLink() || info.isJunction();
}

} // namespace

bool SourceFile::open(const QString &path)
{
    m_path = path;
    const QFileInfo info(path);
    if (isLink(info) || (info.exists() && !info.isFile()))
        return fail(notRegular);
    m_file.setFileName(path);
    const QString cannotOpen = QStringLiteral("cannot open the file: ");
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return fail(cannotOpen + m_file.errorString());
    // Read through the open handle, so that they describe the file being read.
    std::wstring error;
    if (!ReadFileFacts(win32Handle(m_file), m_facts, error))
        return fail(cannotOpen + QString::fromStdWString(error));
    return true;
}

QIODevice &SourceFile::device()
{
    return m_file;
}

qint64 SourceFile::size() const
{
    return qint64(m_facts.size);
}

// The read-only attribute makes ReplaceFileW fail with "access denied" only after the scratch
// file is written; checked here, the file is refused up front. QFileInfo adds the NTFS
// permissions when the program turns their lookup on.
bool SourceFile::isReadOnly() const
{
    return m_facts.isReadOnly() || !QFileInfo(m_path).isWritable();
}

// ReplaceFileW gives the path a new file, as a rename does: other names would keep the old text.
bool SourceFile::hasOtherLinks() const
{
    return m_facts.links > 1;
}

// ReplaceFileW itself gives the new file the old one's attributes, ACL and streams.
bool SourceFile::copyMetadataTo(QFileDevice &)
{
    return true;
}

// Also closes the file: this is the last look at it before ReplaceFileW, which opens it for
// deletion and so fails while any handle without FILE_SHARE_DELETE is open, as Qt's are.
bool SourceFile::unchangedOnDisk()
{
    m_file.close();
    if (isLink(QFileInfo(m_path)))
        return false;
    const QString path = QDir::toNativeSeparators(QFileInfo(m_path).absoluteFilePath());
    WindowsFileFacts now;
    std::wstring error;
    return ReadFileFacts(path.toStdWString(), now, error) && SameFileVersion(now, m_facts);
}

#endif
