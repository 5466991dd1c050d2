#pragma once

#include <QString>
#include <QStringList>

class FolderHandle;

/// One folder's entries as the walk needs them: its visible subfolders and its visible regular
/// files whose names are page names (IsPageName), each sorted by name without regard to case (ties
/// broken case-sensitively, so the order is total and the same under every locale). Hidden entries,
/// links of any kind and special files (FIFOs, sockets, devices) are left out.
class FolderListing
{
public:
    /// Lists the open folder.
    static FolderListing read(const FolderHandle &folder);

    /// Whether the folder could not be listed; subfolders() and files() are then empty.
    bool failed() const { return !m_error.isEmpty(); }
    /// Why the folder could not be listed, in the system's words ("Permission denied").
    const QString &error() const { return m_error; }
    /// Bare names of the subfolders.
    const QStringList &subfolders() const { return m_subfolders; }
    /// Bare names of the matching files.
    const QStringList &files() const { return m_files; }
    /// Subfolders left out because their names do not come back as the same bytes from decoding
    /// and encoding them again (invalid in the file name encoding, or led by a byte order mark
    /// that decoding drops), each shown as ShownName() shows it. Kept when the listing fails.
    const QStringList &undecodableFolders() const { return m_undecodableFolders; }
    /// Matching files left out for the same reason, in the same form.
    const QStringList &undecodableFiles() const { return m_undecodableFiles; }
    /// Links left out, never followed: those to folders, in the form of undecodableFolders().
    const QStringList &linkedFolders() const { return m_linkedFolders; }
    /// Links left out whose names are page names, whatever they point to (or if nothing).
    const QStringList &linkedFiles() const { return m_linkedFiles; }

private:
    void readEntries(const FolderHandle &folder);
    void fail(const QString &error);
    void noteLink(const QString &name, const QByteArray &raw, bool toFolder, bool page);

    QStringList m_subfolders;
    QStringList m_files;
    QStringList m_undecodableFolders;
    QStringList m_undecodableFiles;
    QStringList m_linkedFolders;
    QStringList m_linkedFiles;
    QString m_error;
};
