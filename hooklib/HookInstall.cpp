#include "hooklib/HookInstall.h"

#include <cwchar>

#include "core/base/CString.h"
#include "core/base/SehGuard.h"
#include "hooklib/HookLog.h"

namespace {

CWPSharedData* g_shared = nullptr;
CHookProcessState* g_process = nullptr;
MonitoredMessageProc g_monitoredProc = nullptr;

// The length of a name read under the guard: -1 when it cannot be read or is longer than
// the limit.
int GuardedNameLength(const wchar_t* name) {
    if (!name) return -1;
    int length = -1;
    DWORD code = 0;
    const bool read = RunGuarded(
        [&] {
            int n = 0;
            while (n <= kMaxExchangeNameChars && name[n]) ++n;
            length = n;
        },
        &code);
    if (!read || length > kMaxExchangeNameChars) return -1;
    return length;
}

bool Cpy_Name(wchar_t* target, const wchar_t* source, const wchar_t* label) {
    wmemset(target, 0, kMaxExchangeNameChars);
    DWORD code = 0;
    const bool copied = RunGuarded(
        [&] {
            for (int i = 0; i < kMaxExchangeNameChars && source[i]; ++i) target[i] = source[i];
        },
        &code);
    if (!copied) {
        CString line;
        line.Format(L"Exception in Cpy_Name, on copying [%s] winErrorCode=[%lu]", label, GetLastError());
        HookLogError(line);
        return false;
    }
    if (!target[0]) {
        HookLogError(L"0 == _tcslen(lpszTargetName)");
        return false;
    }
    HookLogWrite(CString(L"Success in Cpy_Name, on copying [") + label + L"]");
    return true;
}

bool CpyNames(const WP_INSTALL_INFO& info) {
    const DWORD lastError = GetLastError();
    bool ok = Cpy_Name(g_shared->dataNeededName, info.dataNeededName, L"szDataNeedEventName");
    ok = Cpy_Name(g_shared->dataCompletedName, info.dataCompletedName, L"szDataCompleteEventName") && ok;
    ok = Cpy_Name(g_shared->mappingName, info.mappingName, L"szMMFFilename") && ok;
    SetLastError(lastError);
    return ok;
}

bool IsProcessAlive(DWORD processId) {
    if (!processId) return false;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;  // alive, but not ours to open
    const bool alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return alive;
}

}  // namespace

void CALLBACK HookWinEventProc(HWINEVENTHOOK, DWORD event, HWND window, LONG objectId, LONG, DWORD eventThread, DWORD) {
    if (!g_shared) return;
    const bool windowEvent = (event == EVENT_SYSTEM_FOREGROUND || event == EVENT_OBJECT_FOCUS) && objectId == 0;
    const bool caretEvent = event == EVENT_OBJECT_LOCATIONCHANGE && objectId == OBJID_CARET;
    if (!windowEvent && !caretEvent) return;
    InterlockedExchange(reinterpret_cast<volatile LONG*>(&g_shared->eventThread), static_cast<LONG>(eventThread));
    InterlockedExchange(reinterpret_cast<volatile LONG*>(&g_shared->currentWindow), static_cast<LONG>(ValueOf(window)));
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != 0 && process != g_shared->mainProcess)
        InterlockedExchange(reinterpret_cast<volatile LONG*>(&g_shared->otherWindow),
                            static_cast<LONG>(ValueOf(window)));
}

