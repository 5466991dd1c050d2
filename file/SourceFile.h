#pragma once

#include "file/Failure.h"
#include "file/ListedFile.h"
#include "file/PageLocation.h"

#include <QString>

#include <chrono>
#include <functional>
#include <optional>

class QIODevice;
class ScratchFile;

/// The page being rewritten, open for reading, with what is needed to replace it safely:
/// whether it may be replaced at all, its metadata for the scratch file, and whether another
/// program modified it since it was opened.
class SourceFile
{
public:
    using Clock = std::chrono::steady_clock;

    /// How long open() waits for another program to let go of its lock on the page.
    static constexpr std::chrono::seconds LockWait{5};

    /// Opens the page for reading. Anything but a regular file is refused without being opened
    /// (opening a FIFO for reading would block until a writer came), a symbolic link too: a
    /// link is never followed. On POSIX the page is also locked (flock) until this object goes:
    /// two runs of this program then never interleave on one page, which would lose one run's
    /// change. A page locked by someone else is waited for until lockDeadline (LockWait from
    /// now when not given; once it has passed, not at all), calling yield, then refused, and
    /// lockedOut() says so.
    bool open(const PageLocation &page, const std::function<void()> &yield = {},
              std::optional<Clock::time_point> lockDeadline = std::nullopt);

    /// True when the last open() was refused because another program kept the page locked.
    bool lockedOut() const { return m_lockedOut; }

    /// The open file; reads are unbuffered, so the caller reads in large chunks.
    QIODevice &device();

    /// The stamp of the file opened, as it was opened.
    const FileStamp &stamp() const { return m_file.stamp(); }

    /// The size the file had when it was opened.
    qint64 size() const;

    /// True when the file must not be overwritten: no write permission bit is set, or the
    /// user may not write it.
    bool isReadOnly() const;

    /// True when the file has other names (hard links). Replacing it by a rename would split
    /// it from them: they would keep the old text.
    bool hasOtherLinks() const;

    /// Gives the scratch file this file's owner, group, permissions and extended attributes.
    bool copyMetadataTo(ScratchFile &scratch);

    /// The step right before the scratch file takes the page's place: lets go of the page
    /// where the system requires it. Windows' ReplaceFileW opens the page for deletion, which
    /// fails while a handle without delete sharing is open, as Qt's are; POSIX keeps the page
    /// open, and so locked, until the rename.
    void closeBeforeReplacement();

    /// True when the page's name still names the file that was opened, unmodified, and not
    /// through a symbolic link. Where the file system's times cannot show a change (whole
    /// seconds), also when the page still holds the bytes read of it from its start (on POSIX;
    /// see PosixFileMetadata::hasCoarseTimes()).
    bool unchangedOnDisk();

    /// The page was linked into the undo journal, which moves its change time and link count:
    /// takes them as they are now, provided nothing else changed (else fails as modified).
    bool rereadAfterLink();

    /// The open file's descriptor (a C runtime one on Windows).
    int handle() const;

    /// Why the last step failed, naming the step ("cannot open the file: ...").
    const Failure &error() const { return m_error; }

private:
    bool fail(const Failure &failure);

    PageLocation m_page;
    ListedFile m_file;
    Failure m_error;
    bool m_lockedOut = false;
};
