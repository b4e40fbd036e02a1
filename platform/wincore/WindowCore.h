// The machinery under the window stand-ins (the WTL vocabulary in platform/wtl, and an
// MFC-like vocabulary later): which object a window belongs to, how an object meets its
// window while the window is being created, how an existing window is subclassed and
// given back, the barrier that keeps C++ exceptions inside the window and dialog
// procedures, and the reflection of a child control's notifications to the child's own
// object. It knows no message map: a stand-in supplies the dispatch (CMessageTarget) and
// the words its users write.
#pragma once

#include <windows.h>

namespace wincore {

// What a window's messages are dispatched to.
class CMessageTarget {
public:
    virtual ~CMessageTarget() = default;
    // TRUE when handled; `result` is then the message's result.
    virtual BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
    // The object now receives the window's messages (before the first one is dispatched).
    virtual void OnAttached(HWND) noexcept {}
    // The object receives none of the window's messages any more: after WM_NCDESTROY for
    // a created window or a dialog, after WM_DESTROY for a subclassed one (the subclass
    // registry lets a window go there), never after an explicit unsubclass.
    virtual void OnDetached(HWND) noexcept {}
};

// ---------------------------------------------------------------------------------------
// The window's object. Kept in a window property rather than in GWLP_USERDATA, which a
// subclassed control may use for itself.

void AttachObject(HWND window, CMessageTarget* object);
void DetachObject(HWND window);
CMessageTarget* ObjectFromWindow(HWND window);

// ---------------------------------------------------------------------------------------
// Creation. While the hook is alive, the next window of this thread that runs
// StartWindowProc takes the object: its first message (WM_GETMINMAXINFO or WM_NCCREATE)
// already reaches the object's map. A window created from a handler of that first window
// sets a hook of its own; the outer one is taken by then.

class CCreationHook {
public:
    explicit CCreationHook(CMessageTarget* object);
    ~CCreationHook();
    CCreationHook(const CCreationHook&) = delete;
    CCreationHook& operator=(const CCreationHook&) = delete;

private:
    CMessageTarget* m_previous;
};

// The procedure to register for a window class whose windows get objects: attaches the
// hooked object and puts WindowProc in its own place.
LRESULT CALLBACK StartWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
// The object's map first, DefWindowProc for what it leaves (or when a handler throws);
// detaches the object after WM_NCDESTROY.
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

// ---------------------------------------------------------------------------------------
// Dialogs. DialogBoxParam / CreateDialogParam get DialogProc and the address of a
// CDialogStart as their parameter; WM_INITDIALOG attaches the object and hands it the
// caller's own parameter instead. Messages before WM_INITDIALOG go to the dialog manager.
// What the map leaves, or a handler that throws, answers FALSE.

struct CDialogStart {
    CMessageTarget* object;
    LPARAM initParam;
};

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

// ---------------------------------------------------------------------------------------
// Subclassing, through the one subclass registry of core/WindowHelpers.h.
// Order when taking a window: the object is attached first, then the registry replaces
// the procedure, so that the first message routed to the object already finds it.
// Order when giving it back: the registry restores the previous procedure first (no
// message reaches the object after that), then the object is detached.

// False when the window is not a window, already has an object or is already in the
// registry. Messages the object leaves (or throws in) go to the previous procedure.
bool SubclassObject(HWND window, CMessageTarget* object);
// False when the window was not subclassed with an object.
bool UnsubclassObject(HWND window);
// The subclassed window's own procedure; null when the window is not subclassed.
WNDPROC PreviousProcedure(HWND window);

// ---------------------------------------------------------------------------------------
// The exception barrier: the object's dispatch with every exception caught and logged with
// `where` ("Class::Method"), the message and the window class. An exception counts as
// not handled, so the caller falls back to its default answer.
bool DispatchGuarded(CMessageTarget* object, HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                     const wchar_t* where) noexcept;

// ---------------------------------------------------------------------------------------
// Reflection. A parent offers the notifications it gets from a child control
// (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM, WM_MEASUREITEM, WM_CTLCOLOR*) to the child's own
// object as the message kReflectBase + original, with the original parameters. Menus'
// owner draw and commands from menus and accelerators have no child and are not offered.

const UINT kReflectBase = WM_USER + 0x1C00;

// The child control the notification comes from; null when there is none.
HWND NotifyingChild(HWND parent, UINT message, WPARAM wParam, LPARAM lParam);
// True when the child has an object on this thread and that object handled the reflected
// message; `result` is then the answer to give for the original.
bool ReflectNotification(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept;

}  // namespace wincore
