#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

/// The folder of the file looked at last, kept open, so that the next file of the same folder
/// is looked up by its name alone instead of through every folder of its path. A run lists the
/// files of each folder together, and on a deep tree the walk along the path is a good part of
/// what a pre-scan costs. POSIX only; used by one thread.
///
/// A folder replaced while it is open keeps being read: whoever looks up files through it must
/// check them by their path before relying on what it found.
class OpenFolder
{
public:
    OpenFolder() = default;
    ~OpenFolder();

    OpenFolder(const OpenFolder &) = delete;
    OpenFolder &operator=(const OpenFolder &) = delete;

#ifdef Q_OS_UNIX
    /// A descriptor of folder (a path in the file system's encoding), opened unless it is the
    /// folder already open; -1 when it cannot be opened.
    int descriptor(QByteArrayView folder);
#endif

private:
#ifdef Q_OS_UNIX
    QByteArray m_path;
    int m_fd = -1;
#endif
};
