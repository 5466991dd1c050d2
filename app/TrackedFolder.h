#pragma once

#include <QString>

/// The folder the main window's folder field names (the design's directory list): it only ever
/// names an existing folder. Folder tracking points it at the field's text on every change; the
/// run points it again before it lists. It never lists the folder: nothing reads a listing, and
/// re-reading a large folder on every key made typing in the field slow.
class TrackedFolder
{
public:
    /// Starts at the process's current working folder, like an unset list control.
    TrackedFolder();

    /// Points at the folder text names (relative to the working folder when not absolute).
    /// Refuses a text that names no existing folder and keeps the previous one.
    bool setPath(const QString &text);

    /// The current folder in its one normalised form (FolderPath::normalised): absolute, native
    /// separators, no separator at the end except for a root.
    QString path() const;

private:
    QString m_path; ///< normalised
};
