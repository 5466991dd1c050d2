#pragma once

/// What kept a page from being changed or put back, or an entry of a folder from being listed:
/// what a caller decides on, since the words users read (FileFailure) may be translated.
enum class FailureKind {
    ChangedSinceRun, ///< undo: the page holds something else than what the run wrote
    GoneSinceRun,    ///< undo: the page is no longer there
    LeftOut,         ///< the walk left an entry out: a link, or a name not valid in the encoding
    Unlisted,        ///< a folder could not be opened or listed, so the walk left it out
    Unreachable,     ///< the page, or a folder on its way, cannot be opened or is not as listed
    Unreadable,      ///< the page could not be read to its end
    Locked,          ///< another program kept its lock on the page
    Refused,         ///< the page may not be replaced: read-only, or other names share it
    Charset,         ///< the page's charset cannot take the replacement byte for byte
    Replacement,     ///< the replacements do not end, or exceed what a line may cost
    OutOfMemory,     ///< memory ran out for this page
    Modified,        ///< the page changed after it was read
    NotJournaled,    ///< the original could not be kept for undoing the run
    NotReplaced,     ///< a step of writing the scratch file or putting it in place failed
    NotDurable,      ///< replaced, but its folder could not be synced to disk
    MetadataLost,    ///< replaced (Windows), but its attributes, ACL or streams may be lost
    OnlyInScratch,   ///< (Windows) the page was taken away; its new text is in the scratch file
    JournalDamaged,  ///< undo: the journal does not hold what the run kept
    Stopped,         ///< the run was stopped first
    None             ///< no failure: what a default Failure holds
};
