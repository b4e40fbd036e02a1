#include "tools/WaiterProgram.h"

#include "core/MessageBoxTimeout.h"
#include "core/base/CString.h"
#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "core/base/NamedObjects.h"
#include "core/base/PlatformBinding.h"
#include "tools/ExeWaiter.h"
#include "tools/ExitSignals.h"
#include "tools/WaiterCommandLine.h"

const wchar_t kWaiterInstanceEventName[] = L"22C834B6-A510-4152-B902-E0A5D3FBD56A";
const wchar_t kWaiterExitEventName[] = L"Vxl_F1589FD0-1608-4367-AF39-82A89C60C92B";

namespace {

const wchar_t kProgramName[] = L"EXE_VxlWaitingFor";
const DWORD kMissingPidBoxTimeoutMs = 7000;
const UINT kMissingPidBoxStyle = MB_TOPMOST | MB_ICONHAND;
using BroadcastSystemMessageFunction = long(WINAPI*)(DWORD, LPDWORD, UINT, WPARAM, LPARAM);

// The one thing the user may see: the waiter was started without a process to watch.
// The box closes by itself (a waiter that never ends would keep its instance event from
// every later waiter); which button closed it does not matter.
void ShowMissingProcessIdBox(const CString& commandLine, DWORD processId) {
    CString text;
    text.Format(L"ERROR\n\n Parent process ID (PID) not specified in the command line.\nPID=%u", processId);
    text += L"\nCommand Line: [" + commandLine + L"]";
    MessageBoxTimeout(nullptr, kProgramName, text, kMissingPidBoxStyle, kMissingPidBoxTimeoutMs);
}

// True when this is the only waiter; it then holds `instance` until it ends.
bool TakeSingleInstance(CHandle& instance) {
    CHandle existing(OpenEventW(SYNCHRONIZE, FALSE, kWaiterInstanceEventName));
    if (existing) return false;
    instance.reset(CreateSharedEvent(kWaiterInstanceEventName, false, false));
    const DWORD error = GetLastError();
    // Another waiter may have made the event since the open above, or made it with a
    // security that keeps this one out: either way one already runs.
    if (instance) return error != ERROR_ALREADY_EXISTS;
    return error != ERROR_ACCESS_DENIED;
}

int RunWaiter(CVXL_WF_CommandLineInfo& info, const CString& commandLine, HANDLE exitEvent) {
    const DWORD processId = info.GetParentPid();
    if (IsLogEnabled()) {
        LogWrite(CString(kProgramName) + L" is started" + L" CommandLine: " + L"[" + commandLine + L"]" + L" LogFile " +
                 L"[" + info.GetLogPath() + L"]");
        LogWriteFormat(L"Parent process: %u", processId);
        LogWrite(L"Parent process path: [" + info.GetParentPath() + L"]");
    }

    CHandle instance;
    if (!TakeSingleInstance(instance)) {
        LogWrite(L"Exit from VXLWaitingFor. Already is running");
        return kWaiterExitAlreadyRunning;
    }

    // SYNCHRONIZE is all a wait needs, and it is granted for processes that refuse
    // every other right.
    CHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (!process) {
        CString line;
        line.Format(L"Cannot open parent process PID=%u", processId);
        LogError(line);
        return WTR_ERROR;
    }
    LogWrite(L"Parent process is opened successfully");

    const int result = CExe_Waiter(process.get(), exitEvent).Wait_Next();
    if (result == WTR_EVENT_EXIT_SIGNALED)
        LogWrite(L"WTR_EVENT_EXIT_SIGNALED, exit by command /exit from command line ");

    BroadcastPostToAllComponents(WM_NULL, 0, 0);
    return result;
}

}  // namespace

long BroadcastPostToAllComponents(UINT message, WPARAM wParam, LPARAM lParam) {
    CBoundModule user32(L"user32.dll");
    auto broadcast = BindProc<BroadcastSystemMessageFunction>(user32.get(), "BroadcastSystemMessage");
    if (!broadcast) return -1;
    DWORD recipients = BSM_ALLCOMPONENTS;
    return broadcast(BSF_POSTMESSAGE | BSF_ALLOWSFW, &recipients, message, wParam, lParam);
}

int RunWaiterProgram(const wchar_t* commandLine) {
    const CString line(commandLine);
    CVXL_WF_CommandLineInfo info;
    info.Parse(line);

    if (info.HasExit()) {
        OpenAndSetNamedEvent(kWaiterExitEventName);
        return kWaiterExitStopRequested;
    }
    if (!info.GetParentPid()) {
        ShowMissingProcessIdBox(line, info.GetParentPid());
        return kWaiterExitNoProcessId;
    }

    // The logger is opened before the first line rather than in the wait itself, so
    // that the command line and its reading reach the file too.
    if (!info.GetLogPath().IsEmpty()) LogInit(info.GetLogPath());
    if (IsLogEnabled()) {
        LogWrite(L"WinMain cmdLine: [" + line + L"]");
        info.Trace();
    }

    CHandle exitEvent(CreateSharedEvent(kWaiterExitEventName, false, false));
    return RunWaiter(info, line, exitEvent.get());
}
