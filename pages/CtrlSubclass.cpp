#include "pages/CtrlSubclass.h"

#include "core/base/Logger.h"

// What the window property holds: the control (null once it let the window go while a
// later procedure stood over its own) and the procedure before it.
struct CCtrlSubclassBase::CRecord {
    CCtrlSubclassBase* owner;
    WNDPROC previous;
};

CCtrlSubclassBase::~CCtrlSubclassBase() {
    UnsubclassCtrl();
}

bool CCtrlSubclassBase::SubclassCtrl(HWND window) {
    if (m_window || !IsWindow(window) || GetPropW(window, m_property)) return false;
    auto* record = new CRecord{this, nullptr};
    if (!SetPropW(window, m_property, record)) {
        delete record;
        return false;
    }
    record->previous =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_procedure)));
    if (!record->previous) {
        RemovePropW(window, m_property);
        delete record;
        return false;
    }
    m_window = window;
    m_record = record;
    return true;
}

void CCtrlSubclassBase::UnsubclassCtrl() {
    if (!m_window) return;
    OnUnsubclass();
    const HWND window = m_window;
    CRecord* record = m_record;
    m_window = nullptr;
    m_record = nullptr;
    m_trackingLeave = false;
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)) == m_procedure) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(record->previous));
        RemovePropW(window, m_property);
        delete record;
        return;
    }
    // Someone subclassed the window after us: our procedure must keep passing messages
    // on, so the record stays (without owner) until the window is gone.
    record->owner = nullptr;
}

void CCtrlSubclassBase::TrackMouseLeaveOnce() {
    if (m_trackingLeave || !m_window) return;
    TRACKMOUSEEVENT request = {};
    request.cbSize = sizeof request;
    request.dwFlags = TME_LEAVE;
    request.hwndTrack = m_window;
    m_trackingLeave = TrackMouseEvent(&request) != FALSE;
}

LRESULT CCtrlSubclassBase::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CCtrlSubclassBase::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!m_record) return ::DefWindowProcW(m_window, message, wParam, lParam);
    return CallWindowProcW(m_record->previous, m_window, message, wParam, lParam);
}

LRESULT CCtrlSubclassBase::Dispatch(const wchar_t* property, HWND window, UINT message, WPARAM wParam,
                                    LPARAM lParam) noexcept {
    auto* record = static_cast<CRecord*>(GetPropW(window, property));
    if (!record) return ::DefWindowProcW(window, message, wParam, lParam);
    const WNDPROC previous = record->previous;
    if (!record->owner) {
        if (message == WM_NCDESTROY) {
            RemovePropW(window, property);
            delete record;
        }
        return CallWindowProcW(previous, window, message, wParam, lParam);
    }
    CCtrlSubclassBase* owner = record->owner;
    if (message == WM_DESTROY) {
        owner->UnsubclassCtrl();
        return CallWindowProcW(previous, window, message, wParam, lParam);
    }
    try {
        return owner->WindowProc(message, wParam, lParam);
    } catch (...) {
        LogError(L"CCtrlSubclassBase::Dispatch: an exception left a control's handler");
        return CallWindowProcW(previous, window, message, wParam, lParam);
    }
}
