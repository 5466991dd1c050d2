#pragma once

#include "FileFailure.h"
#include "JournalEntry.h"
#include "JournalHome.h"
#include "PageLocation.h"

#include <QString>

/// The undo journal of one run: before a changed page takes its place, the run keeps the
/// page's original here, outside the user's tree, and an entry that says how to tell the page
/// the run wrote. Both are on the disk before the page is replaced, so whenever the run stops,
/// every page it replaced has its original in the journal.
///
/// The original is a hard link to the page's own file where the journal is on the same file
/// system (it costs no space until the page is replaced, then the original's size), else a copy.
/// The journal's folder is made, and older journals pruned, when the first page is kept: a run
/// that changes nothing leaves none. Used by the thread that rewrites.
class RunJournal
{
public:
    /// root: the chosen folder, which an undo reaches the pages from; search and replacement:
    /// the run's texts, which the list of runs shows.
    RunJournal(const QString &root, const QString &search, const QString &replacement,
               const QString &home = JournalHome::location());
    ~RunJournal();

    RunJournal(const RunJournal &) = delete;
    RunJournal &operator=(const RunJournal &) = delete;

    /// Makes the run's journal folder, unless made before.
    bool open();

    /// Keeps the original of page, open as sourceFd (the very file read, whatever the name
    /// names by now), before anything of the new text is written. A hard link moves the file's
    /// change time: the caller looks at the file right before (see SourceFile::rereadAfterLink).
    bool keepOriginal(const PageLocation &page, int sourceFd, qint64 size);

    /// Makes the entry of the page last kept durable, for the complete, synced scratch file
    /// scratchFd that is about to take its place.
    bool record(int scratchFd);

    /// The page last kept was not replaced after all (unless the page now is the file recorded):
    /// its original and entry go.
    void forgetUnlessPlaced(const PageLocation &page);

    /// The run's journal folder; empty until a page was kept.
    const QString &folder() const { return m_path; }

    /// What failed, naming the step.
    const QString &error() const { return m_error; }

private:
    bool copy(int sourceFd, qint64 size);
    bool fail(FileFailure::JournalStep step, const QString &reason)
    {
        m_error = FileFailure::journalFailed(step, reason);
        return false;
    }
    /// errorCode: the system's (errno, or -1 for the last error, which Qt reads on Windows).
    bool fail(FileFailure::JournalStep step, int errorCode)
    {
        return fail(step, qt_error_string(errorCode));
    }

    // The bookkeeping behind JournalHome::settle(), the same on every platform.
    /// The entry of the page last kept is written, bytes long.
    void countEntry(qint64 bytes)
    {
        m_pendingEntryBytes = bytes;
        m_bytes += bytes;
        ++m_entries;
    }
    /// The page last kept was not replaced; letGo: its original and entry are gone.
    void countForgotten(bool letGo)
    {
        if (letGo) {
            m_bytes -= m_pending.originalSize + m_pendingEntryBytes;
            m_entries -= m_pendingEntryBytes > 0 ? 1 : 0;
        } else {
            m_unsettled = true; // the next run or undo lets go of it (JournalHome::recover)
        }
        m_pending = {};
        m_pendingEntryBytes = 0;
    }
    /// As the run ends, while it still holds its folder, so no other run sees the note before
    /// it is true. A folder without an entry holds no change: the next run removes it.
    void settleIfClean() const
    {
        if (!m_unsettled && m_entries > 0)
            JournalHome::settle(m_path, m_bytes);
    }

    QString m_root;
    QString m_search, m_replacement;
    QString m_home;
    QString m_path;
    int m_fd = -1; ///< the run's folder, open and locked while the run goes on
    qint64 m_count = 0;
    qint64 m_bytes = 0;             ///< of the files in the run's folder, for JournalHome::settle()
    qint64 m_pendingEntryBytes = 0; ///< of the entry of the page last kept, once written
    qint64 m_entries = 0;           ///< entries in the run's folder
    bool m_unsettled = false;       ///< an original that was not replaced could not be let go of
    JournalEntry m_pending;
    QString m_error;
};
