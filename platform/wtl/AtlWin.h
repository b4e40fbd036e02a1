// Stands in for the ATL/WTL window templates (atlwin.h, with the message-map words of
// atlcrack.h that the programs use), which are not available to this build. Covers a
// thin window handle wrapper, window implementations of a class of their own or over an
// existing window (subclassing), and flat message maps whose handlers return a result
// and a handled flag; the maps can take messages, message ranges, commands by id and id
// range, notifications by id and code, chain to a base class or a member, and reflect a
// child control's notifications to the child's own object. The machinery (the window's
// object, creation, subclassing, the exception barrier and reflection) is
// platform/wincore's; this header is the vocabulary over it.
#pragma once

#include <windows.h>

#include "platform/wincore/WindowCore.h"

namespace wtl {

// A window handle that owns nothing.
class CWindow {
public:
    CWindow(HWND window = nullptr) : m_hWnd(window) {}
    operator HWND() const { return m_hWnd; }
    BOOL IsWindow() const { return ::IsWindow(m_hWnd); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL DestroyWindow() { return ::DestroyWindow(m_hWnd); }
    BOOL ShowWindow(int command) const { return ::ShowWindow(m_hWnd, command); }
    BOOL SetWindowText(const wchar_t* text) const { return ::SetWindowTextW(m_hWnd, text); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

    HWND m_hWnd;
};

// The signed client or screen point a mouse message carries (GET_X_LPARAM and
// GET_Y_LPARAM, without windowsx.h, whose SubclassWindow macro would clash).
inline POINT PointFromLParam(LPARAM lParam) {
    return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

// The dispatch every window implementation and dialog provides through its message map.
using CMessageMap = wincore::CMessageTarget;

// A window of our own class, or an existing window subclassed, whose messages go to
// the message map of the derived class; what the map leaves goes to the default
// procedure (or the subclassed window's own procedure). A handler that throws is logged
// and the message gets that default answer.
class CWindowImplBase : public CWindow, public CMessageMap {
public:
    CWindowImplBase() = default;
    CWindowImplBase(const CWindowImplBase&) = delete;
    CWindowImplBase& operator=(const CWindowImplBase&) = delete;
    ~CWindowImplBase() override;

    // Registers the class on first use (CS_HREDRAW|CS_VREDRAW|CS_DBLCLKS, arrow cursor)
    // and creates the window. Null on failure.
    HWND Create(HWND parent, const RECT& rect, const wchar_t* windowName, DWORD style, DWORD exStyle = 0,
                HMENU menuOrId = nullptr, void* createParam = nullptr);
    // Creates a window of a system class (a common control) and takes over its messages
    // at once; its WM_NCCREATE and WM_CREATE have passed by then, so setting it up is the
    // caller's next step. Null when the window cannot be made or taken over.
    HWND CreateControl(const wchar_t* className, HWND parent, const RECT& rect, DWORD style, DWORD exStyle = 0,
                       UINT id = 0);
    // Takes over an existing window's messages; false when it is not a window or
    // already subclassed. The object lets the window go at its WM_DESTROY.
    BOOL SubclassWindow(HWND window);
    // Gives the window its own procedure back. Returns the window.
    HWND UnsubclassWindow();

    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

protected:
    // The name of the window class to register; one per derived class.
    virtual const wchar_t* GetWndClassName() const = 0;
    // Called after the last message of the window.
    virtual void OnFinalMessage(HWND) {}

private:
    void OnAttached(HWND window) noexcept override;
    void OnDetached(HWND window) noexcept override;

    WNDPROC m_superProc = nullptr;  // the subclassed window's own procedure, or null
};

}  // namespace wtl

// Reflected notifications: a parent whose map says REFLECT_NOTIFICATIONS() offers what a
// child control notifies (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM, WM_MEASUREITEM,
// WM_CTLCOLOR*) to the child's object first, as REFLECTED(message) with the original
// parameters; the child's answer becomes the parent's. A child without an object, or
// whose map leaves the message, lets it go on through the parent's map.
#define REFLECTED(msg) (wincore::kReflectBase + (msg))

// Message maps: a flat list, one line per message. A handler has the form
//   LRESULT OnX(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled)
// and clears `handled` to let the message go on. Command handlers have the form
//   LRESULT OnY(WORD notifyCode, WORD id, HWND control, BOOL& handled),
// notification handlers
//   LRESULT OnZ(int id, NMHDR* header, BOOL& handled).
#define BEGIN_MSG_MAP(theClass)                                                                                \
    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override { \
        (void)hWnd;                                                                                            \
        (void)uMsg;                                                                                            \
        (void)wParam;                                                                                          \
        (void)lParam;                                                                                          \
        (void)lResult;                                                                                         \
        BOOL bHandled = TRUE;

#define MESSAGE_HANDLER(msg, func)                      \
    if (uMsg == (msg)) {                                \
        bHandled = TRUE;                                \
        lResult = func(uMsg, wParam, lParam, bHandled); \
        if (bHandled) return TRUE;                      \
    }

#define MESSAGE_RANGE_HANDLER(msgFirst, msgLast, func)  \
    if (uMsg >= (msgFirst) && uMsg <= (msgLast)) {      \
        bHandled = TRUE;                                \
        lResult = func(uMsg, wParam, lParam, bHandled); \
        if (bHandled) return TRUE;                      \
    }

#define COMMAND_ID_HANDLER(id, func)                                                              \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (id)) {                                           \
        bHandled = TRUE;                                                                          \
        lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled); \
        if (bHandled) return TRUE;                                                                \
    }

#define COMMAND_RANGE_HANDLER(idFirst, idLast, func)                                              \
    if (uMsg == WM_COMMAND && LOWORD(wParam) >= (idFirst) && LOWORD(wParam) <= (idLast)) {        \
        bHandled = TRUE;                                                                          \
        lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled); \
        if (bHandled) return TRUE;                                                                \
    }

#define NOTIFY_HANDLER(id, notifyCode, func)                                                          \
    if (uMsg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->idFrom == static_cast<UINT_PTR>(id) && \
        reinterpret_cast<NMHDR*>(lParam)->code == static_cast<UINT>(notifyCode)) {                    \
        bHandled = TRUE;                                                                              \
        lResult = func(static_cast<int>(wParam), reinterpret_cast<NMHDR*>(lParam), bHandled);         \
        if (bHandled) return TRUE;                                                                    \
    }

// By notification code alone, from whichever child (a control's own tool tip names no id).
#define NOTIFY_CODE_HANDLER(notifyCode, func)                                                           \
    if (uMsg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == static_cast<UINT>(notifyCode)) { \
        bHandled = TRUE;                                                                                \
        lResult = func(static_cast<int>(wParam), reinterpret_cast<NMHDR*>(lParam), bHandled);           \
        if (bHandled) return TRUE;                                                                      \
    }

// In a child control's map: its own notifications, reflected by the parent.
#define REFLECTED_COMMAND_CODE_HANDLER(notifyCode, func)                                          \
    if (uMsg == REFLECTED(WM_COMMAND) && HIWORD(wParam) == (notifyCode)) {                        \
        bHandled = TRUE;                                                                          \
        lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled); \
        if (bHandled) return TRUE;                                                                \
    }

#define REFLECTED_NOTIFY_CODE_HANDLER(notifyCode, func)                                                            \
    if (uMsg == REFLECTED(WM_NOTIFY) && reinterpret_cast<NMHDR*>(lParam)->code == static_cast<UINT>(notifyCode)) { \
        bHandled = TRUE;                                                                                           \
        lResult = func(static_cast<int>(wParam), reinterpret_cast<NMHDR*>(lParam), bHandled);                      \
        if (bHandled) return TRUE;                                                                                 \
    }

#define CHAIN_MSG_MAP(baseClass) \
    if (baseClass::ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult)) return TRUE;

#define CHAIN_MSG_MAP_MEMBER(member) \
    if ((member).ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult)) return TRUE;

#define REFLECT_NOTIFICATIONS() \
    if (wincore::ReflectNotification(hWnd, uMsg, wParam, lParam, lResult)) return TRUE;

#define END_MSG_MAP() \
    (void)bHandled;   \
    return FALSE;     \
    }
