#pragma once

#include "PosixFileMetadata.h"
#include "PosixFileReader.h"

#include <QDateTime>
#include <QFile>
#include <QString>

#include <optional>

#ifndef Q_OS_UNIX
#include "WindowsFileReplace.h"
#endif

/// The file being rewritten, open for reading, with what is needed to replace it safely:
/// whether it may be replaced at all, its metadata for the scratch file, and whether another
/// program modified it since it was opened.
class SourceFile
{
public:
    /// Opens path for reading. Anything but a regular file is refused without being opened
    /// (opening a FIFO for reading would block until a writer came), a symbolic link too:
    /// a final link is never followed.
    bool open(const QString &path);

    /// The open file; reads are unbuffered, so the caller reads in large chunks.
    QIODevice &device();

    /// The size the file had when it was opened.
    qint64 size() const;

    /// True when the file must not be overwritten: no write permission bit is set, or the
    /// user may not write it.
    bool isReadOnly() const;

    /// True when the file has other names (hard links). Replacing it by a rename would split
    /// it from them: they would keep the old text.
    bool hasOtherLinks() const;

    /// Gives the scratch file this file's owner, group, permissions and extended attributes.
    bool copyMetadataTo(QFileDevice &scratch);

    /// True when the path still names the file that was opened, unmodified, and not through
    /// a symbolic link.
    bool unchangedOnDisk();

    /// Why the last step failed, naming the step ("cannot open the file: ...").
    const QString &error() const { return m_error; }

private:
    bool fail(const QString &reason);

    QString m_path;
    QString m_error;
#ifdef Q_OS_UNIX
    std::optional<PosixFileReader> m_file;
    PosixFileMetadata m_metadata;
#else
    QFile m_file;
    WindowsFileFacts m_facts; ///< as read through the open file
#endif
};
