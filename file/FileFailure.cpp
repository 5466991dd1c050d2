#include "file/FileFailure.h"

#include <QCoreApplication>
#include <QLocale>

namespace {

// The words users read are this program's source texts; they go through the translation of
// the "FileFailure" context, so that a translation could be added without touching the callers.
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(FileFailure)
};

} // namespace

Failure FileFailure::notRegular()
{
    return {FailureKind::Unreachable, Words::tr("not a regular file")};
}

Failure FileFailure::cannotOpen(int errorCode)
{
    return cannotOpen(qt_error_string(errorCode));
}

Failure FileFailure::cannotOpen(const QString &reason)
{
    return {FailureKind::Unreachable, Words::tr("cannot open the file: ") + reason};
}

Failure FileFailure::cannotOpenFolder(const QString &folder, int errorCode)
{
    return {FailureKind::Unreachable,
            Words::tr("cannot open its folder \"%1\": %2").arg(folder, qt_error_string(errorCode))};
}

Failure FileFailure::folderReplaced(const QString &folder)
{
    return {FailureKind::Unreachable,
            Words::tr("cannot open its folder \"%1\": it is no longer a folder (a link or a "
                      "file took its place), so it is not followed")
                .arg(folder)};
}

Failure FileFailure::notInTree()
{
    return {FailureKind::Unreachable,
            Words::tr("the path does not lead to a file inside the chosen folder")};
}

Failure FileFailure::cannotRead(const QString &reason)
{
    return {FailureKind::Unreadable, Words::tr("cannot read the file: ") + reason};
}

Failure FileFailure::locked(int seconds)
{
    return {FailureKind::Locked,
            Words::tr("another program kept the file locked for %1 seconds (another run of "
                      "Tagmender on the same folder, perhaps); it was left as it was")
                .arg(seconds)};
}

Failure FileFailure::replacementNotWritable(const QString &encoding)
{
    return {FailureKind::Charset,
            Words::tr("the replacement text cannot be written in %1").arg(encoding)};
}

Failure FileFailure::unknownCharset(const QString &charset)
{
    return {FailureKind::Charset,
            Words::tr("the page declares the charset \"%1\", which is not known; it was "
                      "left as it was")
                .arg(charset)};
}

Failure FileFailure::unsupportedCharset(const QString &charset)
{
    return {FailureKind::Charset,
            Words::tr("the page declares the charset %1, whose bytes cannot be replaced "
                      "without decoding the page (it switches between character sets, "
                      "or writes plain ASCII otherwise); it was left as it was")
                .arg(charset)};
}

Failure FileFailure::matchInsideCharacter(const QString &charset, const QString &startCharacters)
{
    const qsizetype printableAscii = 0x7F - ' ';
    const QString begins = startCharacters.size() == printableAscii
                               ? Words::tr("any character of plain ASCII")
                           : startCharacters.startsWith(u' ')
                               ? Words::tr("a space or one of ") + startCharacters.mid(1)
                               : Words::tr("one of ") + startCharacters;
    return {FailureKind::Charset,
            Words::tr("in the page's charset %1 the search text could also be found inside "
                      "other characters, so it was left as it was; a search text that "
                      "begins with %2 can be replaced")
                .arg(charset, begins)};
}

Failure FileFailure::modifiedMeanwhile()
{
    return {FailureKind::Modified,
            Words::tr("the file was modified by another program during the run")};
}

QString FileFailure::journalFailed(JournalStep step, const QString &reason)
{
    static const char *const steps[] = {
        QT_TRANSLATE_NOOP("FileFailure", "cannot make the journal folder"),
        QT_TRANSLATE_NOOP("FileFailure", "cannot look at the original"),
        QT_TRANSLATE_NOOP("FileFailure", "cannot link the original into the journal"),
        QT_TRANSLATE_NOOP("FileFailure", "cannot copy the original into the journal"),
        QT_TRANSLATE_NOOP("FileFailure", "cannot write the journal entry"),
    };
    return Words::tr(steps[int(step)]) + QStringLiteral(": ") + reason;
}

Failure FileFailure::notJournaled(const QString &reason)
{
    return {FailureKind::NotJournaled,
            Words::tr("the original could not be kept for undoing the run (%1), so the file "
                      "was left as it was")
                .arg(reason)};
}

