#include "run/ReplacementGroup.h"

#include "file/FileFailure.h"
#include "journal/RunJournal.h"

namespace {

using Status = RewriteResult::Status;

void fail(PendingPage &page, const Failure &reason)
{
    if (page.result.status == Status::Changed)
        page.result = {Status::Failed, reason};
}

bool going(const PendingPage &page)
{
    return page.result.status == Status::Changed;
}

} // namespace

void ReplacementGroup::add(const QString &path, const std::shared_ptr<PendingPage> &page)
{
    if (m_pages.isEmpty())
        m_firstAdded = Clock::now();
    m_pages.append({path, page});
}

bool ReplacementGroup::holds(const FileStamp::Identity &identity) const
{
    for (const auto &[path, page] : m_pages) {
        if (page->source.stamp().identity() == identity)
            return true;
    }
    return false;
}

QList<std::pair<QString, RewriteResult>> ReplacementGroup::commit()
{
    syncScratchFiles();
    if (!m_journal.writeGroup()) {
        for (const auto &[path, page] : std::as_const(m_pages))
            fail(*page, FileFailure::notJournaled(m_journal.error()));
    }
    place();
    syncFolders();
    QList<std::pair<QString, RewriteResult>> results;
    for (const auto &[path, page] : std::as_const(m_pages))
        results.append({path, page->result});
    release();
    return results;
}

// One after the other: each file's write-back began when it was complete (startWriteBack()),
// so what is left to wait for is mostly the file system's own commit.
void ReplacementGroup::syncScratchFiles()
{
    for (const auto &[path, page] : std::as_const(m_pages)) {
        if (going(*page) && !page->scratch->sync())
            fail(*page, page->scratch->error());
    }
}

// Each page's last check right before its own rename, as for a page replaced alone.
void ReplacementGroup::place()
{
    for (const auto &[path, page] : std::as_const(m_pages)) {
        if (!going(*page))
            continue;
        SourceFile &source = page->source;
        source.closeBeforeReplacement();
        if (!page->scratch->place([&source] { return source.unchangedOnDisk(); }))
            fail(*page, page->scratch->error());
    }
}

// A folder's failed sync is told for every page placed in it, each replaced all the same.
void ReplacementGroup::syncFolders()
{
    for (qsizetype i = 0; i < m_pages.size(); ++i) {
        PendingPage &page = *m_pages.at(i).second;
        bool synced = false;
        for (qsizetype j = 0; !synced && j < i; ++j)
            synced = going(*m_pages.at(j).second) &&
                     m_pages.at(j).second->folder.sameFolder(page.folder);
        if (!going(page) || synced || page.folder.sync())
            continue;
        for (qsizetype j = i; j < m_pages.size(); ++j) {
            PendingPage &other = *m_pages.at(j).second;
            if (going(other) && other.folder.sameFolder(page.folder))
                fail(other, page.folder.error());
        }
    }
}

// The journal is done with a page placed; a page not placed has its original let go of.
void ReplacementGroup::release()
{
    for (const auto &[path, page] : std::as_const(m_pages)) {
        if (going(*page))
            m_journal.placed(page->kept);
        else
            m_journal.forgetUnlessPlaced(page->folder.location(), page->kept);
    }
    m_pages.clear();
}
