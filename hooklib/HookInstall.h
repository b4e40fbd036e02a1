// Installing and removing the library's hooks, and following the window the user works
// in. The shared data lives in the library's shared section; these functions take it as
// an argument so that the library's entry points stay thin.
#pragma once

#include <windows.h>

#include "hooklib/HookRecords.h"

// What one process of the library holds for itself.
struct CHookProcessState {
    HMODULE module = nullptr;
    HWINEVENTHOOK winEventHook = nullptr;  // only in the installing process
};

// Binds the shared data and the process state the hook procedures use; called when the
// library is loaded into a process.
void AttachHookLibrary(CWPSharedData* shared, CHookProcessState* process);

// 1 when the hooks are installed, else 0 with the error fields of the record set.
int WP_Install_Impl(WP_INSTALL_INFO2* info);
// 1 when something was removed.
int WP_Uninstall_Impl(const WP_UNINSTALL_INFO* info);

// The window to insert into: the caret, focus or active window of the thread of the last
// focus or foreground event, else that event's window while it is still a window.
HWND GetCurrentHWND();
HWND GetTargetWindowOther();

// The WinEvent procedure, named for the tests that feed it events.
void CALLBACK HookWinEventProc(HWINEVENTHOOK hook, DWORD event, HWND window, LONG objectId, LONG childId,
                               DWORD eventThread, DWORD eventTime);

// A name fits when it is readable and 1 to 128 characters long.
bool IsValidExchangeName(const wchar_t* name);

// What the message hook does with the monitored message inside a target: the menu
// driver's entry, given the message's wParam and the shared flags.
using MonitoredMessageProc = void (*)(WPARAM wParam, DWORD flags);
void SetMonitoredMessageProc(MonitoredMessageProc proc);
