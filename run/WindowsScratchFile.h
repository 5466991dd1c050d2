#pragma once

#include <QtGlobal>

#ifdef Q_OS_WIN

#include "PageLocation.h"

#include <QFile>
#include <QString>

#include <functional>

/// The scratch file a file is rewritten into on Windows (ScratchFile stands for this class
/// there): a new, uniquely named file in the file's own folder that takes the file's place
/// through ReplaceFileW on commit(), or is deleted when destroyed uncommitted.
///
/// Not QSaveFile: its commit renames with MoveFileEx, so the file would lose its ACL,
/// attributes, creation time and alternate data streams (see ReplaceWithScratch).
/// Not QTemporaryFile: its close() keeps the file open, and ReplaceFileW needs the scratch
/// file closed (it opens it for deletion without sharing).
/// Writes go through QFile's own buffer, whose write errors come back from write() and
/// flush(), unlike those of a buffered QSaveFile.
class WindowsScratchFile
{
public:
    /// A scratch file that will replace target.
    explicit WindowsScratchFile(const QString &target);
    explicit WindowsScratchFile(const PageLocation &page) : WindowsScratchFile(page.path) {}
    ~WindowsScratchFile();

    WindowsScratchFile(const WindowsScratchFile &) = delete;
    WindowsScratchFile &operator=(const WindowsScratchFile &) = delete;

    /// Creates the scratch file, under a name no other file has.
    bool open();

    /// Appends bytes. After a failure every further call fails too, and error() says why.
    bool write(const void *data, qsizetype size);

    /// Writes out what is buffered.
    bool flush();

    /// Removes the last size bytes written and copies them to data; the file is cut short.
    /// Slow: meant for the rare line whose replacements reach far back.
    bool takeBack(void *data, qsizetype size);

    /// Forces the written data to the disk.
    bool sync();

    /// The scratch file's C runtime descriptor.
    int handle() const { return m_file.handle(); }

    /// Closes the scratch file, asks unchanged() whether the target is still as it was read
    /// (false fails with the reason that it was modified), and puts the scratch file in the
    /// place of the target, which keeps its attributes, ACL and streams. May wait about a
    /// second for another program to let go of either file. After a failure the target is as
    /// it was, unless error() says otherwise.
    bool commit(const std::function<bool()> &unchanged);

    /// What failed, naming the step ("cannot write the scratch file: ...").
    const QString &error() const { return m_error; }

    /// Scratch files always have a name here.
    static void setAlwaysNamed(bool) {}

private:
    bool fail(const QString &step, const QString &reason);

    QString m_target;
    QFile m_file;
    bool m_created = false;    ///< open() made the file at m_file's name
    bool m_handedOver = false; ///< commit() passed the file on; it is not ours to delete
    QString m_error;
};

#endif // Q_OS_WIN
