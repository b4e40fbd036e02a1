// A program started by a test, owned by the test: its process and thread handles are
// closed, and a process still running when the owner goes away is ended, so no test
// leaves a program behind for the next one.
#pragma once

#include <windows.h>

#include "core/base/CString.h"
#include "core/base/Handles.h"
#include "testkit/Controls.h"
#include "testkit/Outcome.h"

namespace testkit {

// "<folder of the running .exe>\<fileName>": test programs are built side by side.
CString TestProgramPath(const wchar_t* fileName);

class CTestProcess {
public:
    CTestProcess() = default;
    ~CTestProcess();
    CTestProcess(const CTestProcess&) = delete;
    CTestProcess& operator=(const CTestProcess&) = delete;

    // Starts "<exePath>" <arguments>. Fails when a program is already owned.
    CCheck Start(const CString& exePath, const CString& arguments);

    DWORD id() const noexcept { return m_id; }
    HANDLE handle() const noexcept { return m_process.get(); }
    bool IsRunning() const noexcept;

    // A visible top-level window of this process; fails early if the process ends.
    CResult<HWND> WaitForWindow(const CWindowQuery& query, DWORD timeoutMs = kWaitMs) const;
    // The exit code once the process has ended.
    CResult<DWORD> WaitForExit(DWORD timeoutMs = kWaitMs) const;
    // TerminateProcess with exitCode, then waits until the process is gone.
    CCheck Kill(UINT exitCode, DWORD timeoutMs = kWaitMs);

private:
    CHandle m_process;
    CHandle m_thread;
    DWORD m_id = 0;
    CString m_commandLine;  // for messages
};

// Starts "<exePath>" <arguments> and waits for its end: its exit code, or why there is none.
CResult<DWORD> RunToExit(const CString& exePath, const CString& arguments, DWORD timeoutMs = kWaitMs);

}  // namespace testkit
