#pragma once

#include "JournalEntry.h"
#include "JournalFolder.h"
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
/// replaces a page. A page changed or gone since is left alone and reported, and so is one the
/// run would refuse (read-only, other names); a page already put back (by an undo that was
/// stopped or killed) is passed over, so an undo can simply be started again.
///
/// The journal is trusted no further than it can be checked: its folder and files are reached
/// without following a link (JournalFolder), an entry names no other original than its own,
/// the original has the size the run kept, and only pages below the run's chosen folder are put
/// back. An entry that cannot be read or checked is reported. Of the journal, only the note of
/// how the undo ended changes (KeptRun::noteUndo).
/// Reports through a RunObserver: fileChanged() for a page put back.
class UndoRun
{
public:
    UndoRun(const QString &runFolder, RunObserver &observer);

    /// Reads the journal. false, with the folder reported, when it cannot be read.
    bool load();

    /// The number of pages the run replaced, and of entries that cannot be used (after load()).
    qsizetype size() const { return m_steps.size(); }

    /// Puts the pages back in the run's order; returns false when the observer asked to stop.
    /// Either way notes in the journal how it ended.
    bool process();

private:
    enum class Holds { Written, Original, Other, Unreadable };
    /// An entry, or why it cannot be used: then entry.path is the entry's own path.
    struct Step
    {
        JournalEntry entry;
        QString problem;
    };

    Step readEntry(qint64 number, const QString &name) const;
    RewriteResult restore(FolderChain &folders, const JournalEntry &entry);
    Holds compare(SourceFile &current, QFile &original, const JournalEntry &entry);
    RewriteResult putBack(const PageLocation &page, SourceFile &current, QFile &original,
                          const JournalEntry &entry);

    QString m_folder;
    RunObserver &m_observer;
    QString m_root;
    JournalFolder m_journal;
    QList<Step> m_steps;
};
