#pragma once

#include "file/Failure.h"

#include <QString>

/// The reasons a page could not be rewritten or put back, or a folder's entry was left out, in
/// the words users read after "PATH: ". Kept in one place so that the walk, the pre-scan, the
/// rewrite and the undo say the same thing the same way. A whole reason comes as a Failure,
/// whose kind callers decide on; a QString is a piece that goes inside another reason.
namespace FileFailure {

/// A link, FIFO, socket, device or folder where a page was listed. A link is never followed:
/// the walk leaves links out, so one met here took a listed page's place during the run.
Failure notRegular();
/// The page could not be opened; errorCode is the system's (errno, or GetLastError()).
Failure cannotOpen(int errorCode);
/// The same, in the words a platform layer already found.
Failure cannotOpen(const QString &reason);
/// A folder on the way to the page could not be opened (for a folder that became a link or a
/// file during the run, folderReplaced() says so).
Failure cannotOpenFolder(const QString &folder, int errorCode);
/// A folder on the way to the page is a link now, or no folder at all.
Failure folderReplaced(const QString &folder);
/// The listed path does not lead to a page inside the chosen folder.
Failure notInTree();
/// The page vanished between its opening and the look at its name.
QString fileGone();
/// Reasons a read of the scratch file comes back short: more was asked than was written...
QString readBeyondWritten();
/// ...or the file ended before the bytes written.
QString endOfFile();
/// The page could not be read to its end.
Failure cannotRead(const QString &reason);
/// Another program (most likely another run of this one) kept its lock on the page.
Failure locked(int seconds);
/// The steps of writing the scratch file and putting it in the page's place.
enum class ScratchStep { Create, Write, ReadBack, CutShort, WriteToDisk, Replace, SetTime };
/// A step failed ("cannot write the scratch file: REASON"); the page is as it was.
Failure scratchFailed(ScratchStep step, const QString &reason);
/// The scratch file took the page's place, but the folder could not be synced, so a power cut
/// could still bring back the old text.
Failure replacedButNotDurable(const QString &reason);
// Windows: how the system's replacement of the page by the scratch file (ReplaceFileW) failed,
// reason being the system's words.
/// It stopped half-way; the page is still as it was.
Failure replaceStoppedHalfWay(const QString &reason);
/// It took the page away; the new text took its place by a rename, which keeps less of it.
Failure replacedByRename(const QString &reason);
/// It took the page away, and the new text could not take its place (renameReason): the
/// scratch file, shown so, is all that is left of the page.
Failure keptOnlyInScratch(const QString &reason, const QString &renameReason,
                          const QString &scratch);
/// The page was replaced, but its hidden or system attribute could not be set again.
Failure attributesNotKept(const QString &reason);
/// A folder took the page's place, for scratchFailed(ScratchStep::Replace, ...).
QString folderInPlace();
/// What follows the reason of a refused replacement when the scratch file could not be removed.
QString scratchNotRemoved(const QString &scratch);
/// The steps of giving the scratch file the page's metadata, those about one extended attribute
/// among them.
enum class MetadataStep {
    ReadScratch,
    ListAttributes,
    ListScratchAttributes,
    ReadAttribute,
    GiveAttribute,
    RemoveAttribute,
    GivePermissions
};
/// A step failed ("cannot give the scratch file the permissions of the file: REASON"); for the
/// steps about one attribute, attribute names it.
Failure metadataFailed(MetadataStep step, const QString &reason, const QString &attribute = {});
/// The scratch file cannot get the page's owner and group (only a privileged user may give a
/// file to another user).
Failure cannotKeepOwner(uint user, uint group, const QString &reason);
/// The page may not be written (no write permission bit, or not for this user).
Failure readOnly();
/// Replacing the page by a rename would leave its other names with the old text.
Failure otherHardLinks();
/// Every replacement makes a new occurrence of the search text.
Failure endlessReplacement();
/// A line's replacements exceed the limit on the work for a line...
Failure lineWorkLimit();
/// ...or on the text waiting to be scanned again.
Failure linePendingLimit();
/// A dry run keeps only the last bytes of a page's new text, and a cascade of replacements in
/// one line reached back further: what the run would write cannot be told.
Failure previewReachesTooFarBack(qint64 bytes);
/// Memory ran out for this page; the run goes on with the next.
Failure outOfMemory();
/// The page changed after it was read, so the other program's version is kept.
Failure modifiedMeanwhile();
/// The replacement text has a character that the page's encoding (named so) cannot write.
Failure replacementNotWritable(const QString &encoding);
/// Browsers do not know the charset the page declares, or no converter here reads it.
Failure unknownCharset(const QString &charset);
/// The page's charset writes a character otherwise in different company (shift states) or
/// writes ASCII otherwise, so bytes cannot be replaced one for one.
Failure unsupportedCharset(const QString &charset);
/// In the page's multi-byte charset a match of the search text could be the second half of
/// one character and the start of the next; startCharacters are the characters of printable
/// ASCII, space first, that a search text may begin with there.
Failure matchInsideCharacter(const QString &charset, const QString &startCharacters);
/// The steps of keeping a page's original in the undo journal.
enum class JournalStep { MakeFolder, LookAtOriginal, LinkOriginal, CopyOriginal, WriteEntry };
/// A step failed ("cannot write the journal entry: REASON"); notJournaled() wraps it.
QString journalFailed(JournalStep step, const QString &reason);
/// Windows: why the original could not be copied when another file took the page's name after
/// it was opened, and the link to that file could not be removed from the journal (reason).
QString linkLeftInJournal(const QString &reason);
/// The page's original could not be kept in the undo journal, so the page was not replaced.
Failure notJournaled(const QString &reason);

// The walk: what it leaves out of the list, and why.
/// A folder or a file whose name is not valid in the file name encoding (shownName escapes it).
Failure undecodableName(bool isFolder, const QString &shownName);
/// A link where a page or a folder would be.
Failure linkLeftOut(const QString &shownName);
/// A folder could not be opened or listed, for the reason the system gave (or unknownError()).
Failure folderUnlisted(const QString &reason);
/// A folder listing failed and the system gave no reason.
QString unknownError();
/// The run was stopped before the page was read to its end.
Failure stopped();

// Undo: why a page of the run was not put back.
/// The page no longer holds what the run wrote.
Failure changedSinceRun();
/// The page is no longer there.
Failure goneSinceRun();
/// The journal no longer holds the page's original (removed by hand, or unreadable).
Failure originalMissing(const QString &reason);
/// The original in the journal has another size than the run kept (cut short, say).
Failure originalNotAsKept(qint64 size, qint64 keptSize);
/// The folder chosen for an undo holds no run's journal.
Failure notRunJournal();
/// Why an entry of the journal cannot be used; the path shown is the entry's own.
enum class EntryProblem { Unreadable, Incomplete, OtherOriginal };
/// "this entry of the undo journal cannot be read (REASON), so ..."
Failure entryUnusable(EntryProblem problem, const QString &reason = {});

} // namespace FileFailure
