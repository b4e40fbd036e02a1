// The two process-wide registries through which the tray window, the clipboard-history
// handler and the float pane tell each other about changes of state. A sender is never
// told of its own notice. Listeners may leave, or join, from inside a notice: one that
// left is not called any more, one that joined waits for the next notice.
#pragma once

#include <windows.h>

#include <set>

class IHistoryListener1 {
public:
    virtual ~IHistoryListener1() = default;
    // a = 0: the history's texts changed (menus and tips are built again).
    virtual void OnHistoryEvent(DWORD a, DWORD b) = 0;
};

class IHistoryListener2 {
public:
    virtual ~IHistoryListener2() = default;
    // a = 0: the clipboard watcher's state changed; b: whether the history's window exists.
    virtual void OnHistoryStateEvent(DWORD a, DWORD b) = 0;
};

class CListenerRegistry1 {
public:
    static CListenerRegistry1& GetInstance();

    void Register(IHistoryListener1* listener);
    void Unregister(IHistoryListener1* listener);
    // Every listener but the sender, in the registry's order.
    void Notify(const IHistoryListener1* sender, DWORD a, DWORD b);

    // The window told (WM_APP+2) after every notice with a = 0; none by default.
    void SetRefreshWindow(HWND window) { m_refreshWindow = window; }
    HWND GetRefreshWindow() const { return m_refreshWindow; }

private:
    std::set<IHistoryListener1*> m_listeners;
    HWND m_refreshWindow = nullptr;
};

class CListenerRegistry2 {
public:
    static CListenerRegistry2& GetInstance();

    // False when the listener is already there.
    bool Register(IHistoryListener2* listener);
    // True when the listener was there and is gone now.
    bool Unregister(IHistoryListener2* listener);
    bool Contains(IHistoryListener2* listener) const;
    // Every listener but the sender, in the registry's order; the number called.
    int Notify(const IHistoryListener2* sender, DWORD a, DWORD b);

private:
    std::set<IHistoryListener2*> m_listeners;
};

// The program's registries: Notify, and for registry 1 the refresh window after a = 0.
// The sender is the listener that makes the change, or null for one that is not a listener.
void NotifyListeners1(const IHistoryListener1* sender, DWORD a, DWORD b);
int NotifyListeners2(const IHistoryListener2* sender, DWORD a, DWORD b);
