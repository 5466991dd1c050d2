#include "SearchReplaceRun.h"

#include "CollectHtmlFiles.h"
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
    const qsizetype count = files.size();
    const auto yield = [this] { m_observer.yield(); };
    for (qsizetype i = 0; i < count; ++i) {
        // Stopping is only ever allowed here, between two files, so no file is cut off
        // in the middle of its rewrite.
        if (m_observer.stopRequested())
            return false;
        const QString &path = files.at(i);
        m_observer.fileStarted(i, count, path);
        const RewriteResult result = RewriteFile(path, m_texts, yield);
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
        m_observer.yield();
    }
    return true;
}
