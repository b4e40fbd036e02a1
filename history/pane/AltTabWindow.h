// The program's entry in the Alt-Tab switcher. The program has no visible main window,
// so a small captioned window kept off-screen at the bottom of the z-order stands in for
// the float pane there: switching to it, or pressing Enter in it, tells the owner, which
// shows the pane. Its thumbnail and live preview are pictures the program draws.
#pragma once

#include <windows.h>

#include <memory>

#include "core/base/CString.h"
#include "core/base/Handles.h"
#include "core/base/PlatformFunctions.h"

// What the owner's notify message carries in wParam.
enum AltTabActivation : WPARAM {
    kAltTabFromSwitcher = 0,  // the switch ended on the window
    kAltTabEnter = 1,         // Enter pressed in the window
};

// The switcher's events as the window hears them: a switch that ends on the window counts
// when the window gets the focus within 500 ms of the end.
class CAltTabSwitchState {
public:
    static constexpr DWORD kFocusWindowMs = 500;
    void OnSwitchStart() {
        m_state = kStarted;
        m_endTick = 0;
    }
    void OnSwitchEnd(DWORD tick) {
        m_state = m_state == kStarted ? kEnded : kIdle;
        m_endTick = tick;
    }
    // The focus reached the window: true when that finishes a switch to it.
    bool OnFocus(DWORD tick);

private:
    enum State { kIdle, kStarted, kEnded };
    State m_state = kIdle;
    DWORD m_endTick = 0;
};

class CWndAltTabIcon {
public:
    // SendMessageW(notifyWindow, notifyMessage, AltTabActivation, 0).
    CWndAltTabIcon(HWND notifyWindow, UINT notifyMessage);
    ~CWndAltTabIcon();
    CWndAltTabIcon(const CWndAltTabIcon&) = delete;
    CWndAltTabIcon& operator=(const CWndAltTabIcon&) = delete;

    // The icons stay the caller's and must outlive the window.
    bool Create(HWND owner, const CString& title, HICON bigIcon, HICON smallIcon, HINSTANCE module);
    HWND Window() const { return m_window; }
    // The picture of the switcher: the highlight colour, the icon in the middle and the
    // title; a 32-bit DIB section owned by the caller, or null.
    HBITMAP DrawPicture(int width, int height) const;
    // The last picture drawn.
    HBITMAP Picture() const { return m_picture.get(); }

    // The switcher's events for the window; tests drive them directly.
    void OnWinEvent(DWORD event, HWND window);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void SendToBottom();
    void Report(WPARAM reason);
    HICON DrawingIcon() const;
    void KeepPicture(HBITMAP picture);

    HWND m_window = nullptr;
    HWND m_notifyWindow;
    UINT m_notifyMessage;
    HICON m_bigIcon = nullptr;
    HICON m_smallIcon = nullptr;
    HINSTANCE m_module = nullptr;
    bool m_keepAtBottom = true;
    CBitmapHandle m_picture;
    CAltTabSwitchState m_switch;
    HWINEVENTHOOK m_hook = nullptr;
};

class CWndAltTabIconHolder {
public:
    CWndAltTabIconHolder();
    ~CWndAltTabIconHolder();
    CWndAltTabIconHolder(const CWndAltTabIconHolder&) = delete;
    CWndAltTabIconHolder& operator=(const CWndAltTabIconHolder&) = delete;

    // True at once when the window exists.
    bool Create(HWND owner, UINT notifyMessage);
    // False when there is no window.
    bool Destroy();
    bool IsWindow() const;
    // The title again (after a language change or elevation) and a repaint.
    void SetText();
    CWndAltTabIcon* Icon() const { return m_icon.get(); }

private:
    CBoundModule m_dwmapi;
    CIconHandle m_bigIcon;
    CIconHandle m_smallIcon;
    std::unique_ptr<CWndAltTabIcon> m_icon;
};