Failure FileFailure::changedSinceRun()
{
    return {FailureKind::ChangedSinceRun,
            Words::tr("the file was changed after the run, so it was left as it is")};
}

Failure FileFailure::goneSinceRun()
{
    return {FailureKind::GoneSinceRun,
            Words::tr("the file is no longer there, so it was not put back")};
}

Failure FileFailure::originalMissing(const QString &reason)
{
    return {FailureKind::JournalDamaged,
            Words::tr("its original is missing from the undo journal (%1), so it was left "
                      "as it is")
                .arg(reason)};
}

Failure FileFailure::originalNotAsKept(qint64 size, qint64 keptSize)
{
    return {FailureKind::JournalDamaged,
            Words::tr("its original in the undo journal is not as the run kept it (%1 bytes, "
                      "not %2), so it was left as it is")
                .arg(size)
                .arg(keptSize)};
}

Failure FileFailure::entryUnusable(EntryProblem problem, const QString &reason)
{
    switch (problem) {
    case EntryProblem::Unreadable:
        return {FailureKind::JournalDamaged,
                Words::tr("this entry of the undo journal cannot be read (%1), so its file "
                          "was not put back")
                    .arg(reason)};
    case EntryProblem::Incomplete:
        return {FailureKind::JournalDamaged,
                Words::tr("this entry of the undo journal is not complete, so its file was "
                          "not put back")};
    case EntryProblem::OtherOriginal:
        break;
    }
    return {FailureKind::JournalDamaged,
            Words::tr("this entry of the undo journal names another file than its own "
                      "original, so its file was not put back")};
}

Failure FileFailure::readOnly()
{
    return {FailureKind::Refused, Words::tr("the file is read-only")};
}

Failure FileFailure::otherHardLinks()
{
    return {FailureKind::Refused,
            Words::tr("the file has more than one hard link: replacing it would leave its "
                      "other names with the old text")};
}

Failure FileFailure::endlessReplacement()
{
    return {FailureKind::Replacement,
            Words::tr("the replacement does not come to an end: every replacement makes a "
                      "new occurrence of the search text")};
}

Failure FileFailure::lineWorkLimit()
{
    return {FailureKind::Replacement,
            Words::tr("the replacements in one line exceed the limit on the work for a line")};
}

Failure FileFailure::previewReachesTooFarBack(qint64 bytes)
{
    return {FailureKind::Replacement,
            Words::tr("a dry run cannot tell what this page would become: the replacements in "
                      "one line reach back more than the %1 it keeps")
                .arg(QLocale::c().formattedDataSize(bytes, 0, QLocale::DataSizeIecFormat))};
}

Failure FileFailure::linePendingLimit()
{
    return {FailureKind::Replacement,
            Words::tr("the replacements in one line exceed the limit on the text waiting to "
                      "be scanned again")};
}

Failure FileFailure::outOfMemory()
{
    return {FailureKind::OutOfMemory, Words::tr("not enough memory to read or rewrite the file")};
}

Failure FileFailure::scratchFailed(ScratchStep step, const QString &reason)
{
    static const char *const steps[] = {
        QT_TRANSLATE_NOOP("FileFailure", "cannot create the scratch file"),
        QT_TRANSLATE_NOOP("FileFailure", "cannot write the scratch file"),
        QT_TRANSLATE_NOOP("FileFailure", "cannot read back the scratch file"),
        QT_TRANSLATE_NOOP("FileFailure", "cannot cut the scratch file short"),
        QT_TRANSLATE_NOOP("FileFailure", "cannot write the scratch file to disk"),
        QT_TRANSLATE_NOOP("FileFailure", "cannot replace the file with the scratch file"),
        QT_TRANSLATE_NOOP("FileFailure", "cannot set the scratch file's modification time"),
    };
    return {FailureKind::NotReplaced, Words::tr(steps[int(step)]) + QStringLiteral(": ") + reason};
}

