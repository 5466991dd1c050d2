#pragma once

#include "file/FileStamp.h"
#include "run/PendingPage.h"
#include "run/RewriteResult.h"

#include <QList>
#include <QString>

#include <chrono>
#include <memory>
#include <utility>

class RunJournal;

/// Pages of a run rewritten into their scratch files, put in place together, so that their
/// syncs are shared: the journal's entries and its folder are synced once for the group, each
/// page's folder once for the group's pages in it. A page is replaced only once its scratch
/// file and its journal entry are on the disk, and is reported only once it is in place.
/// Used by the thread that rewrites.
class ReplacementGroup
{
public:
    /// The most pages a group holds: each holds three descriptors (page, scratch file, folder).
    static constexpr qsizetype MostPages = 64;

    using Clock = std::chrono::steady_clock;

    /// The longest a page waits for others to join its group: on a large tree with few pages
    /// to change, the first ones are listed within this time, not when the run ends.
    static constexpr std::chrono::milliseconds LongestWait{2000};

    /// journal keeps the originals; root: the chosen folder, below which each page's folder is
    /// held while it waits (HeldFolder); longestWait: see LongestWait.
    ReplacementGroup(RunJournal &journal, const QString &root,
                     std::chrono::milliseconds longestWait = LongestWait)
        : m_journal(journal), m_root(root), m_longestWait(longestWait)
    {}

    RunJournal &journal() const { return m_journal; }
    const QString &root() const { return m_root; }

    /// The page at path, rewritten, its original kept and its entry noted in the journal
    /// (RunJournal::note()).
    void add(const QString &path, const std::shared_ptr<PendingPage> &page);

    /// Whether the file of identity waits in the group: a page listed twice, which the group is
    /// to put in place before the page is read again (on POSIX its lock tells so first).
    bool holds(const FileStamp::Identity &identity) const;

    /// Whether the group is to take its place now: it is full, or its first page has waited
    /// the longest wait.
    bool due() const
    {
        return full() || (!isEmpty() && Clock::now() - m_firstAdded >= m_longestWait);
    }

    bool isEmpty() const { return m_pages.isEmpty(); }

    /// Syncs the scratch files, then the journal's group, puts each page in its place (after
    /// the last check that it is as it was read), syncs each folder once; returns each page's
    /// path and result in the order added (Changed, or Failed and why, the page left as it
    /// was unless the reason says otherwise). The group is empty after.
    QList<std::pair<QString, RewriteResult>> commit();

private:
    bool full() const { return m_pages.size() >= MostPages; }
    void syncScratchFiles();
    void place();
    void syncFolders();
    void release();

    RunJournal &m_journal;
    QString m_root;
    std::chrono::milliseconds m_longestWait;
    Clock::time_point m_firstAdded; ///< when the first page of the group was added
    QList<std::pair<QString, std::shared_ptr<PendingPage>>> m_pages;
};
