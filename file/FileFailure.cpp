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

QString FileFailure::notRegular()
{
    return Words::tr("not a regular file");
}

QString FileFailure::cannotOpen(int errorCode)
{
    return cannotOpen(qt_error_string(errorCode));
}

QString FileFailure::cannotOpen(const QString &reason)
{
    return Words::tr("cannot open the file: ") + reason;
}

QString FileFailure::cannotOpenFolder(const QString &folder, int errorCode)
{
    return Words::tr("cannot open its folder \"%1\": %2").arg(folder, qt_error_string(errorCode));
}

QString FileFailure::folderReplaced(const QString &folder)
{
    return Words::tr("cannot open its folder \"%1\": it is no longer a folder (a link or a "
                     "file took its place), so it is not followed")
        .arg(folder);
}

QString FileFailure::notInTree()
{
    return Words::tr("the path does not lead to a file inside the chosen folder");
}

QString FileFailure::cannotRead(const QString &reason)
{
    return Words::tr("cannot read the file: ") + reason;
}

QString FileFailure::locked(int seconds)
{
    return Words::tr("another program kept the file locked for %1 seconds (another run of "
                     "Tagmender on the same folder, perhaps); it was left as it was")
        .arg(seconds);
}

QString FileFailure::replacementNotWritable(const QString &encoding)
{
    return Words::tr("the replacement text cannot be written in %1").arg(encoding);
}

QString FileFailure::unknownCharset(const QString &charset)
{
    return Words::tr("the page declares the charset \"%1\", which is not known; it was "
                     "left as it was")
        .arg(charset);
}

QString FileFailure::unsupportedCharset(const QString &charset)
{
    return Words::tr("the page declares the charset %1, whose bytes cannot be replaced "
                     "without decoding the page (it switches between character sets, "
                     "or writes plain ASCII otherwise); it was left as it was")
        .arg(charset);
}

QString FileFailure::matchInsideCharacter(const QString &charset, const QString &startCharacters)
{
    const qsizetype printableAscii = 0x7F - ' ';
    const QString begins = startCharacters.size() == printableAscii
                               ? Words::tr("any character of plain ASCII")
                           : startCharacters.startsWith(u' ')
                               ? Words::tr("a space or one of ") + startCharacters.mid(1)
                               : Words::tr("one of ") + startCharacters;
    return Words::tr("in the page's charset %1 the search text could also be found inside "
                     "other characters, so it was left as it was; a search text that "
                     "begins with %2 can be replaced")
        .arg(charset, begins);
}

QString FileFailure::modifiedMeanwhile()
{
    return Words::tr("the file was modified by another program during the run");
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

QString FileFailure::notJournaled(const QString &reason)
{
    return Words::tr("the original could not be kept for undoing the run (%1), so the file "
                     "was left as it was")
        .arg(reason);
}

QString FileFailure::changedSinceRun()
{
    return Words::tr("the file was changed after the run, so it was left as it is");
}

QString FileFailure::goneSinceRun()
{
    return Words::tr("the file is no longer there, so it was not put back");
}

QString FileFailure::originalMissing(const QString &reason)
{
    return Words::tr("its original is missing from the undo journal (%1), so it was left "
                     "as it is")
        .arg(reason);
}

QString FileFailure::originalNotAsKept(qint64 size, qint64 keptSize)
{
    return Words::tr("its original in the undo journal is not as the run kept it (%1 bytes, "
                     "not %2), so it was left as it is")
        .arg(size)
        .arg(keptSize);
}

QString FileFailure::entryUnusable(EntryProblem problem, const QString &reason)
{
    switch (problem) {
    case EntryProblem::Unreadable:
        return Words::tr("this entry of the undo journal cannot be read (%1), so its file "
                         "was not put back")
            .arg(reason);
    case EntryProblem::Incomplete:
        return Words::tr("this entry of the undo journal is not complete, so its file was "
                         "not put back");
    case EntryProblem::OtherOriginal:
        break;
    }
    return Words::tr("this entry of the undo journal names another file than its own "
                     "original, so its file was not put back");
}

QString FileFailure::readOnly()
{
    return Words::tr("the file is read-only");
}

QString FileFailure::otherHardLinks()
{
    return Words::tr("the file has more than one hard link: replacing it would leave its "
                     "other names with the old text");
}

QString FileFailure::endlessReplacement()
{
    return Words::tr("the replacement does not come to an end: every replacement makes a "
                     "new occurrence of the search text");
}

QString FileFailure::lineWorkLimit()
{
    return Words::tr("the replacements in one line exceed the limit on the work for a line");
}

QString FileFailure::previewReachesTooFarBack(qint64 bytes)
{
    return Words::tr("a dry run cannot tell what this page would become: the replacements in "
                     "one line reach back more than the %1 it keeps")
        .arg(QLocale::c().formattedDataSize(bytes, 0, QLocale::DataSizeIecFormat));
}

QString FileFailure::linePendingLimit()
{
    return Words::tr("the replacements in one line exceed the limit on the text waiting to "
                     "be scanned again");
}

QString FileFailure::outOfMemory()
{
    return Words::tr("not enough memory to read or rewrite the file");
}

QString FileFailure::scratchFailed(ScratchStep step, const QString &reason)
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
    return Words::tr(steps[int(step)]) + QStringLiteral(": ") + reason;
}

QString FileFailure::metadataFailed(MetadataStep step, const QString &reason,
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
    return (attribute.isEmpty() ? text : text.arg(attribute)) + QStringLiteral(": ") + reason;
}

QString FileFailure::cannotKeepOwner(uint user, uint group, const QString &reason)
{
    return Words::tr("cannot keep the file's owner and group (user %1, group %2): %3")
        .arg(user)
        .arg(group)
        .arg(reason);
}

QString FileFailure::replacedButNotDurable(const QString &reason)
{
    return Words::tr("the file was replaced, but its folder could not be synced to disk: ") +
           reason;
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

QString FileFailure::undecodableName(bool isFolder, const QString &shownName)
{
    return (isFolder ? Words::tr("the folder \"%1\" was left out because its name is not valid "
                                 "in the file name encoding")
                     : Words::tr("the file \"%1\" was left out because its name is not valid in "
                                 "the file name encoding"))
        .arg(shownName);
}

QString FileFailure::linkLeftOut(const QString &shownName)
{
    return Words::tr("the link \"%1\" was left out: links are not followed").arg(shownName);
}

QString FileFailure::unknownError()
{
    return Words::tr("Unknown error");
}

QString FileFailure::stopped()
{
    return Words::tr("stopped");
}

QString FileFailure::notRunJournal()
{
    return Words::tr("not the journal of a run");
}
