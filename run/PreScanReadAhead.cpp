#include "PreScanReadAhead.h"

#include "PreScanFile.h"

#include <algorithm>
#include <system_error>

PreScanReadAhead::PreScanReadAhead(const QStringList &files, const QString &root,
                                   const QString &search, const QString &replacement, int workers,
                                   qsizetype window)
    : m_files(files), m_root(root), m_search(search), m_replacement(replacement),
      m_window(std::max<qsizetype>(window, 2))
{
    const int wanted = int(std::min<qsizetype>(workers, files.size()));
    try {
        for (int i = 0; i < wanted; ++i)
            m_workers.emplace_back([this](std::stop_token stop) { work(std::move(stop)); });
    } catch (const std::system_error &) {
        // Fewer threads to be had: those that started do all the work.
    }
    if (m_workers.empty()) {
        m_ownTexts.emplace(search, replacement);
        m_ownFolders.emplace(root);
    }
}

PreScanReadAhead::~PreScanReadAhead()
{
    for (std::jthread &worker : m_workers)
        worker.request_stop();
    for (std::jthread &worker : m_workers)
        worker.join();
}

PreScanVerdict PreScanReadAhead::next(const std::function<void()> &yield)
{
    Q_ASSERT(m_taken < m_files.size());
    if (m_ownTexts)
        return preScan(m_taken++, *m_ownTexts, *m_ownFolders, {}, yield);
    std::unique_lock lock(m_mutex);
    if (!m_slots.empty() && m_slots.front()) {
        // Ready: the common case while the workers are ahead.
    } else {
        waitForWorkers(lock, yield);
    }
    PreScanVerdict verdict = std::move(*m_slots.front());
    m_slots.pop_front();
    ++m_taken;
    --m_ready;
    const bool wake = m_workersWaiting > 0 && m_claimed - m_taken <= m_window / 2;
    lock.unlock();
    if (wake)
        m_roomMade.notify_all();
    return verdict;
}

// True when the next verdict is ready and, with it, enough others to go on with for a while.
bool PreScanReadAhead::caughtUp() const
{
    return !m_slots.empty() && m_slots.front() && m_ready >= m_callerWants;
}

void PreScanReadAhead::waitForWorkers(std::unique_lock<std::mutex> &lock,
                                      const std::function<void()> &yield)
{
    // Never more than the window holds, or the workers would wait for room and this for them.
    m_callerWants = std::min({CatchUpBatch, m_window, m_files.size() - m_taken});
    while (!caughtUp()) {
        if (!m_verdictsReady.wait_for(lock, WaitSlice, [this] { return caughtUp(); }) && yield) {
            lock.unlock();
            yield();
            lock.lock();
        }
    }
    m_callerWants = 0;
}

// Runs on a worker thread.
void PreScanReadAhead::work(std::stop_token stop)
{
    // The worker's own: ReplacementTexts encodes lazily, so sharing one would race.
    ReplacementTexts texts(m_search, m_replacement);
    FolderChain folders(m_root);
    while (const std::optional<qsizetype> index = claimOrWait(stop)) {
        PreScanVerdict verdict = preScan(*index, texts, folders, stop, {});
        bool wake = false;
        {
            const std::lock_guard lock(m_mutex);
            m_slots[std::size_t(*index - m_taken)] = std::move(verdict);
            ++m_ready;
            wake = m_callerWants > 0 && caughtUp();
        }
        if (wake)
            m_verdictsReady.notify_one();
    }
}

// Runs on a worker thread. Once the window is full, waits until it is half empty: waking for
// every single free place would make the threads take turns file by file.
std::optional<qsizetype> PreScanReadAhead::claimOrWait(std::stop_token stop)
{
    std::unique_lock lock(m_mutex);
    if (m_claimed - m_taken >= m_window) {
        ++m_workersWaiting;
        m_roomMade.wait(lock, stop, [this] { return m_claimed - m_taken <= m_window / 2; });
        --m_workersWaiting;
    }
    if (stop.stop_requested())
        return std::nullopt;
    return claim();
}

// Called with m_mutex held: takes on the first file no thread has, if the window has room.
std::optional<qsizetype> PreScanReadAhead::claim()
{
    if (m_claimed == m_files.size() || m_claimed - m_taken >= m_window)
        return std::nullopt;
    m_slots.emplace_back();
    return m_claimed++;
}

PreScanVerdict PreScanReadAhead::preScan(qsizetype index, ReplacementTexts &texts,
                                         FolderChain &folders, std::stop_token stop,
                                         const std::function<void()> &yield) const
{
    PreScanVerdict verdict;
    if (const std::optional<PageLocation> page = folders.locate(m_files.at(index), verdict.reason))
        return PreScanFile(*page, texts, std::move(stop), yield);
    return verdict;
}
