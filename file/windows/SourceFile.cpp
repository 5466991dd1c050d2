// Windows: Qt to read, Win32 for the file's identity and attributes.
#include "file/SourceFile.h"

#include "file/FileFailure.h"
#include "file/windows/ListedFileNative.h"

#include <QDir>
#include <QFileInfo>

namespace {

// QFile and ReadFileFacts follow reparse points; a link is refused by its name instead.
bool isLink(const QFileInfo &info)
{
    return info.isSymLink() || info.isJunction();
}

} // namespace

bool SourceFile::open(const PageLocation &page, const std::function<void()> &,
                      std::optional<Clock::time_point>)
{
    m_page = page;
    return m_file.open(page) || fail(m_file.error());
}

qint64 SourceFile::size() const
{
    return qint64(m_file.native().facts.size);
}

int SourceFile::handle() const
{
    return m_file.native().file.handle();
}

// The read-only attribute makes ReplaceFileW fail with "access denied" only after the scratch
// file is written; checked here, the file is refused up front. QFileInfo adds the NTFS
// permissions when the program turns their lookup on.
bool SourceFile::isReadOnly() const
{
    return m_file.native().facts.isReadOnly() || !QFileInfo(m_page.path).isWritable();
}

// ReplaceFileW gives the path a new file, as a rename does: other names would keep the old text.
bool SourceFile::hasOtherLinks() const
{
    return m_file.native().facts.links > 1;
}

// ReplaceFileW itself gives the new file the old one's attributes, ACL and streams.
bool SourceFile::copyMetadataTo(ScratchFile &)
{
    return true;
}

void SourceFile::closeBeforeReplacement()
{
    m_file.close();
}

// A hard link moves no time that SameFileVersion compares (Windows' change time is not among
// them), so what was read of the page still holds.
bool SourceFile::rereadAfterLink()
{
    return true;
}

// Looked at by name: the file itself was closed by closeBeforeReplacement().
bool SourceFile::unchangedOnDisk()
{
    if (isLink(QFileInfo(m_page.path)))
        return false;
    const QString path = QDir::toNativeSeparators(QFileInfo(m_page.path).absoluteFilePath());
    WindowsFileFacts now;
    std::wstring error;
    return ReadFileFacts(path.toStdWString(), now, error) &&
           SameFileVersion(now, m_file.native().facts);
}
