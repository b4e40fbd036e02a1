// Waits until the watched program's process ends or the waiter is told to stop.
#pragma once

#include <windows.h>

// How a wait ended; each is also the waiter's exit code.
enum WaitResult : int {
    WTR_EXE_CLOSED_SUCCESS = 0,   // the watched process ended
    WTR_EXE_CLOSED_ABONDED = 1,   // the wait was abandoned
    WTR_EVENT_EXIT_SIGNALED = 3,  // the exit event was set
    WTR_ERROR = 4,                // opening the process or the wait failed
};

const wchar_t* GetWaitResultName(int result);

class CExe_Waiter {
public:
    // Borrows both handles; either may be null.
    CExe_Waiter(HANDLE process, HANDLE exitEvent) noexcept : m_process(process), m_exitEvent(exitEvent) {}

    // Blocks until the process ends or the exit event is set, and logs how it ended.
    int Wait_Next();

private:
    HANDLE m_process;
    HANDLE m_exitEvent;
};
