#pragma once

#include <QString>
#include <QStringList>

/// The hidden folder-tracking state of the main window (folderEntries and fileEntries): a current
/// folder that only ever names an existing folder, and the names it held when last re-read. It is
/// never drawn; folder tracking and the folder chooser point it at the folder field's text.
class FolderList
{
public:
    /// What a re-read collects: the subfolders (folderEntries) or the files (fileEntries) of the
    /// folder.
    enum class Shows { Folders, Files };

    /// Starts at the process's current working folder, like an unset list control.
    explicit FolderList(Shows shows);

    /// Points the list at the folder text names (relative to the working folder when not
    /// absolute). Refuses a text that names no existing folder and keeps the previous one.
    bool setPath(const QString &text);

    /// The current folder in its one normalised form (FolderPath::normalised): absolute, native
    /// separators, no separator at the end except for a root.
    QString path() const;

    /// Re-reads the names in the current folder; a folder that has gone leaves the list empty.
    void refresh();

    /// The names found by the last refresh, sorted without regard to case.
    const QStringList &entries() const { return m_entries; }

private:
    Shows m_shows;
    QString m_path; ///< normalised
    QStringList m_entries;
};
