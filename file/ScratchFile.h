#pragma once

#include "file/Failure.h"
#include "file/FileStamp.h"
#include "file/PageLocation.h"

#include <QString>

#include <functional>
#include <memory>

/// The scratch file a page is rewritten into: a file in the page's own folder that takes the
/// page's place on commit(), or disappears when destroyed uncommitted. Its name begins with a
/// dot, which the walk leaves out, so one left behind by a power cut is never taken for a page.
///
/// POSIX: made through the folder's open descriptor; where the file system allows it (ext4, XFS,
/// Btrfs, tmpfs), the file has no name at all until it is complete and synced (O_TMPFILE); its
/// name is never longer than the folder allows, however long the page's own name is; commit()
/// renames it over the page and syncs the folder.
/// Windows: a uniquely named file beside the page that takes its place through ReplaceFileW,
/// which keeps the page's ACL, attributes, creation time and alternate data streams.
///
/// Not QSaveFile: it reaches the folder by path (following any link on the way), its commit
/// syncs once more between the last check and the rename, its scratch name can be too long for
/// the folder, and on Windows it renames with MoveFileEx, losing the ACL and streams.
class ScratchFile
{
public:
    /// A scratch file that will replace page.
    explicit ScratchFile(const PageLocation &page);
    ~ScratchFile();

    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;

    /// Creates the scratch file, under a name no other file has (or none).
    bool open();

    /// Appends bytes. After a failure every further call fails too, and error() says why.
    bool write(const void *data, qsizetype size);

    /// Writes out what is buffered, and lets the buffer go until the next write.
    bool flush();

    /// Removes the last size bytes written and copies them to data, from the buffer where it
    /// still holds them, else from the file, which is cut short. Slow when the file is reached:
    /// meant for the rare line whose replacements reach far back.
    bool takeBack(void *data, qsizetype size);

    /// Gives the flushed scratch file this modification time (an undo gives the page back its
    /// original's). Nothing may be written after it, or the time moves again.
    bool setModified(const FileStamp::Time &time);

    /// Asks the system to start writing the complete, flushed scratch file to the disk without
    /// waiting, so that its sync() later finds the data written: a group's pages are synced
    /// together, and their writes then overlap with the rewrite of the pages after them.
    /// Only a hint: whatever fails here, sync() fails too and tells. Windows: nothing.
    void startWriteBack();

    /// Forces the written data and metadata to the disk.
    bool sync();

    /// The scratch file's descriptor (a C runtime one on Windows), for copying metadata onto it.
    int handle() const;

    /// Gives the synced scratch file a name if it has none, asks unchanged() whether the page
    /// is still as it was read (the last check, right before the replacement; false fails with
    /// the reason that the page was modified), puts the scratch file in the page's place, then
    /// makes the new name durable. A failure of that last step is reported although the page
    /// was replaced (error() says so); otherwise, after a failure the page is as it was.
    bool commit(const std::function<bool()> &unchanged);

    /// commit() but for its last step: the page is replaced, its new name not yet durable. The
    /// caller syncs the page's folder (HeldFolder::sync()), once for all the pages of a group
    /// that it placed there. Windows: commit(), whose replacement is durable at once.
    bool place(const std::function<bool()> &unchanged);

    /// What failed, naming the step ("cannot write the scratch file: ...").
    const Failure &error() const;

    /// Gives every scratch file a name from the start, as on a file system without unnamed
    /// files, so that this way can be tested on any file system. (Always so on Windows.)
    static void setAlwaysNamed(bool named);

    /// Removes the scratch files under way that have a name (a group's pages waiting for their
    /// place, the page being rewritten), for a program that ends at once on a signal: an
    /// unnamed one goes with the program, a named one would stay.
    /// POSIX: async-signal-safe, for a handler that runs on the thread that writes the scratch
    /// files. Windows: does nothing (see there).
    static void removeUnfinished();

private:
    struct Native; ///< the platform's file and its state
    std::unique_ptr<Native> d;
};
