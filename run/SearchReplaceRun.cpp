#include "run/SearchReplaceRun.h"

#include "file/FolderChain.h"
#include "file/OpenFileLimit.h"
#include "file/SourceFile.h"
#include "run/ProcessPage.h"
#include "run/RunObserver.h"
#include "scan/CollectHtmlFiles.h"
#include "scan/FolderPath.h"

#include <QScopeGuard>

namespace {

// Passes what the walk reports on to the run's observer, and every page it lists to the
// read-ahead, so that the pre-scans start while the walk goes on.
class ListingFeed : public WalkObserver
{
public:
    ListingFeed(WalkObserver &observer, PreScanReadAhead &readAhead)
        : m_observer(observer), m_readAhead(readAhead)
    {}
    void folderFailed(const QString &folder, const Failure &failure) override
    {
        m_observer.folderFailed(folder, failure);
    }
    void yield() override { m_observer.yield(); }
    void fileListed(const QString &path) override { m_readAhead.add(path); }

private:
    WalkObserver &m_observer;
    PreScanReadAhead &m_readAhead;
};

} // namespace

SearchReplaceRun::SearchReplaceRun(const QString &search, const QString &replacement,
                                   RunObserver &observer)
    : m_texts(search, replacement), m_observer(observer)
{}

QStringList SearchReplaceRun::collect(const QString &folder, bool subfolders)
{
    RaiseOpenFileLimit();
    m_root = FolderPath::normalised(folder);
    m_readAhead.reset();
    m_readAhead.emplace(m_root, m_texts);
    ListingFeed feed(m_observer, *m_readAhead);
    QStringList files;
    if (subfolders)
        CollectHtmlFiles(folder, files, feed);
    else
        ListFolderFiles(folder, files, feed);
    m_readAhead->complete();
    m_listed = files;
    return files;
}

bool SearchReplaceRun::process(const QStringList &files)
{
    // A copy, so that a list the observer changes while it yields cannot pull the paths away
    // from under the workers or shift them against their verdicts.
    const QStringList list = files;
    const qsizetype count = list.size();
    const auto yield = [this] { m_observer.yield(); };
    FolderChain folders(m_root);
    m_journal.reset();
    if (!m_dryRun)
        JournalHome::recover();
    m_group.reset();
    if (m_journaled && !m_dryRun) {
        m_journal.emplace(m_root, m_texts.search(), m_texts.replacement());
        m_group.emplace(*m_journal, m_root, m_longestGroupWait);
    }
    // However the run ends, the pages rewritten so far take their place, and are reported.
    const auto committed = qScopeGuard([this] { commitGroup(); });
    // The read-ahead that collect() started serves its own list only.
    if (!m_readAhead || list != m_listed) {
        m_readAhead.reset();
        m_readAhead.emplace(list, m_root, m_texts);
    }
    const auto finished = qScopeGuard([this] { m_readAhead.reset(); });
    PreScanReadAhead &readAhead = *m_readAhead;
    QStringList locked; // only pages that may hold the search text wait for a lock
    qsizetype done = 0;
    for (qsizetype i = 0; i < count; ++i) {
        // Stopping is only ever allowed here, between two files, so no file is cut off
        // in the middle of its rewrite.
        if (m_observer.stopRequested())
            return false;
        const QString &path = list.at(i);
        m_observer.fileStarted(done, count, path);
        const TextAbsence absence = readAhead.next(yield);
        if (rewrite(folders, path, absence, Clock::time_point::min(), true))
            ++done;
        else
            locked.append(path);
        m_observer.yield();
    }
    // Before the wait for locked pages: none of them is then kept locked by the run itself.
    commitGroup();
    return processLocked(folders, locked, done, count);
}

// One deadline for all the pages passed over for their locks: pages other programs keep locked
// cost the run one wait however many there are, and one they let go of meanwhile is rewritten
// at its turn, then in its version of that moment.
bool SearchReplaceRun::processLocked(FolderChain &folders, const QStringList &locked,
                                     qsizetype done, qsizetype count)
{
    const Clock::time_point deadline = Clock::now() + SourceFile::LockWait;
    for (const QString &path : locked) {
        if (m_observer.stopRequested())
            return false;
        m_observer.fileStarted(done++, count, path);
        rewrite(folders, path, false, deadline, false);
        m_observer.yield();
    }
    return true;
}

// Every listed page is rewritten or reported: none is skipped for having been seen before.
// Inode numbers are reused as soon as they are freed, so a page another program saves during
// the run can carry the number of a page rewritten a moment ago. The same folder reached through
// two paths is left out when the list is made instead, while all its entries exist together.
// Returns false, having reported nothing, for a locked page that is to be passed over.
bool SearchReplaceRun::rewrite(FolderChain &folders, const QString &path,
                               const TextAbsence &absence, Clock::time_point lockDeadline,
                               bool passLockedOver)
{
    if (m_group && m_group->due())
        commitGroup();
    // Settled by its pre-scan as of the moment it was read: its turn needs not even its folder.
    if (absence)
        return true;
    Failure reason;
    const std::optional<PageLocation> page = folders.locate(path, reason);
    const auto yield = [this] { m_observer.yield(); };
    ReplacementGroup *group = m_group ? &*m_group : nullptr;
    const auto process = [&] {
        return m_dryRun ? PreviewPage(*page, absence, m_texts, yield, lockDeadline)
                        : ProcessPage(*page, absence, m_texts, yield, group, lockDeadline);
    };
    RewriteResult result = page ? process() : RewriteResult{RewriteResult::Status::Failed, reason};
    // The lock may be the run's own: the page, listed twice, waits in the group. Once the group
    // is in place, the page is taken again in its new version.
    if (result.status == RewriteResult::Status::Locked && group && !group->isEmpty()) {
        commitGroup();
        result = process();
    }
    switch (result.status) {
    case RewriteResult::Status::Changed:
        m_observer.fileChanged(path, result.replacements);
        break;
    case RewriteResult::Status::Locked:
        if (passLockedOver)
            return false;
        [[fallthrough]];
    case RewriteResult::Status::Failed:
        m_observer.fileFailed(path, result.failure);
        break;
    case RewriteResult::Status::Unchanged:
    case RewriteResult::Status::Pending:
        break;
    }
    return true;
}

// The observer hears of each page of the group only now, once it is in place (or why not).
void SearchReplaceRun::commitGroup()
{
    if (!m_group || m_group->isEmpty())
        return;
    for (const auto &[path, result] : m_group->commit()) {
        if (result.status == RewriteResult::Status::Changed)
            m_observer.fileChanged(path, result.replacements);
        else
            m_observer.fileFailed(path, result.failure);
    }
}