namespace {

LRESULT CALLBACK GetMsgProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE && lParam && g_shared) {
        MSG* message = reinterpret_cast<MSG*>(lParam);
        if (g_shared->monitoredMessage && message->message == g_shared->monitoredMessage) {
            // The target's own window never sees the request: it may not know the number.
            message->message = WM_NULL;
            if (g_monitoredProc) g_monitoredProc(message->wParam, g_shared->flags);
        } else if (message->message == WM_INITMENUPOPUP) {
            HookLogWrite(L"WM_INITMENUPOPUP received");
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool SetMessageHook(DWORD& error) {
    HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, &GetMsgProc, g_process->module, 0);
    InterlockedExchange(reinterpret_cast<volatile LONG*>(&g_shared->hook),
                        static_cast<LONG>(reinterpret_cast<uintptr_t>(hook)));
    if (!hook) error = WPE_HOOK_FAILED;
    return hook != nullptr;
}

bool HookInstall(UINT monitoredMessage, DWORD& error, DWORD mainProcess, DWORD waitFlag) {
    if (g_shared->hook) {
        // A main program that died could not remove its hook; the system did, and the
        // handle left behind must not keep every later start from installing.
        if (IsProcessAlive(g_shared->mainProcess)) {
            error = WPE_ALREADY_INSTALLED;
            return false;
        }
        HookLogWrite(L"WPHook::Install: the hook of a main program that is gone is forgotten");
        g_shared->hook = 0;
    }
    g_shared->monitoredMessage = monitoredMessage;
    g_shared->mainProcess = mainProcess;
    g_shared->flags = waitFlag;
    if (!SetMessageHook(error)) return false;
    g_process->winEventHook = SetWinEventHook(1, 0x7FFFFFFF, g_process->module, &HookWinEventProc, 0, 0,
                                              WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
    return g_shared->hook != 0;
}

}  // namespace

void AttachHookLibrary(CWPSharedData* shared, CHookProcessState* process) {
    g_shared = shared;
    g_process = process;
    HookLogAttach(shared);
}

void SetMonitoredMessageProc(MonitoredMessageProc proc) {
    g_monitoredProc = proc;
}

bool IsValidExchangeName(const wchar_t* name) {
    const int length = GuardedNameLength(name);
    return length >= 1 && length <= kMaxExchangeNameChars;
}

int WP_Install_Impl(WP_INSTALL_INFO2* info2) {
    if (!info2 || !g_shared || !g_process) return 0;
    WP_INSTALL_INFO& info = info2->v1;
    if (info.logAtom) g_shared->logAtom = info.logAtom;
    if (!IsValidExchangeName(info.dataCompletedName) || !IsValidExchangeName(info.dataNeededName) ||
        !IsValidExchangeName(info.mappingName)) {
        info.error = WPE_INVALID_NAMES;
        HookLogError(L"ERROR DLL: WPE_INVALID_NAMES");
        return 0;
    }
    if (!CpyNames(info)) {
        HookLogError(L"FALSE CpyNames is FALSE");
        return 0;
    }
    g_shared->mainWindow = ValueOf(info.mainWindow);
    g_shared->replyTag = info.replyTag;
    const DWORD savedError = GetLastError();
    SetLastError(0);
    DWORD mainProcess = 0;
    GetWindowThreadProcessId(info.mainWindow, &mainProcess);
    const bool installed = HookInstall(info.monitoredMessage, info.error, mainProcess, info.flags & WPF_WAIT_ANSWER);
    if (!installed) {
        HookLogError(L"ERROR DLL: Fail on WPHook::Install");
        info.systemError = GetLastError();
    }
    SetLastError(savedError);
    return installed ? 1 : 0;
}

int WP_Uninstall_Impl(const WP_UNINSTALL_INFO* info) {
    if (!g_shared || !g_process) return 0;
    const bool force = info && (info->flags & 1);
    HHOOK hook = reinterpret_cast<HHOOK>(static_cast<uintptr_t>(g_shared->hook));
    if (!force && !hook) return 0;
    const bool hookRemoved = hook && UnhookWindowsHookEx(hook);
    if (!hookRemoved && !force) return 0;
    const bool eventsRemoved = g_process->winEventHook && UnhookWinEvent(g_process->winEventHook);
    if (eventsRemoved) g_process->winEventHook = nullptr;
    // A forced removal always leaves the section uninstalled: the next start must be
    // able to install, whatever this one could or could not take away.
    if (eventsRemoved || force) InterlockedExchange(reinterpret_cast<volatile LONG*>(&g_shared->hook), 0);
    if (!eventsRemoved && !force) {
        DWORD error = 0;
        SetMessageHook(error);
        return 0;
    }
    if (HWND focus = GetFocus()) PostMessageW(focus, WM_NULL, 0, 0);
    if (HWND foreground = GetForegroundWindow()) PostMessageW(foreground, WM_NULL, 0, 0);
    return hookRemoved || eventsRemoved ? 1 : 0;
}

HWND GetCurrentHWND() {
    if (!g_shared) return nullptr;
    HWND current = WindowOf(g_shared->currentWindow);
    if (!IsWindow(current)) current = nullptr;
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(g_shared->eventThread, &info)) {
        HookLogWindowClass(L"GetCurrentHWND: hwndCurrent", current);
        return current;
    }
    const struct {
        HWND window;
        const wchar_t* label;
    } kCandidates[] = {
        {info.hwndCaret, L"GetCurrentHWND: ti.hwndCaret"},
        {info.hwndFocus, L"GetCurrentHWND: ti.hwndFocus"},
        {info.hwndActive, L"GetCurrentHWND: ti.hwndActive"},
    };
    for (const auto& candidate : kCandidates) {
        if (candidate.window && IsWindow(candidate.window)) {
            HookLogWindowClass(candidate.label, candidate.window);
            return candidate.window;
        }
    }
    HookLogWindowClass(L"GetCurrentHWND: hwndCurrent on EXIT", current);
    return current;
}

HWND GetTargetWindowOther() {
    if (!g_shared) return nullptr;
    HWND other = WindowOf(g_shared->otherWindow);
    return !other || IsWindow(other) ? other : nullptr;
}
