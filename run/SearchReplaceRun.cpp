#include "SearchReplaceRun.h"

#include "CollectHtmlFiles.h"
#include "FolderChain.h"
#include "FolderPath.h"
#include "OpenFileLimit.h"
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
    RaiseOpenFileLimit();
    m_root = FolderPath::normalised(folder);
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
    FolderChain folders(m_root);
    PreScanReadAhead readAhead(list, m_root, m_texts.search(), m_texts.replacement());
    for (qsizetype i = 0; i < count; ++i) {
        // Stopping is only ever allowed here, between two files, so no file is cut off
        // in the middle of its rewrite.
        if (m_observer.stopRequested())
            return false;
        const QString &path = list.at(i);
        m_observer.fileStarted(i, count, path);
        rewrite(folders, path, readAhead.next(yield));
        m_observer.yield();
    }
    return true;
}

// Every listed page is rewritten or reported: none is skipped for having been seen before.
// Inode numbers are reused as soon as they are freed, so a page another program saves during
// the run can carry the number of a page rewritten a moment ago. The same folder reached through
// two paths is left out when the list is made instead, while all its entries exist together.
void SearchReplaceRun::rewrite(FolderChain &folders, const QString &path,
                               const PreScanVerdict &verdict)
{
    QString reason;
    const std::optional<PageLocation> page = folders.locate(path, reason);
    const RewriteResult result = page ? RewriteFile(
                                            *page, m_texts, [this] { m_observer.yield(); }, verdict)
                                      : RewriteResult{RewriteResult::Status::Failed, reason};
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
