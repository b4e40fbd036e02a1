#include "pages/ResizeNoBorder.h"

#include <algorithm>
#include <memory>

#include "core/base/WorkerThread.h"

namespace {

const int kSwitchDistance = 2;
const DWORD kWatchIntervalMs = 200;

bool IsSizingCode(LRESULT code) {
    return code >= HTLEFT && code <= HTBOTTOMRIGHT;
}

bool HasFrame(HWND window) {
    return (GetWindowLongW(window, GWL_STYLE) & WS_THICKFRAME) != 0;
}

void SetFrame(HWND window, bool on) {
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    SetWindowLongW(window, GWL_STYLE, on ? (style | WS_THICKFRAME) : (style & ~WS_THICKFRAME));
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

LPARAM CursorLParam() {
    POINT point = {};
    GetCursorPos(&point);
    return MAKELPARAM(static_cast<short>(point.x), static_cast<short>(point.y));
}

// Keeps the frame while the pointer is on it; it only reads the style and sends to the
// window, whose own thread does the rest.
struct CFrameWatch {
    HWND window;
};

DWORD WatchFrame(CFrameWatch& watch) {
    while (IsWindow(watch.window) && HasFrame(watch.window)) {
        DWORD_PTR code = HTNOWHERE;
        if (!SendMessageTimeoutW(watch.window, WM_NCHITTEST, 0, CursorLParam(), SMTO_ABORTIFHUNG, 5000, &code) ||
            !IsSizingCode(static_cast<LRESULT>(code)))
            break;
        Sleep(kWatchIntervalMs);
    }
    if (IsWindow(watch.window) && HasFrame(watch.window)) SetFrame(watch.window, false);
    return 0;
}

}  // namespace

LRESULT CResizeNoBorder::SizingCodeAt(const RECT& window, POINT point, int edgeX, int edgeY) {
    if (!PtInRect(&window, point)) return HTCLIENT;
    const bool left = point.x < window.left + edgeX;
    const bool right = !left && point.x >= window.right - edgeX;
    const bool top = point.y < window.top + edgeY;
    const bool bottom = !top && point.y >= window.bottom - edgeY;
    if (left) return top ? HTTOPLEFT : bottom ? HTBOTTOMLEFT : HTLEFT;
    if (right) return top ? HTTOPRIGHT : bottom ? HTBOTTOMRIGHT : HTRIGHT;
    return top ? HTTOP : bottom ? HTBOTTOM : HTCLIENT;
}

bool CResizeNoBorder::Install(HWND window, int mode) {
    if (mode != 0 && mode != 1) return false;
    if (IsSubclassed() || !IsWindow(window)) return false;
    m_mode = mode;
    m_savedFrame = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)) & WS_THICKFRAME;
    return SubclassCtrl(window);
}

void CResizeNoBorder::Uninstall() {
    const HWND window = GetCtrl();
    if (!window) return;
    const bool hadFrame = HasFrame(window);
    if (hadFrame) {
        SetWindowLongW(window, GWL_STYLE, GetWindowLongW(window, GWL_STYLE) & ~WS_THICKFRAME);
    }
    UnsubclassCtrl();
    if (m_savedFrame) SetWindowLongW(window, GWL_STYLE, GetWindowLongW(window, GWL_STYLE) | WS_THICKFRAME);
    if (hadFrame || m_savedFrame)
        SetWindowPos(window, nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

LRESULT CResizeNoBorder::OnHitTestOnly(WPARAM wParam, LPARAM lParam) {
    const LRESULT code = DefWindowProc(WM_NCHITTEST, wParam, lParam);
    if (code != HTCLIENT) return code;
    RECT rect = {};
    GetWindowRect(GetCtrl(), &rect);
    const POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    return SizingCodeAt(rect, point, 2 * GetSystemMetrics(SM_CXBORDER), 2 * GetSystemMetrics(SM_CYBORDER));
}

LRESULT CResizeNoBorder::OnHitTestSwitching(WPARAM wParam, LPARAM lParam) {
    const HWND window = GetCtrl();
    LRESULT code = DefWindowProc(WM_NCHITTEST, wParam, lParam);
    if (code != HTCLIENT) return code;
    if (HasFrame(window)) {
        SetFrame(window, false);
        return code;
    }
    RECT rect = {};
    GetWindowRect(window, &rect);
    const POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    const LONG dx = (std::min)(point.x - rect.left, rect.right - point.x);
    const LONG dy = (std::min)(point.y - rect.top, rect.bottom - point.y);
    if ((std::min)(dx, dy) >= kSwitchDistance) return code;
    SetFrame(window, true);
    code = DefWindowProc(WM_NCHITTEST, wParam, lParam);
    StartWorker(std::make_unique<CFrameWatch>(CFrameWatch{window}), &WatchFrame);
    return code;
}

LRESULT CResizeNoBorder::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCHITTEST:
            return m_mode == 1 ? OnHitTestOnly(wParam, lParam) : OnHitTestSwitching(wParam, lParam);
        case WM_SETCURSOR:
            if (m_mode == 0) SendMessageW(GetCtrl(), WM_NCHITTEST, 0, CursorLParam());
            break;
        default:
            break;
    }
    return DefWindowProc(message, wParam, lParam);
}
