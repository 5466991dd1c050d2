#include "FileFailure.h"

#include <QLocale>

QString FileFailure::notRegular()
{
    return QStringLiteral("not a regular file");
}

QString FileFailure::cannotOpen(int errorCode)
{
    return cannotOpen(qt_error_string(errorCode));
}

QString FileFailure::cannotOpen(const QString &reason)
{
    return QStringLiteral("cannot open the file: ") + reason;
}

QString FileFailure::cannotOpenFolder(const QString &folder, int errorCode)
{
    return QStringLiteral("cannot open its folder \"%1\": %2")
        .arg(folder, qt_error_string(errorCode));
}

QString FileFailure::folderReplaced(const QString &folder)
{
    return QStringLiteral("cannot open its folder \"%1\": it is no longer a folder (a link or a "
                          "file took its place), so it is not followed")
        .arg(folder);
}

QString FileFailure::notInTree()
{
    return QStringLiteral("the path does not lead to a file inside the chosen folder");
}

QString FileFailure::cannotRead(const QString &reason)
{
    return QStringLiteral("cannot read the file: ") + reason;
}

QString FileFailure::locked(int seconds)
{
    return QStringLiteral("another program kept the file locked for %1 seconds (another run of "
                          "Tagmender on the same folder, perhaps); it was left as it was")
        .arg(seconds);
}

QString FileFailure::replacementNotWritable(const QString &encoding)
{
    return QStringLiteral("the replacement text cannot be written in %1").arg(encoding);
}

QString FileFailure::unknownCharset(const QString &charset)
{
    return QStringLiteral("the page declares the charset \"%1\", which is not known; it was "
                          "left as it was")
        .arg(charset);
}

QString FileFailure::unsupportedCharset(const QString &charset)
{
    return QStringLiteral("the page declares the charset %1, whose bytes cannot be replaced "
                          "without decoding the page (it switches between character sets, "
                          "or writes plain ASCII otherwise); it was left as it was")
        .arg(charset);
}

QString FileFailure::matchInsideCharacter(const QString &charset, const QString &startCharacters)
{
    const qsizetype printableAscii = 0x7F - ' ';
    const QString begins = startCharacters.size() == printableAscii
                               ? QStringLiteral("any character of plain ASCII")
                           : startCharacters.startsWith(u' ')
                               ? QStringLiteral("a space or one of ") + startCharacters.mid(1)
                               : QStringLiteral("one of ") + startCharacters;
    return QStringLiteral("in the page's charset %1 the search text could also be found inside "
                          "other characters, so it was left as it was; a search text that "
                          "begins with %2 can be replaced")
        .arg(charset, begins);
}

QString FileFailure::modifiedMeanwhile()
{
    return QStringLiteral("the file was modified by another program during the run");
}

QString FileFailure::journalFailed(JournalStep step, const QString &reason)
{
    static const char *const steps[] = {
        "cannot make the journal folder",
        "cannot look at the original",
        "cannot link the original into the journal",
        "cannot copy the original into the journal",
        "cannot write the journal entry",
    };
    return QLatin1String(steps[int(step)]) + QStringLiteral(": ") + reason;
}

QString FileFailure::notJournaled(const QString &reason)
{
    return QStringLiteral("the original could not be kept for undoing the run (%1), so the file "
                          "was left as it was")
        .arg(reason);
}

QString FileFailure::changedSinceRun()
{
    return QStringLiteral("the file was changed after the run, so it was left as it is");
}

QString FileFailure::goneSinceRun()
{
    return QStringLiteral("the file is no longer there, so it was not put back");
}

QString FileFailure::originalMissing(const QString &reason)
{
    return QStringLiteral("its original is missing from the undo journal (%1), so it was left "
                          "as it is")
        .arg(reason);
}

QString FileFailure::originalNotAsKept(qint64 size, qint64 keptSize)
{
    return QStringLiteral("its original in the undo journal is not as the run kept it (%1 bytes, "
                          "not %2), so it was left as it is")
        .arg(size)
        .arg(keptSize);
}

QString FileFailure::entryUnusable(EntryProblem problem, const QString &reason)
{
    switch (problem) {
    case EntryProblem::Unreadable:
        return QStringLiteral("this entry of the undo journal cannot be read (%1), so its file "
                              "was not put back")
            .arg(reason);
    case EntryProblem::Incomplete:
        return QStringLiteral("this entry of the undo journal is not complete, so its file was "
                              "not put back");
    case EntryProblem::OtherOriginal:
        break;
    }
    return QStringLiteral("this entry of the undo journal names another file than its own "
                          "original, so its file was not put back");
}

QString FileFailure::readOnly()
{
    return QStringLiteral("the file is read-only");
}

QString FileFailure::otherHardLinks()
{
    return QStringLiteral("the file has more than one hard link: replacing it would leave its "
                          "other names with the old text");
}

QString FileFailure::endlessReplacement()
{
    return QStringLiteral("the replacement does not come to an end: every replacement makes a "
                          "new occurrence of the search text");
}

QString FileFailure::lineWorkLimit()
{
    return QStringLiteral("the replacements in one line exceed the limit on the work for a line");
}

QString FileFailure::previewReachesTooFarBack(qint64 bytes)
{
    return QStringLiteral("a dry run cannot tell what this page would become: the replacements in "
                          "one line reach back more than the %1 it keeps")
        .arg(QLocale::c().formattedDataSize(bytes, 0, QLocale::DataSizeIecFormat));
}

QString FileFailure::linePendingLimit()
{
    return QStringLiteral("the replacements in one line exceed the limit on the text waiting to "
                          "be scanned again");
}

QString FileFailure::outOfMemory()
{
    return QStringLiteral("not enough memory to read or rewrite the file");
}

QString FileFailure::scratchFailed(ScratchStep step, const QString &reason)
{
    static const char *const steps[] = {
        "cannot create the scratch file",
        "cannot write the scratch file",
        "cannot read back the scratch file",
        "cannot cut the scratch file short",
        "cannot write the scratch file to disk",
        "cannot replace the file with the scratch file",
        "cannot set the scratch file's modification time",
    };
    return QLatin1String(steps[int(step)]) + QStringLiteral(": ") + reason;
}

QString FileFailure::metadataFailed(MetadataStep step, const QString &reason,
                                    const QString &attribute)
{
    static const char *const steps[] = {
        "cannot read the scratch file's metadata",
        "cannot list the extended attributes of the file",
        "cannot list the extended attributes of the scratch file",
        "cannot read the extended attribute %1 of the file",
        "cannot give the scratch file the extended attribute %1",
        "cannot remove the extended attribute %1 from the scratch file",
        "cannot give the scratch file the permissions of the file",
    };
    const QString text = QLatin1String(steps[int(step)]);
    return (attribute.isEmpty() ? text : text.arg(attribute)) + QStringLiteral(": ") + reason;
}

QString FileFailure::cannotKeepOwner(uint user, uint group, const QString &reason)
{
    return QStringLiteral("cannot keep the file's owner and group (user %1, group %2): %3")
        .arg(user)
        .arg(group)
        .arg(reason);
}

QString FileFailure::replacedButNotDurable(const QString &reason)
{
    return QStringLiteral("the file was replaced, but its folder could not be synced to disk: ") +
           reason;
}
