#include "core/AppSlots.h"

#include "core/TrayIds.h"

namespace {

// A handle-sized slot written on one thread and read on others.
template <class T>
class CSlot {
public:
    void Set(T value) { InterlockedExchangePointer(&m_value, reinterpret_cast<void*>(value)); }
    T Get() const { return reinterpret_cast<T>(InterlockedCompareExchangePointer(&m_value, nullptr, nullptr)); }

private:
    mutable void* volatile m_value = nullptr;
};

CSlot<HANDLE> g_exitEvent;
CSlot<HWND> g_mainWindow;
CSlot<HWND> g_floatPaneWindow;
CSlot<HWND> g_aboutDialog;
CSlot<HWND> g_updateDialog;

LRESULT SendToMainWnd(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    HWND main = CAppObjects::GetMainWnd();
    if (!main || !IsWindow(main)) return 0;
    return SendMessageW(main, message, wParam, lParam);
}

}  // namespace

namespace CAppObjects {

void SetAppExitEvent(HANDLE event) {
    g_exitEvent.Set(event);
}
HANDLE GetAppExitEvent() {
    return g_exitEvent.Get();
}
void SetMainWnd(HWND window) {
    g_mainWindow.Set(window);
}
HWND GetMainWnd() {
    return g_mainWindow.Get();
}
void SetFloatPaneWnd(HWND window) {
    g_floatPaneWindow.Set(window);
}
HWND GetFloatPaneWnd() {
    return g_floatPaneWindow.Get();
}
void SetAboutDlgHwnd(HWND window) {
    g_aboutDialog.Set(window);
}
// A dialog that went without clearing its slot must not be taken for an open one.
HWND GetAboutDlgHwnd() {
    const HWND window = g_aboutDialog.Get();
    return window && IsWindow(window) ? window : nullptr;
}
void SetUpdateDlgHwnd(HWND window) {
    g_updateDialog.Set(window);
}
HWND GetUpdateDlgHwnd() {
    const HWND window = g_updateDialog.Get();
    return window && IsWindow(window) ? window : nullptr;
}

bool IsAllowWaitAnswer() {
    return SendToMainWnd(WM_VXL_ALLOW_WAIT_ANSWER) != 0;
}
ITrayClipboardHistory* GetClipboardHistoryHandler() {
    return reinterpret_cast<ITrayClipboardHistory*>(SendToMainWnd(WM_VXL_GET_HISTORY_HANDLER));
}
void HideMenuToolTip() {
    SendToMainWnd(WM_VXL_HIDE_MENU_TOOLTIP);
}

bool GetFloatPaneSelectedText(CString& text) {
    text.Empty();
    return SendToMainWnd(WM_VXL_GET_PANE_SELECTED_TEXT, 0, reinterpret_cast<LPARAM>(&text)) == 1;
}

CCHQueue* GetClipboardHistoryQueue() {
    return reinterpret_cast<CCHQueue*>(SendToMainWnd(WM_VXL_GET_HISTORY_QUEUE));
}
void HideTrayBalloon() {
    SendToMainWnd(WM_VXL_HIDE_TRAY_BALLOON);
}

void ShowFloatPane() {
    HWND main = GetMainWnd();
    if (main && IsWindow(main)) PostMessageW(main, WM_VXL_SHOW_FLOAT_PANE, GetCurrentThreadId(), 0);
}

int FillLanguageMenuByMainWnd(HMENU menu) {
    HWND main = GetMainWnd();
    if (!main || !IsWindow(main)) return 0;
    SendMessageW(main, WM_VXL_FILL_LANGUAGE_MENU, reinterpret_cast<WPARAM>(menu), 0);
    return GetMenuItemCount(menu);
}

bool IsHotKeyRegistered() {
    return SendToMainWnd(WM_VXL_IS_HOTKEY_REGISTERED) != 0;
}

BOOL SendNotifyToWindow(HWND window, UINT message, WPARAM wParam) {
    if (!IsWindow(window)) window = GetMainWnd();
    if (!window) return FALSE;
    return ::SendNotifyMessageW(window, message, wParam, 0);
}

}  // namespace CAppObjects
