#include "batch/StopSignals.h"

#include "file/ScratchFile.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <atomic>

namespace {

constexpr int InterruptedStatus = 130; // what a POSIX shell reports after Ctrl+C

std::atomic<bool> stopAsked = false;

// Runs on a thread the system starts for the event. Closing the console, logging off and
// shutting down are left to the system, which ends the program.
BOOL WINAPI onConsoleControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    if (stopAsked.exchange(true)) {
        ScratchFile::removeUnfinished();
        ExitProcess(InterruptedStatus);
    }
    return TRUE;
}

} // namespace

void StopSignals::catchThem()
{
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

bool StopSignals::received()
{
    return stopAsked.load();
}

int StopSignals::exitStatus(int status)
{
    return stopAsked.load() ? InterruptedStatus : status;
}
