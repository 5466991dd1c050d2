#pragma once

#include "file/FileFailure.h"
#include "file/PageLocation.h"
#include "journal/JournalEntry.h"
#include "journal/JournalHome.h"

#include <QList>
#include <QString>

#include <optional>

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

    /// Notes the entry of the page last kept, for the complete, synced scratch file scratchFd
    /// that is to take its place once the entry is durable (writeGroup()).
    bool note(int scratchFd);

    /// Makes the entries noted since the last group durable, with the originals they name: one
    /// file for them all ("F-L.entries"), synced, then the run's folder. On failure none of
    /// them is, and their pages may not be replaced (forgetUnlessPlaced()).
    bool writeGroup();

    /// The name of the original last kept, which tells its page's entry to placed() and
    /// forgetUnlessPlaced().
    QByteArray lastKept() const
    {
        return m_open.isEmpty() ? QByteArray() : m_open.last().entry.kept;
    }

    /// The page of the entry kept took its place: the journal is done with it.
    void placed(const QByteArray &kept);

    /// The page of the entry kept was not replaced after all (unless the page now is the file
    /// noted for it): its original goes. Its entry, if written, stays in its group, where an
    /// entry without its original tells of no page.
    void forgetUnlessPlaced(const PageLocation &page, const QByteArray &kept);

    /// The same for the page last kept.
    void forgetUnlessPlaced(const PageLocation &page) { forgetUnlessPlaced(page, lastKept()); }

    /// The run's journal folder; empty until a page was kept.
    const QString &folder() const { return m_path; }

    /// What failed, naming the step.
    const QString &error() const { return m_error; }

private:
    bool copy(int sourceFd, const QByteArray &kept, qint64 size);
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

    /// A page whose original is kept, until it is placed or let go of.
    struct Open
    {
        JournalEntry entry;
        bool noted = false;   ///< its entry is complete, for the next group
        bool written = false; ///< its entry is durable, in a group
    };
    qsizetype openIndex(const QByteArray &kept) const;

    /// The entries noted since the last group, as the file that makes them durable together.
    struct Group
    {
        QString name; ///< "F-L.entries"
        QByteArray bytes;
    };
    std::optional<Group> nextGroup() const;
    /// The platform's step of writeGroup(): the group's file written and durable, with the
    /// names of its originals; on failure none of it stays, and error() says why.
    bool writeGroupFile(const Group &group);
    /// The group nextGroup() gave is durable.
    void groupWritten(const Group &group);

    // The bookkeeping behind JournalHome::settle(), the same on every platform.
    /// The page of open was not replaced; letGo: its original is gone (a group's file stays).
    void countForgotten(const Open &open, bool letGo)
    {
        if (letGo) {
            m_bytes -= open.entry.originalSize;
            m_entries -= open.written ? 1 : 0;
        } else {
            m_unsettled = true; // the next run or undo lets go of it (JournalHome::recover)
        }
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
    qint64 m_bytes = 0;       ///< of the files in the run's folder, for JournalHome::settle()
    qint64 m_entries = 0;     ///< entries in the run's folder whose page was not let go of
    bool m_unsettled = false; ///< an original that was not replaced could not be let go of
    QList<Open> m_open;       ///< in the order kept: a group's pages, a few at most
    QString m_error;
};
