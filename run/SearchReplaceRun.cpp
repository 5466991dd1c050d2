#include "SearchReplaceRun.h"

#include "CollectHtmlFiles.h"
#include "PreScanReadAhead.h"
#include "RewriteFile.h"
#include "RunObserver.h"

const QString SearchReplaceRun::Pattern = QStringLiteral("*.htm");

SearchReplaceRun::SearchReplaceRun(const QString &search, const QString &replacement,
                                   RunObserver &observer)
    : m_texts(search, replacement), m_observer(observer)
{}

QStringList SearchReplaceRun::collect(const QString &folder, bool subfolders)
{
    QStringList files;
    if (subfolders)
        CollectHtmlFiles(Pattern, folder, files, m_observer);
    else
        ListFolderFiles(Pattern, folder, files, m_observer);
    return files;
}

bool SearchReplaceRun::process(const QStringList &files)
{
    // A copy, so that a list the observer changes while it yields cannot pull the paths away
    // from under the workers or shift them against their verdicts.
    const QStringList list = files;
    const qsizetype count = list.size();
    const auto yield = [this] { m_observer.yield(); };
    m_visited.clear();
    PreScanReadAhead readAhead(list, m_texts.search(), m_texts.replacement());
    for (qsizetype i = 0; i < count; ++i) {
        // Stopping is only ever allowed here, between two files, so no file is cut off
        // in the middle of its rewrite.
        if (m_observer.stopRequested())
            return false;
        const QString &path = list.at(i);
        m_observer.fileStarted(i, count, path);
        const PreScanVerdict verdict = readAhead.next(yield);
        if (firstVisit(verdict))
            rewrite(path, verdict);
        m_observer.yield();
    }
    return true;
}

// The identity is the one the pre-scan saw, which may be from before or after the rewrite of
// the same file under another path; rewrite() records both.
bool SearchReplaceRun::firstVisit(const PreScanVerdict &verdict)
{
    if (!verdict.stamp)
        return true;
    const qsizetype before = m_visited.size();
    m_visited.insert(verdict.stamp->identity());
    return m_visited.size() != before;
}

void SearchReplaceRun::rewrite(const QString &path, const PreScanVerdict &verdict)
{
    const RewriteResult result = RewriteFile(
        path, m_texts, [this] { m_observer.yield(); }, verdict);
    // A file that was replaced (even by a rewrite reported as failed afterwards) is a new file
    // with a new identity: another path to it must find that one visited too.
    if (result.status != RewriteResult::Status::Unchanged) {
        if (const std::optional<FileStamp> after = FileStamp::read(path))
            m_visited.insert(after->identity());
    }
    switch (result.status) {
    case RewriteResult::Status::Changed:
        m_observer.fileChanged(path);
        break;
    case RewriteResult::Status::Failed:
        m_observer.fileFailed(path, result.reason);
        break;
    case RewriteResult::Status::Unchanged:
        break;
    }
}
