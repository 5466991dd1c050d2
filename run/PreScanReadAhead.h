#pragma once

#include "file/FolderChain.h"
#include "run/PreScanVerdict.h"
#include "text/ReplacementTexts.h"

#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <vector>

/// Pre-scans the files of a run (PreScanFile) on worker threads, at most a window of files
/// ahead of the thread that rewrites them, which takes the verdicts in list order; while the
/// list is still being made, as far as it goes. Almost every
/// file of a run is settled by its pre-scan, so the pre-scans are most of a run's work.
///
/// The calling thread does no pre-scan of its own while there are workers: its system calls
/// then follow from the list and the files alone, not from how the threads happen to take
/// turns (the fault injection tests count them). Without workers (none asked for, or no
/// thread to be had) next() pre-scans every file itself, one after the other.
///
/// The object belongs to the thread that made it: only that thread calls next() and destroys
/// it. The threads share the slots of the verdicts and the run's texts (built once, safe to use
/// from any thread); each worker has its own FolderChain, and no worker calls anything else the
/// caller passed in.
class PreScanReadAhead
{
public:
    /// Two: while the calling thread rewrites a file that changes, or waits, the pre-scans can
    /// keep both cores of a small machine busy.
    static constexpr int DefaultWorkers = 2;

    /// A verdict is small, so the window is wide: while the calling thread spends a long time
    /// on one large file that changes, the workers can keep going for thousands of files.
    static constexpr qsizetype DefaultWindow = 4096;

    /// Once the calling thread has caught up with the workers, it waits until this many
    /// verdicts (or the rest of the list) are ready: when the threads share busy cores, waking
    /// it for every verdict would switch between them file by file.
    static constexpr qsizetype CatchUpBatch = 32;

    /// Workers waiting for the walk are woken once it has listed this many pages they have not
    /// taken on (or when the list is whole).
    static constexpr qsizetype ListedBatch = 32;

    /// While it waits for a verdict, next() calls back at least this often.
    static constexpr std::chrono::milliseconds WaitSlice{20};

    /// Starts pre-scanning files, the pages of the chosen folder root (see FolderChain), for
    /// the search text of texts, the run's own, which must outlive the read-ahead.
    PreScanReadAhead(const QStringList &files, const QString &root, const ReplacementTexts &texts,
                     int workers = DefaultWorkers, qsizetype window = DefaultWindow);

    /// The same for a list that is still being made: the workers start on the pages as add()
    /// hands them over, while the walk goes on, until complete() says the list is whole.
    PreScanReadAhead(const QString &root, const ReplacementTexts &texts,
                     int workers = DefaultWorkers, qsizetype window = DefaultWindow);

    /// Appends a page to the list. Only before complete().
    void add(const QString &path);

    /// Says that the list is whole. Before next() is first called.
    void complete();

    /// Stops the workers and waits for them, which takes at most the read of one chunk.
    ~PreScanReadAhead();

    PreScanReadAhead(const PreScanReadAhead &) = delete;
    PreScanReadAhead &operator=(const PreScanReadAhead &) = delete;

    /// What the pre-scan found of the next file of the list; called at most once per file, once
    /// the list is complete. yield, when set, is called while this waits for the workers (about
    /// every WaitSlice) and, without workers, while it reads a large file itself.
    TextAbsence next(const std::function<void()> &yield);

private:
    struct Claim
    {
        qsizetype index;
        QString path;
    };

    void startWorkers(int count);
    Claim claim();
    bool caughtUp() const;
    void waitForWorkers(std::unique_lock<std::mutex> &lock, const std::function<void()> &yield);
    void work(std::stop_token stop);
    std::optional<Claim> claimOrWait(std::stop_token stop);
    qsizetype listed() const { return qsizetype(m_files.size()); }

    static TextAbsence preScan(const QString &path, const ReplacementTexts &texts,
                               FolderChain &folders, std::stop_token stop,
                               const std::function<void()> &yield);

    const QString m_root;
    const ReplacementTexts &m_texts; ///< the run's, shared by every thread
    const qsizetype m_window;
    bool m_preScansItself = false;           ///< no worker could be started
    std::optional<FolderChain> m_ownFolders; ///< the calling thread's, without workers

    std::mutex m_mutex;                      ///< guards the members below, up to m_workers
    std::deque<QString> m_files;             ///< the list as far as it was handed over
    bool m_complete = false;                 ///< the list is whole
    std::condition_variable_any m_roomMade;  ///< room or pages to work on; stoppable
    std::condition_variable m_verdictsReady; ///< the calling thread waits on it
    /// One slot per file from m_taken to m_claimed, empty while the file is being pre-scanned.
    std::deque<std::optional<TextAbsence>> m_slots;
    qsizetype m_taken = 0;   ///< the file whose verdict next() hands out next
    qsizetype m_claimed = 0; ///< the first file no thread has taken on yet
    qsizetype m_ready = 0;   ///< filled slots
    int m_workersWaiting = 0;
    qsizetype m_callerWants = 0; ///< while the calling thread waits: filled slots it waits for

    std::vector<std::jthread> m_workers; ///< last: started once all above exists, joined first
};
