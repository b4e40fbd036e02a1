#include "testkit/Process.h"

namespace testkit {

namespace {

constexpr DWORD kKillOnCleanupExitCode = 0xDEAD;

}  // namespace

CString TestProgramPath(const wchar_t* fileName) {
    CString path;
    const DWORD length = GetModuleFileNameW(nullptr, path.GetBuffer(MAX_PATH), MAX_PATH);
    path.ReleaseBuffer(static_cast<int>(length));
    return path.Left(path.ReverseFind(L'\\') + 1) + fileName;
}

CTestProcess::~CTestProcess() {
    if (IsRunning()) {
        TerminateProcess(m_process.get(), kKillOnCleanupExitCode);
        WaitForSingleObject(m_process.get(), kWaitMs);
    }
}

CCheck CTestProcess::Start(const CString& exePath, const CString& arguments) {
    if (m_process)
        return CCheck::FailedF(L"cannot start %s: this owner already holds %s", exePath.GetString(),
                               m_commandLine.GetString());
    CString commandLine = L"\"" + exePath + L"\"";
    if (!arguments.IsEmpty()) commandLine += L" " + arguments;
    m_commandLine = commandLine;

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    // CreateProcessW may write into the command line, so it gets a private copy.
    CString writable(commandLine);
    if (!CreateProcessW(exePath, writable.GetBuffer(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return CCheck::FailedF(L"CreateProcessW(%s) failed, error %u", commandLine.GetString(), GetLastError());
    }
    m_process.reset(info.hProcess);
    m_thread.reset(info.hThread);
    m_id = info.dwProcessId;
    return CCheck::Ok();
}

bool CTestProcess::IsRunning() const noexcept {
    return m_process && WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT;
}

CResult<HWND> CTestProcess::WaitForWindow(const CWindowQuery& query, DWORD timeoutMs) const {
    if (!m_process) return CCheck::Failed(L"no process was started to wait for a window of");
    CWindowQuery own = query;
    own.processId = m_id;
    return WaitForTopLevelWindow(own, timeoutMs, m_process.get());
}

CResult<DWORD> CTestProcess::WaitForExit(DWORD timeoutMs) const {
    if (!m_process) return CCheck::Failed(L"no process was started to wait for");
    if (WaitForSingleObject(m_process.get(), timeoutMs) != WAIT_OBJECT_0) {
        return CCheck::FailedF(L"waited %u ms for process %u (%s) to exit; it is still running", timeoutMs, m_id,
                               m_commandLine.GetString());
    }
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(m_process.get(), &exitCode)) {
        return CCheck::FailedF(L"GetExitCodeProcess for process %u failed, error %u", m_id, GetLastError());
    }
    return exitCode;
}

CCheck CTestProcess::Kill(UINT exitCode, DWORD timeoutMs) {
    if (!m_process) return CCheck::Failed(L"no process was started to kill");
    // A process that already ended refuses TerminateProcess; it is gone all the same.
    if (!TerminateProcess(m_process.get(), exitCode) && IsRunning()) {
        return CCheck::FailedF(L"TerminateProcess for process %u failed, error %u", m_id, GetLastError());
    }
    const CResult<DWORD> exited = WaitForExit(timeoutMs);
    return exited.ok() ? CCheck::Ok() : CCheck(exited);
}

CResult<DWORD> RunToExit(const CString& exePath, const CString& arguments, DWORD timeoutMs) {
    CTestProcess process;
    const CCheck started = process.Start(exePath, arguments);
    if (!started.ok()) return started;
    return process.WaitForExit(timeoutMs);
}

}  // namespace testkit
