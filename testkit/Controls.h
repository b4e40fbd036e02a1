// Finding another program's windows, giving one of its controls the keyboard focus,
// and reading back what a user would see in an edit field: its text and selection.
// Everything here works across processes with system messages only, which Windows
// and Wine both marshal; each cross-process call has a time-out.
#pragma once

#include <windows.h>

#include "core/base/CString.h"
#include "testkit/Outcome.h"

namespace testkit {

struct CWindowQuery {
    CString title;        // exact; empty matches any
    CString className;    // exact; empty matches any
    DWORD processId = 0;  // 0 matches any
};

struct CSelection {
    DWORD start = 0;
    DWORD end = 0;
};
inline bool operator==(const CSelection& a, const CSelection& b) {
    return a.start == b.start && a.end == b.end;
}

// "0x00010054 Edit #1001 in process 42": how messages name a window.
CString DescribeWindow(HWND window);

// A visible top-level window that matches. With a process handle, fails as soon as
// that process has ended instead of waiting out the time-out.
CResult<HWND> WaitForTopLevelWindow(const CWindowQuery& query, DWORD timeoutMs = kWaitMs, HANDLE process = nullptr);

// A visible dialog window (class "#32770") of the thread; null when it has none.
HWND FindVisibleDialogOf(DWORD threadId);

// A visible popup menu window ("#32768") of this process other than `except`; null when
// none is shown.
HWND FindVisibleMenuWindow(HWND except = nullptr);
// The same for a menu of another process.
HWND FindVisibleMenuWindowOf(DWORD processId, HWND except = nullptr);

// A key pressed and released as posted messages to the window: a menu's own loop reads
// them from its thread's queue, whichever window has the focus.
void PostKeyTo(HWND window, WPARAM key);

// Makes the control's top-level window the foreground window and gives the control
// (or, for a combo box, its edit part) the keyboard focus, so that SendInput
// reaches it. Waits until the target's thread reports both.
CCheck FocusControl(HWND control, DWORD timeoutMs = kWaitMs);

// Waits until the control (or, for a combo box, its edit part) has the keyboard
// focus of its own thread, whichever window is in the foreground.
CCheck WaitForFocus(HWND control, DWORD timeoutMs = kWaitMs);

// WM_GETTEXT; for a combo box, the text of its edit part.
CResult<CString> ReadControlText(HWND control);
// EM_GETSEL, or CB_GETEDITSEL for a combo box: UTF-16 positions, start <= end.
CResult<CSelection> ReadSelection(HWND control);

// Input is delivered asynchronously: these poll until the control shows the text
// or selection, and otherwise report what they saw last.
CCheck WaitForControlText(HWND control, const CString& expected, DWORD timeoutMs = kWaitMs);
CCheck WaitForSelection(HWND control, CSelection expected, DWORD timeoutMs = kWaitMs);

}  // namespace testkit
