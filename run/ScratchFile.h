#pragma once

#include <QSaveFile>
#include <QString>

#include <memory>

#ifdef Q_OS_WIN
// Windows replaces the file through ReplaceFileW, which keeps its ACL and streams.
#include "WindowsScratchFile.h"
using ScratchFile = WindowsScratchFile;
#else

/// The scratch file a file is rewritten into: a uniquely named file in the file's own folder
/// that replaces the file in one rename on commit(), or disappears when destroyed uncommitted
/// (QSaveFile discards it then, without the sync that a cancelled commit() would still do).
///
/// It works around what QSaveFile (Qt 6.4) gets wrong on its own: a buffered QSaveFile loses
/// a write error (a full disk) in its buffer and then commits an empty file, and it ignores
/// errors of its final sync. So the file is opened unbuffered, the buffering is done here
/// with every write checked, and the data is synced here before the rename.
///
/// QSaveFile replaces the target of a symbolic link found at target when it opens; the caller
/// must open target itself first, without following links, and check right before commit()
/// that target still names that file (SourceFile::unchangedOnDisk does both).
class ScratchFile
{
public:
    /// A scratch file that will replace target.
    explicit ScratchFile(const QString &target);

    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;

    bool open();

    /// Appends bytes. After a failure every further call fails too, and error() says why.
    bool write(const void *data, qsizetype size);

    /// Writes out what is buffered.
    bool flush();

    /// Removes the last size bytes written and copies them to data, from the buffer where it
    /// still holds them, else from the file, which is cut short. Slow when the file is reached:
    /// meant for the rare line whose replacements reach far back.
    bool takeBack(void *data, qsizetype size);

    /// Forces the written data and metadata to the disk.
    bool sync();

    /// The scratch file itself, for copying metadata onto its handle.
    QFileDevice &device() { return m_file; }

    /// Renames the scratch file over the target, then makes the new name durable. A failure
    /// of the second step is reported although the target was replaced (error() says so).
    bool commit();

    /// What failed, naming the step ("cannot write the scratch file: ...").
    const QString &error() const { return m_error; }

private:
    bool writeOut(const char *data, qsizetype size);
    bool cutFileEnd(char *data, qsizetype size);
    bool fail(const QString &step, const QString &reason);
    bool syncFolder();

    QSaveFile m_file;
    std::unique_ptr<char[]> m_buffer;
    qsizetype m_used = 0;
    QString m_error;
};

#endif // Q_OS_WIN
