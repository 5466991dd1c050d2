#pragma once

#include "JournalEntry.h"
#include "RewriteResult.h"

#include <QFile>
#include <QList>
#include <QString>

class FolderChain;
class RunObserver;
class SourceFile;
struct PageLocation;

/// Puts back what one run changed, from its journal (see RunJournal): each page that still
/// holds exactly what the run wrote gets its original bytes and modification time again through
/// a scratch file beside it, synced and renamed into place with the page's metadata, as a run
/// replaces a page. A page changed or gone since is left alone and reported; a page already put
/// back (by an undo that was stopped or killed) is passed over, so an undo can simply be started
/// again. The journal itself is not changed. Reports through a RunObserver: fileChanged() for a
/// page put back.
class UndoRun
{
public:
    UndoRun(const QString &runFolder, RunObserver &observer);

    /// Reads the journal. false, with the folder reported, when it cannot be read.
    bool load();

    /// The number of pages the run replaced (after load()).
    qsizetype size() const { return m_entries.size(); }

    /// Puts the pages back in the run's order; returns false when the observer asked to stop.
    bool process();

private:
    enum class Holds { Written, Original, Other, Unreadable };

    RewriteResult restore(FolderChain &folders, const JournalEntry &entry);
    Holds compare(SourceFile &current, QFile &original, const JournalEntry &entry);
    RewriteResult putBack(const PageLocation &page, SourceFile &current, QFile &original,
                          const std::optional<FileStamp::Time> &modified);

    QString m_folder;
    RunObserver &m_observer;
    QString m_root;
    QList<JournalEntry> m_entries;
};
