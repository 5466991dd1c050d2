#include "batch/StopSignals.h"

#include "file/ScratchFile.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <pthread.h>

namespace {

constexpr int Signals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<int> firstSignal = 0; ///< the signal that asked to stop, or 0
static_assert(std::atomic<int>::is_always_lock_free, "used in a signal handler");
pthread_t mainThread;

// A signal sent to the program may reach any of its threads; the main thread runs the run and
// writes the scratch files, so every signal is handled there, between two of its steps.
void onStopSignal(int signal)
{
    const int savedErrno = errno;
    int none = 0;
    if (!pthread_equal(pthread_self(), mainThread)) {
        pthread_kill(mainThread, signal);
    } else if (!firstSignal.compare_exchange_strong(none, signal)) {
        ScratchFile::removeUnfinished();
        ::signal(signal, SIG_DFL);
        ::raise(signal); // blocked until this handler returns, then ends the program
    }
    errno = savedErrno;
}

} // namespace

void StopSignals::catchThem()
{
    mainThread = pthread_self();
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    // One at a time: a second signal is handled once the first is counted.
    sigemptyset(&action.sa_mask);
    for (const int signal : Signals)
        sigaddset(&action.sa_mask, signal);
    // A request to stop must not fail a call under way.
    action.sa_flags = SA_RESTART;
    for (const int signal : Signals) {
        struct sigaction before = {};
        if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN)
            ::sigaction(signal, &action, nullptr);
    }
}

bool StopSignals::received()
{
    return firstSignal.load() != 0;
}

int StopSignals::exitStatus(int status)
{
    const int signal = firstSignal.load();
    if (signal == 0)
        return status;
    ::signal(signal, SIG_DFL);
    ::raise(signal);
    return 128 + signal; // should the signal not end the program after all
}
