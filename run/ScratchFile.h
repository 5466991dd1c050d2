#pragma once

#include "PageLocation.h"

#include <QString>

#include <functional>
#include <memory>

#ifdef Q_OS_WIN
// Windows replaces the file through ReplaceFileW, which keeps its ACL and streams.
#include "WindowsScratchFile.h"
using ScratchFile = WindowsScratchFile;
#else

/// The scratch file a page is rewritten into: a file in the page's own folder, made through
/// the folder's open descriptor, that takes the page's place in one rename on commit(), or
/// disappears when destroyed uncommitted.
///
/// Where the file system allows it (ext4, XFS, Btrfs, tmpfs), the file has no name at all until
/// it is complete and synced (O_TMPFILE); elsewhere it has a hidden name from the start. Either
/// way its name begins with a dot, which the walk leaves out, and is never longer than the
/// folder allows, however long the page's own name is.
///
/// Not QSaveFile: it reaches the folder by path (following any link on the way), its commit
/// syncs once more between the last check and the rename, and its scratch name can be too
/// long for the folder.
class ScratchFile
{
public:
    /// A scratch file that will replace page.
    explicit ScratchFile(const PageLocation &page);
    ~ScratchFile();

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

    /// The scratch file's descriptor, for copying metadata onto it.
    int handle() const { return m_fd; }

    /// Gives the synced scratch file a name if it has none, asks unchanged() whether the page
    /// is still as it was read (the last check, right before the rename; false fails with the
    /// reason that the page was modified), renames the scratch file over the page, then makes
    /// the new name durable. A failure of that last step is reported although the page was
    /// replaced (error() says so).
    bool commit(const std::function<bool()> &unchanged);

    /// What failed, naming the step ("cannot write the scratch file: ...").
    const QString &error() const { return m_error; }

    /// Gives every scratch file a name from the start, as on a file system without unnamed
    /// files, so that this way can be tested on any file system.
    static void setAlwaysNamed(bool named);

private:
    bool createNamed();
    bool giveName();
    bool writeOut(const char *data, qsizetype size);
    bool cutFileEnd(char *data, qsizetype size);
    bool fail(const QString &step, int errorCode);
    bool fail(const QString &reason);
    void removeName();

    PageLocation m_page;
    int m_fd = -1;
    QByteArray m_name; ///< the scratch file's name in the page's folder, once it has one
    std::unique_ptr<char[]> m_buffer;
    qsizetype m_used = 0;
    qint64 m_written = 0; ///< bytes in the file, which is only ever appended to or cut short
    QString m_error;
};

#endif // Q_OS_WIN
