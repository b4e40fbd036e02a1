#include "platform/wincore/WindowCore.h"

#include "core/WindowHelpers.h"
#include "core/base/CString.h"
#include "core/base/Logger.h"

namespace wincore {

namespace {

const wchar_t kObjectProperty[] = L"VexloraWindowObject";

thread_local CMessageTarget* t_creating = nullptr;

// Messages whose dialog-procedure result is the value itself rather than TRUE with the
// value in DWLP_MSGRESULT.
bool ReturnsValueDirectly(UINT message) {
    switch (message) {
        case WM_INITDIALOG:
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
            return true;
        default:
            return false;
    }
}

void LogEscapedException(const wchar_t* where, HWND window, UINT message) noexcept {
    try {
        wchar_t className[64] = {};
        GetClassNameW(window, className, 64);
        CString text;
        text.Format(L"%s: an exception left the handler of message 0x%04X in window class %s", where, message,
                    className);
        LogError(text);
    } catch (...) {
        // Nothing more can be said without memory; the message still gets its default answer.
    }
}

LRESULT SubclassedCallback(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LONG_PTR userData, BOOL* passOn,
                           WNDPROC) {
    auto* object = reinterpret_cast<CMessageTarget*>(userData);
    LRESULT result = 0;
    if (DispatchGuarded(object, window, message, wParam, lParam, result, L"wincore::SubclassedCallback"))
        *passOn = FALSE;
    if (message == WM_DESTROY) {
        // The registry forgets the window right after this call.
        DetachObject(window);
        object->OnDetached(window);
    }
    return result;
}

}  // namespace

void AttachObject(HWND window, CMessageTarget* object) {
    SetPropW(window, kObjectProperty, object);
}

void DetachObject(HWND window) {
    RemovePropW(window, kObjectProperty);
}

CMessageTarget* ObjectFromWindow(HWND window) {
    return window ? static_cast<CMessageTarget*>(GetPropW(window, kObjectProperty)) : nullptr;
}

CCreationHook::CCreationHook(CMessageTarget* object) : m_previous(t_creating) {
    t_creating = object;
}

CCreationHook::~CCreationHook() {
    t_creating = m_previous;
}

LRESULT CALLBACK StartWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    CMessageTarget* object = t_creating;
    if (!object) return ::DefWindowProcW(window, message, wParam, lParam);
    t_creating = nullptr;
    AttachObject(window, object);
    object->OnAttached(window);
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
    return WindowProc(window, message, wParam, lParam);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    CMessageTarget* object = ObjectFromWindow(window);
    if (!object) return ::DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = 0;
    if (!DispatchGuarded(object, window, message, wParam, lParam, result, L"wincore::WindowProc"))
        result = ::DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        DetachObject(window);
        object->OnDetached(window);
    }
    return result;
}

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    CMessageTarget* object = nullptr;
    if (message == WM_INITDIALOG) {
        const auto* start = reinterpret_cast<const CDialogStart*>(lParam);
        object = start->object;
        lParam = start->initParam;
        AttachObject(window, object);
        object->OnAttached(window);
    } else {
        object = ObjectFromWindow(window);
    }
    if (!object) return FALSE;
    LRESULT result = 0;
    const bool handled = DispatchGuarded(object, window, message, wParam, lParam, result, L"wincore::DialogProc");
    if (message == WM_NCDESTROY) {
        DetachObject(window);
        object->OnDetached(window);
        return FALSE;
    }
    if (!handled) return FALSE;
    if (ReturnsValueDirectly(message)) return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
}

bool SubclassObject(HWND window, CMessageTarget* object) {
    if (!object || !IsWindow(window) || ObjectFromWindow(window) || IsWindowSubclassed(window)) return false;
    AttachObject(window, object);
    if (!::SubclassWindow(window, &SubclassedCallback, reinterpret_cast<LONG_PTR>(object))) {
        DetachObject(window);
        return false;
    }
    object->OnAttached(window);
    return true;
}

bool UnsubclassObject(HWND window) {
    SubclassEntry* entry = FindSubclassEntry(window);
    if (!entry || entry->callback != &SubclassedCallback) return false;
    ::UnsubclassWindow(window);
    DetachObject(window);
    return true;
}

WNDPROC PreviousProcedure(HWND window) {
    SubclassEntry* entry = FindSubclassEntry(window);
    return entry ? entry->previous : nullptr;
}

bool DispatchGuarded(CMessageTarget* object, HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                     const wchar_t* where) noexcept {
    try {
        return object->ProcessWindowMessage(window, message, wParam, lParam, result) != FALSE;
    } catch (...) {
        LogEscapedException(where, window, message);
        result = 0;
        return false;
    }
}

HWND NotifyingChild(HWND parent, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            return reinterpret_cast<HWND>(lParam);
        case WM_NOTIFY:
            return lParam ? reinterpret_cast<const NMHDR*>(lParam)->hwndFrom : nullptr;
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            return item && item->CtlType != ODT_MENU ? item->hwndItem : nullptr;
        }
        case WM_MEASUREITEM: {
            // The item has no window handle yet: the control is found by its id.
            const auto* item = reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam);
            return item && wParam && item->CtlType != ODT_MENU ? GetDlgItem(parent, static_cast<int>(item->CtlID))
                                                               : nullptr;
        }
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
            return reinterpret_cast<HWND>(lParam);
        default:
            return nullptr;
    }
}

bool ReflectNotification(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept {
    HWND child = NotifyingChild(parent, message, wParam, lParam);
    if (!child || child == parent) return false;
    // The object is called directly, so it must live on this thread.
    if (GetWindowThreadProcessId(child, nullptr) != GetCurrentThreadId()) return false;
    CMessageTarget* object = ObjectFromWindow(child);
    if (!object) return false;
    return DispatchGuarded(object, child, kReflectBase + message, wParam, lParam, result,
                           L"wincore::ReflectNotification");
}

}  // namespace wincore
