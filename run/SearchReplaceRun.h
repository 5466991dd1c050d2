#pragma once

#include "journal/RunJournal.h"
#include "run/PreScanReadAhead.h"
#include "run/ReplacementGroup.h"
#include "text/ReplacementTexts.h"

#include <QStringList>

#include <chrono>
#include <optional>

class FolderChain;
class RunObserver;

/// One search-and-replace run without any window: lists the HTML files of a folder, then
/// rewrites them one by one, reporting through a RunObserver. The caller checks the input
/// first (CheckRunInput) and does whatever it shows between the two steps.
class SearchReplaceRun
{
public:
    SearchReplaceRun(const QString &search, const QString &replacement, RunObserver &observer);

    /// The HTML files of folder (and of every folder below it when subfolders is true),
    /// in processing order. Folders that cannot be listed are reported and left out. A folder
    /// reached through two paths (a bind mount) is listed once. The pages are pre-scanned on
    /// worker threads from the moment they are listed, for the process() of this list.
    QStringList collect(const QString &folder, bool subfolders);

    /// Rewrites the files in order; a failing file is reported and the run goes on. A file
    /// that another program keeps locked is passed over and taken up again after all the
    /// others, and those are waited for together: the run waits SourceFile::LockWait in all,
    /// however many there are. Files below the folder last collected are reached from it
    /// without following a link (see FolderChain). The files are pre-scanned ahead on worker
    /// threads, which are joined before this returns; the observer is called on the calling
    /// thread only, fileStarted() with the number of files done before. Returns false when
    /// the observer asked to stop before the last file.
    bool process(const QStringList &files);

    /// The undo journal of the last process(): where the originals of the pages it replaced
    /// are kept. Empty when it replaced none.
    QString journalFolder() const { return m_journal ? m_journal->folder() : QString(); }

    /// A dry run: process() reports each page that would change, with its replacements
    /// (fileChanged()), and each it would refuse, and writes nothing: no page, no scratch file,
    /// no journal (not even the recovery of an earlier run's).
    void setDryRun(bool dryRun) { m_dryRun = dryRun; }

    /// Benchmarks only, to measure what the journal costs: false makes process() keep no
    /// originals, so that its run cannot be undone. Never used by the program.
    void setJournaled(bool journaled) { m_journaled = journaled; }

    /// The longest a changed page waits for others before they take their place together and
    /// are reported (ReplacementGroup::LongestWait unless set; tests set none).
    void setLongestGroupWait(std::chrono::milliseconds wait) { m_longestGroupWait = wait; }

private:
    using Clock = std::chrono::steady_clock;
    bool processLocked(FolderChain &folders, const QStringList &locked, qsizetype done,
                       qsizetype count);
    void commitGroup();
    bool rewrite(FolderChain &folders, const QString &path, const TextAbsence &absence,
                 Clock::time_point lockDeadline, bool passLockedOver);

    const ReplacementTexts m_texts; ///< built once, used by the read-ahead's threads too
    RunObserver &m_observer;
    QString m_root;       ///< the folder last collected, in the form its pages are listed under
    QStringList m_listed; ///< the list collect() returned, which m_readAhead works on
    std::optional<RunJournal> m_journal;
    std::optional<ReplacementGroup> m_group; ///< the pages rewritten, waiting to take their place
    std::chrono::milliseconds m_longestGroupWait = ReplacementGroup::LongestWait;
    bool m_journaled = true;
    bool m_dryRun = false;
    std::optional<PreScanReadAhead> m_readAhead; ///< last: its workers stop before the rest goes
};
