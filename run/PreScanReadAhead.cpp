#include "run/PreScanReadAhead.h"

#include "run/PreScanFile.h"

#include <algorithm>
#include <system_error>

PreScanReadAhead::PreScanReadAhead(const QStringList &files, const QString &root,
                                   const ReplacementTexts &texts, int workers, qsizetype window)
    : m_root(root), m_texts(texts), m_window(std::max<qsizetype>(window, 2)),
      m_files(files.cbegin(), files.cend()), m_complete(true)
{
    startWorkers(int(std::min<qsizetype>(workers, files.size())));
}

PreScanReadAhead::PreScanReadAhead(const QString &root, const ReplacementTexts &texts, int workers,
                                   qsizetype window)
    : m_root(root), m_texts(texts), m_window(std::max<qsizetype>(window, 2))
{
    startWorkers(workers);
}

void PreScanReadAhead::startWorkers(int count)
{
    try {
        for (int i = 0; i < count; ++i)
            m_workers.emplace_back([this](std::stop_token stop) { work(std::move(stop)); });
    } catch (const std::system_error &) {
        // Fewer threads to be had: those that started do all the work.
    }
    if (m_workers.empty()) {
        m_preScansItself = true;
        m_ownFolders.emplace(m_root);
    }
}

void PreScanReadAhead::add(const QString &path)
{
    bool wake = false;
    {
        const std::lock_guard lock(m_mutex);
        Q_ASSERT(!m_complete);
        m_files.push_back(path);
        // The workers are faster than the walk: woken for every page, they would take turns
        // with it page by page.
        wake = m_workersWaiting > 0 && listed() - m_claimed >= ListedBatch;
    }
    if (wake)
        m_roomMade.notify_one();
}

void PreScanReadAhead::complete()
{
    {
        const std::lock_guard lock(m_mutex);
        m_complete = true;
    }
    m_roomMade.notify_all();
}

PreScanReadAhead::~PreScanReadAhead()
{
    for (std::jthread &worker : m_workers)
        worker.request_stop();
    for (std::jthread &worker : m_workers)
        worker.join();
}

TextAbsence PreScanReadAhead::next(const std::function<void()> &yield)
{
    Q_ASSERT(m_complete && m_taken < listed());
    if (m_preScansItself)
        return preScan(m_files[std::size_t(m_taken++)], m_texts, *m_ownFolders, {}, yield);
    std::unique_lock lock(m_mutex);
    if (!m_slots.empty() && m_slots.front()) {
        // Ready: the common case while the workers are ahead.
    } else {
        waitForWorkers(lock, yield);
    }
    TextAbsence verdict = std::move(*m_slots.front());
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
    m_callerWants = std::min({CatchUpBatch, m_window, listed() - m_taken});
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
    FolderChain folders(m_root);
    while (const std::optional<Claim> claimed = claimOrWait(stop)) {
        TextAbsence verdict = preScan(claimed->path, m_texts, folders, stop, {});
        bool wake = false;
        {
            const std::lock_guard lock(m_mutex);
            m_slots[std::size_t(claimed->index - m_taken)] = std::move(verdict);
            ++m_ready;
            wake = m_callerWants > 0 && caughtUp();
        }
        if (wake)
            m_verdictsReady.notify_one();
    }
}

// Runs on a worker thread. Once the window is full, waits until it is half empty: waking for
// every single free place would make the threads take turns file by file. The window holds only
// once the list is whole: until then nothing can be taken, and a walk over thousands of folders
// would leave the workers waiting for its end. Waits too while the walk has listed no page that
// a thread has not taken on yet; ends once the list is whole and every page of it taken on.
std::optional<PreScanReadAhead::Claim> PreScanReadAhead::claimOrWait(std::stop_token stop)
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (stop.stop_requested())
            return std::nullopt;
        const bool full = m_complete && m_claimed - m_taken >= m_window;
        if (!full && m_claimed < listed())
            return claim();
        if (!full && m_complete)
            return std::nullopt;
        ++m_workersWaiting;
        if (full)
            m_roomMade.wait(lock, stop, [this] { return m_claimed - m_taken <= m_window / 2; });
        else
            m_roomMade.wait(lock, stop, [this] { return m_complete || m_claimed < listed(); });
        --m_workersWaiting;
    }
}

// Called with m_mutex held and room in the window: takes on the first file no thread has. The
// path is copied here, under the lock, since the list may grow meanwhile.
PreScanReadAhead::Claim PreScanReadAhead::claim()
{
    m_slots.emplace_back();
    const qsizetype index = m_claimed++;
    return {index, m_files[std::size_t(index)]};
}

// A page that could not be located or read gets no verdict: its turn finds out again, and says
// why it fails then.
TextAbsence PreScanReadAhead::preScan(const QString &path, const ReplacementTexts &texts,
                                      FolderChain &folders, std::stop_token stop,
                                      const std::function<void()> &yield)
{
    Failure ignored;
    if (const std::optional<PageLocation> page = folders.locate(path, ignored))
        return PreScanFile(*page, texts, std::move(stop), yield).absence();
    return false;
}
