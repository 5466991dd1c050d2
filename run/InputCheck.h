#pragma once

#include <QString>

#include <optional>

/// Checks the input of a run in the order the user meets the messages: empty fields, equal
/// texts, a replacement that contains the search text (it would never end), a search text that
/// holds a CR (it could never be found), a folder whose text does not come back unchanged from
/// the file name encoding, a folder that does not exist (its ".." resolved as text, as
/// FolderPath::normalised() and so the walk resolve it), a folder that holds the undo journal
/// (see JournalHome::liesIn()). Returns the message that refuses the run, or nothing when the
/// run may go on.
std::optional<QString> CheckRunInput(const QString &folder, const QString &search,
                                     const QString &replacement);