Failure FileFailure::metadataFailed(MetadataStep step, const QString &reason,
                                    const QString &attribute)
{
    static const char *const steps[] = {
        QT_TRANSLATE_NOOP("FileFailure", "cannot read the scratch file's metadata"),
        QT_TRANSLATE_NOOP("FileFailure", "cannot list the extended attributes of the file"),
        QT_TRANSLATE_NOOP("FileFailure", "cannot list the extended attributes of the scratch file"),
        QT_TRANSLATE_NOOP("FileFailure", "cannot read the extended attribute %1 of the file"),
        QT_TRANSLATE_NOOP("FileFailure", "cannot give the scratch file the extended attribute %1"),
        QT_TRANSLATE_NOOP("FileFailure",
                          "cannot remove the extended attribute %1 from the scratch file"),
        QT_TRANSLATE_NOOP("FileFailure",
                          "cannot give the scratch file the permissions of the file"),
    };
    const QString text = Words::tr(steps[int(step)]);
    return {FailureKind::NotReplaced,
            (attribute.isEmpty() ? text : text.arg(attribute)) + QStringLiteral(": ") + reason};
}

Failure FileFailure::cannotKeepOwner(uint user, uint group, const QString &reason)
{
    return {FailureKind::NotReplaced,
            Words::tr("cannot keep the file's owner and group (user %1, group %2): %3")
                .arg(user)
                .arg(group)
                .arg(reason)};
}

Failure FileFailure::replacedButNotDurable(const QString &reason)
{
    return {FailureKind::NotDurable,
            Words::tr("the file was replaced, but its folder could not be synced to disk: ") +
                reason};
}

Failure FileFailure::replaceStoppedHalfWay(const QString &reason)
{
    return {FailureKind::NotReplaced,
            Words::tr("Windows could not replace the file (%1); the file was left as it was")
                .arg(reason)};
}

Failure FileFailure::replacedByRename(const QString &reason)
{
    return {FailureKind::MetadataLost,
            Words::tr("Windows could not replace the file (%1) and took the old file away; the "
                      "new text was put in its place, but its permissions, attributes and "
                      "alternate data streams may be lost")
                .arg(reason)};
}

Failure FileFailure::keptOnlyInScratch(const QString &reason, const QString &renameReason,
                                       const QString &scratch)
{
    return {FailureKind::OnlyInScratch,
            Words::tr("Windows could not replace the file (%1) and took the old file away; the "
                      "new text could not be put in its place (%2) and is kept in %3")
                .arg(reason, renameReason, scratch)};
}

Failure FileFailure::attributesNotKept(const QString &reason)
{
    return {FailureKind::MetadataLost,
            Words::tr("the file was replaced with its new text, but its hidden or system "
                      "attribute could not be set again (%1)")
                .arg(reason)};
}

QString FileFailure::folderInPlace()
{
    return Words::tr("a folder has taken its place");
}

QString FileFailure::scratchNotRemoved(const QString &scratch)
{
    return Words::tr(" (the scratch file %1 could not be removed)").arg(scratch);
}

QString FileFailure::linkLeftInJournal(const QString &reason)
{
    return Words::tr("another file took the page's name, and its link in the journal could not "
                     "be removed (%1)")
        .arg(reason);
}

Failure FileFailure::folderUnlisted(const QString &reason)
{
    return {FailureKind::Unlisted, reason};
}

QString FileFailure::fileGone()
{
    return Words::tr("the file is gone");
}

QString FileFailure::readBeyondWritten()
{
    return Words::tr("fewer bytes written than asked back");
}

QString FileFailure::endOfFile()
{
    return Words::tr("end of file");
}

Failure FileFailure::undecodableName(bool isFolder, const QString &shownName)
{
    return {FailureKind::LeftOut,
            (isFolder ? Words::tr("the folder \"%1\" was left out because its name is not valid "
                                  "in the file name encoding")
                      : Words::tr("the file \"%1\" was left out because its name is not valid in "
                                  "the file name encoding"))
                .arg(shownName)};
}

Failure FileFailure::linkLeftOut(const QString &shownName)
{
    return {FailureKind::LeftOut,
            Words::tr("the link \"%1\" was left out: links are not followed").arg(shownName)};
}

QString FileFailure::unknownError()
{
    return Words::tr("Unknown error");
}

Failure FileFailure::stopped()
{
    return {FailureKind::Stopped, Words::tr("stopped")};
}

Failure FileFailure::notRunJournal()
{
    return {FailureKind::JournalDamaged, Words::tr("not the journal of a run")};
}
