// One resident instance per logon session: later starts hand their request to it
// through named events, and the resident instance turns each signal into a message
// for its tray window on a watcher thread.
#pragma once

#include <windows.h>

#include "core/base/CString.h"

// Forwarding side: each opens its event, sets it and closes it; false when the event
// does not exist (no instance is waiting for it).
// "Local\Vexlora_Exit" and "Global\Vexlora_Exit_ALL"; while the program runs but has not
// made them yet, it tries again for up to 10 s.
bool SignalExitEvents();
bool SignalAlreadyWork();
bool SignalShowInstanceEvent();
bool SignalEditRequest();
bool SignalCheckForUpdates();  // pulsed
bool SignalAutomodeEvent();
bool IsInstanceRunning();

// The instance event (manual reset, non-signalled, open security); null on failure.
// *alreadyExists (when given) tells whether another start made the event first.
HANDLE CreateInstanceEvent_Vexlora_EXE(bool* alreadyExists = nullptr);

// Watching side. The instance watchers start before the tray window exists, so their
// message goes to the main window of CAppObjects at the time of the signal; every other
// watcher is given its window and the message or command id it delivers.
// True when "Local\Vexlora_Exit" or "Local\Vexlora_AlreadyWork" is watched.
bool CreateInstanceWatchers(HANDLE stopEvent);
// WM_COMMAND `commandId` sent to `window` on each edit request.
bool CreateEditRequestWatcher(HANDLE stopEvent, HWND window, UINT commandId);
// `message` posted to `window` on each show-menu request.
bool StartShowInstanceWatcher(HANDLE stopEvent, HWND window, UINT message);
// `message` with `wParam` sent to `window` on each signal of the named auto-reset event.
bool StartNamedEventWatcher(HANDLE stopEvent, const wchar_t* eventName, HWND window, UINT message, WPARAM wParam);
// call(value) on the watcher thread at each signal of `event` (the caller keeps its
// handle); the call must be short and safe from any thread.
bool StartEventCallWatcher(HANDLE stopEvent, HANDLE event, void (*call)(WPARAM), WPARAM value);
// The language-changed (message `langMessage`), check-for-updates (WM_COMMAND
// `updatesCommandId`) and float-pane-blink (`blinkMessage`, wParam 1) watchers; true
// when the first two run.
bool StartTimerStartedWatchers(HANDLE stopEvent, HWND window, UINT langMessage, UINT updatesCommandId,
                               UINT blinkMessage);
// WM_COMMAND `commandId` on each signal of "Local\Vexlora_CommandCheckForUpdates".
bool StartCommandCheckForUpdatesThread(HANDLE stopEvent, HWND window, UINT commandId);

// Restart as administrator: the event the elevated start waits for.
bool CreateHandOverEvent();
// Sets and closes the hand-over event if this instance made one.
void SignalHandOverEvent();
// Waits for the ending instance's hand-over event; false when it cannot be opened
// (its error code in *error) or the time runs out. Keeps the thread's last error.
bool WaitForHandOverEvent(DWORD timeoutMs, DWORD* error);
