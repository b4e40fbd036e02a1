// The process-wide slots of the main program (exit event, tray window, float pane, the
// About and update dialogs) and the requests other code sends the tray window.
#pragma once

#include <windows.h>

#include "core/base/CString.h"

// The clipboard-history handler of the tray window and its queue. The requests hand them
// out by their own types, so that a caller cannot take one for the other or for
// anything else.
class ITrayClipboardHistory;
class CCHQueue;

namespace CAppObjects {

// ---------------------------------------------------------------------------------------
// Slots, written once on the UI thread before any reader runs

// The application exit event: set once when the program ends; every worker waits on it.
void SetAppExitEvent(HANDLE event);
HANDLE GetAppExitEvent();

// The tray window, for code that must reach it from other threads.
void SetMainWnd(HWND window);
HWND GetMainWnd();

// The float pane's window while it exists (the debounced notifier's target).
void SetFloatPaneWnd(HWND window);
HWND GetFloatPaneWnd();

// The About and the update dialog register themselves while they are open, so that
// the exit can close them first.
void SetAboutDlgHwnd(HWND window);
HWND GetAboutDlgHwnd();
void SetUpdateDlgHwnd(HWND window);
HWND GetUpdateDlgHwnd();

// ---------------------------------------------------------------------------------------
// Requests to the tray window: each answers 0 (false, null) when there is no main window.

bool IsAllowWaitAnswer();
ITrayClipboardHistory* GetClipboardHistoryHandler();
void HideMenuToolTip();
// The float pane's selected text; true when it is not empty.
bool GetFloatPaneSelectedText(CString& text);
CCHQueue* GetClipboardHistoryQueue();
void HideTrayBalloon();
void ShowFloatPane();
// Has the tray window fill the menu with the language files; the menu's item count.
int FillLanguageMenuByMainWnd(HMENU menu);
bool IsHotKeyRegistered();
// SendNotifyMessageW to the window, or to the main window when it is not a window.
BOOL SendNotifyToWindow(HWND window, UINT message, WPARAM wParam);

}  // namespace CAppObjects
