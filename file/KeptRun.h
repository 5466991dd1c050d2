#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

/// A run kept in the undo journal, as it noted itself (JournalLayout): for the list of runs
/// that can be undone (tagmender-batch --list-runs), and for --undo-last, which does not undo
/// again a run undone to the end. Runs of earlier versions noted less: no number, no texts,
/// no undo.
struct KeptRun
{
    /// How the run's last undo ended (undone.json).
    enum class Undone {
        No,        ///< never undone (or its note was lost)
        Stopped,   ///< stopped before its last page: started again, it goes on
        Completely ///< every page taken up: put back, passed over as put back already, or left
    };

    QString folder;              ///< the run's folder in the journal
    qint64 sequence = 0;         ///< its number (JournalHome); 0 for an earlier version's run
    QString root;                ///< the chosen folder
    QString search, replacement; ///< null where not noted (earlier versions)
    qint64 pages = 0;            ///< pages it changed (entries in its folder)
    Undone undone = Undone::No;
    qint64 leftAlone = 0; ///< pages its last undo left alone (changed since, say)

    /// The moment of the run's first change, from its folder's name (JournalHome::newRunName());
    /// invalid where the name tells none.
    QDateTime firstChange() const;

    /// Reads the run whose folder is folder; nothing where it is no run's.
    static std::optional<KeptRun> read(const QString &folder);

    /// Notes in the run's folder how an undo of it ended: completed (every page taken up),
    /// and how many pages it left alone. Replaces the note of an undo before. Not synced: a
    /// note lost only makes the run look not undone, and undoing it again puts nothing back
    /// twice.
    static void noteUndo(const QString &folder, bool completed, qint64 leftAlone);
};
