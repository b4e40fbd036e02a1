// The one way the pages' small controls take over a window's messages: the window keeps
// its previous procedure, which gets every message the control does not answer itself.
// It stacks over whatever procedure the window has (a window of the window layer, a
// control already subclassed), and each kind of control keeps its record in a window
// property of its own, so one window carries at most one control of each kind.
#pragma once

#include <windows.h>

class CCtrlSubclassBase {
public:
    virtual ~CCtrlSubclassBase();
    CCtrlSubclassBase(const CCtrlSubclassBase&) = delete;
    CCtrlSubclassBase& operator=(const CCtrlSubclassBase&) = delete;

    HWND GetCtrl() const { return m_window; }
    bool IsSubclassed() const { return m_window != nullptr; }

protected:
    // property: the window property of this kind of control; procedure: KindProc<Kind>.
    CCtrlSubclassBase(const wchar_t* property, WNDPROC procedure) : m_property(property), m_procedure(procedure) {}

    // False when it is not a window, this object already has one, or the window already
    // carries a control of this kind.
    bool SubclassCtrl(HWND window);
    // Gives the window its procedure back. When a later subclass stands over this one,
    // this procedure stays in its chain and passes everything on from then on.
    void UnsubclassCtrl();

    // Every message of the window while subclassed; by default passed on. A window that
    // is being destroyed is let go before its WM_DESTROY is passed on.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The message to the previous procedure ("the default handling").
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Just before the window is let go.
    virtual void OnUnsubclass() {}

    // Asks for WM_MOUSELEAVE unless already asked since the last one arrived.
    void TrackMouseLeaveOnce();
    void MouseLeaveArrived() { m_trackingLeave = false; }

    template <class Kind>
    static LRESULT CALLBACK KindProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
        return Dispatch(Kind::kSubclassProperty, window, message, wParam, lParam);
    }

private:
    struct CRecord;
    static LRESULT Dispatch(const wchar_t* property, HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    const wchar_t* m_property;
    WNDPROC m_procedure;
    HWND m_window = nullptr;
    CRecord* m_record = nullptr;
    bool m_trackingLeave = false;
};
