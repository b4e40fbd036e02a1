#include "pages/HoverCtrl.h"

#include <commctrl.h>

#include "platform/wtl/AtlWin.h"

bool CHoverCtrl::Attach(HWND list, HWND parent) {
    Detach();
    m_parent = parent;
    m_id = GetDlgCtrlID(list);
    return SubclassCtrl(list);
}

void CHoverCtrl::Detach() {
    UnsubclassCtrl();
}

void CHoverCtrl::OnUnsubclass() {
    KillTimer(GetCtrl(), kHoverTimerId);
    m_hovered = -1;
    m_pending = -1;
}

void CHoverCtrl::Stop_Hover_Timer() {
    EndHover();
    if (GetCtrl()) KillTimer(GetCtrl(), kHoverTimerId);
}

int CHoverCtrl::ItemAt(POINT client) const {
    if (SendMessageW(GetCtrl(), LVM_GETITEMCOUNT, 0, 0) <= 0) return -1;
    LVHITTESTINFO hit = {};
    hit.pt = client;
    const int item = static_cast<int>(SendMessageW(GetCtrl(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    // Anywhere on the item: its text is where the pointer rests most.
    return item >= 0 && (hit.flags & LVHT_ONITEM) ? item : -1;
}

void CHoverCtrl::Notify(UINT code, int item) {
    CHoverNotify notify = {};
    notify.header.hwndFrom = GetCtrl();
    notify.header.idFrom = static_cast<UINT_PTR>(m_id);
    notify.header.code = code;
    notify.item = item;
    if (m_parent) SendMessageW(m_parent, WM_NOTIFY, static_cast<WPARAM>(m_id), reinterpret_cast<LPARAM>(&notify));
}

void CHoverCtrl::EndHover() {
    m_pending = -1;
    if (m_hovered < 0) return;
    const int item = m_hovered;
    m_hovered = -1;
    Notify(kHoverEndedCode, item);
}

void CHoverCtrl::StartTimerFor(int item) {
    if (item == m_pending || item == m_hovered) return;
    KillTimer(GetCtrl(), kHoverTimerId);
    m_pending = item;
    SetTimer(GetCtrl(), kHoverTimerId, kHoverDelayMs, nullptr);
}

void CHoverCtrl::OnTimer() {
    KillTimer(GetCtrl(), kHoverTimerId);
    POINT point = {};
    GetCursorPos(&point);
    ScreenToClient(GetCtrl(), &point);
    const int item = ItemAt(point);
    if (item != m_pending) return;
    TrackMouseLeaveOnce();
    // A tick that was already queued when the timer was killed tells nothing new.
    if (item == m_hovered) return;
    const int previous = m_hovered;
    m_hovered = item;
    if (item >= 0)
        Notify(kHoverBeganCode, item);
    else
        Notify(kHoverEndedCode, previous);
}

LRESULT CHoverCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_MOUSEMOVE: {
            const LRESULT result = DefWindowProc(message, wParam, lParam);
            if (!GetCtrl()) return result;
            const int item = ItemAt(wtl::PointFromLParam(lParam));
            if (item < 0) {
                EndHover();
            } else if (item != m_hovered) {
                EndHover();
                StartTimerFor(item);
            }
            return result;
        }
        case WM_TIMER:
            if (wParam != kHoverTimerId) break;
            OnTimer();
            return 0;
        case WM_LBUTTONDOWN: {
            const LRESULT result = DefWindowProc(message, wParam, lParam);
            if (!GetCtrl()) return result;
            const int item = ItemAt(wtl::PointFromLParam(lParam));
            if (item >= 0 && m_hovered >= 0) {
                TrackMouseLeaveOnce();
                Notify(kHoverClickedCode, item);
            }
            return result;
        }
        case WM_RBUTTONUP:
            if (m_hovered >= 0) EndHover();
            break;
        case WM_MOUSELEAVE: {
            const LRESULT result = DefWindowProc(message, wParam, lParam);
            MouseLeaveArrived();
            EndHover();
            return result;
        }
        default:
            break;
    }
    return DefWindowProc(message, wParam, lParam);
}
