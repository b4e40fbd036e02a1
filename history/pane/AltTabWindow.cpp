#include "history/pane/AltTabWindow.h"

#include <cwchar>

#include "core/AppTexts.h"
#include "core/IconIds.h"
#include "core/SystemInfo.h"
#include "core/base/Logger.h"

#ifndef DWM_SIT_DISPLAYFRAME
#define DWM_SIT_DISPLAYFRAME 0x1
#endif

namespace {

const int kOffScreen = -400;
const int kSize = 300;

// The one window the out-of-context WinEvent hook reports to; the hook lives exactly as
// long as that window.
CWndAltTabIcon* g_altTab = nullptr;

void CALLBACK AltTabWinEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG, LONG, DWORD, DWORD) {
    if (g_altTab) g_altTab->OnWinEvent(event, window);
}

bool IsValidIcon(HICON icon) {
    ICONINFO info = {};
    if (!icon || !GetIconInfo(icon, &info)) return false;
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return true;
}

}  // namespace

bool CAltTabSwitchState::OnFocus(DWORD tick) {
    const bool ended = m_state == kEnded;
    const DWORD since = tick - m_endTick;
    m_state = kIdle;
    m_endTick = 0;
    return ended && since <= kFocusWindowMs;
}

CWndAltTabIcon::CWndAltTabIcon(HWND notifyWindow, UINT notifyMessage)
    : m_notifyWindow(notifyWindow), m_notifyMessage(notifyMessage) {}

CWndAltTabIcon::~CWndAltTabIcon() {
    if (m_window) DestroyWindow(m_window);
}

bool CWndAltTabIcon::Create(HWND owner, const CString& title, HICON bigIcon, HICON smallIcon, HINSTANCE module) {
    m_bigIcon = bigIcon;
    m_smallIcon = smallIcon;
    m_module = module;
    // A new class for every window, as the switcher keeps what it learnt of a class.
    wchar_t date[16] = {};
    SYSTEMTIME now;
    GetLocalTime(&now);
    swprintf(date, 16, L"%02u/%02u/%02u", now.wMonth, now.wDay, now.wYear % 100);
    CString className;
    className.Format(L"Vexlora ALT+TAB Window Class%s%lu", date, GetTickCount());
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = &CWndAltTabIcon::WindowProc;
    windowClass.hInstance = module;
    windowClass.hIcon = bigIcon;
    windowClass.hIconSm = smallIcon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_HIGHLIGHT);
    windowClass.lpszClassName = className;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    HWND window = CreateWindowExW(WS_EX_CONTROLPARENT | WS_EX_WINDOWEDGE, className, title,
                                  WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS, kOffScreen, kOffScreen, kSize, kSize,
                                  owner, nullptr, module, this);
    if (!window) return false;
    SetWindowPos(window, nullptr, kOffScreen, kOffScreen, kSize, kSize, SWP_NOZORDER | SWP_NOACTIVATE);
    SendToBottom();
    return true;
}

LRESULT CALLBACK CWndAltTabIcon::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CWndAltTabIcon*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<CWndAltTabIcon*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->m_window = window;
    }
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    return self->OnMessage(message, wParam, lParam);
}

LRESULT CWndAltTabIcon::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = m_window;
    switch (message) {
        case WM_CREATE: {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(create->hwndParent));
            SetWindowPos(window, HWND_BOTTOM, kOffScreen, kOffScreen, kSize, kSize, SWP_NOACTIVATE);
            Platform::DwmExtendFrameIntoClientArea(window);
            SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon));
            SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon));
            ShowWindow(window, SW_SHOWNA);
            g_altTab = this;
            SendToBottom();
            m_hook = SetWinEventHook(EVENT_SYSTEM_SWITCHSTART, EVENT_OBJECT_FOCUS, nullptr, &AltTabWinEvent, 0, 0,
                                     WINEVENT_OUTOFCONTEXT);
            LogWriteFormat(L"m_hHOOKALTTAB=%p", static_cast<void*>(m_hook));
            Platform::DwmSetForceIconicRepresentation(window, true);
            Platform::DwmSetHasIconicBitmap(window, true);
            Platform::SetWindowTheme(window, L"", L"");
            return 0;
        }
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_ACTIVE) return 0;
            break;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            RECT client = {};
            GetClientRect(window, &client);
            if (HBITMAP picture = DrawPicture(client.right, client.bottom)) {
                LogWrite(L"DoDraw");
                HDC memory = CreateCompatibleDC(paint.hdc);
                HGDIOBJ old = SelectObject(memory, picture);
                BitBlt(paint.hdc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
                SelectObject(memory, old);
                DeleteDC(memory);
                KeepPicture(picture);
            }
            EndPaint(window, &paint);
            return 0;
        }
        case WM_SHOWWINDOW:
            if (!wParam) break;
            SetWindowPos(window, nullptr, kOffScreen, kOffScreen, kSize, kSize,
                         SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER);
            return 0;
        case WM_ACTIVATEAPP:
            if (!wParam && m_keepAtBottom) SendToBottom();
            break;
        case WM_GETICON:
            if (wParam == ICON_BIG && m_bigIcon) return reinterpret_cast<LRESULT>(m_bigIcon);
            return reinterpret_cast<LRESULT>(m_smallIcon ? m_smallIcon : m_bigIcon);
        case WM_QUERYDRAGICON:
            return reinterpret_cast<LRESULT>(m_bigIcon ? m_bigIcon : m_smallIcon);
        case WM_KEYDOWN:
            if (wParam == VK_RETURN) {
                Report(kAltTabEnter);
                return 0;
            }
            break;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) {
                // The entry must stay in the switcher while the program runs.
                LogWrite(L"SC_CLOSE NO!!!");
                MessageBeep(0xFFFFFFFF);
                return 0;
            }
            if ((wParam & 0xFFF0) == SC_MONITORPOWER) {
                LogWriteFormat(L"SC_MONITORPOWER lParam=%d", static_cast<int>(lParam));
                SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon));
                SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon));
            }
            break;
        case WM_PRINT:
        case WM_PRINTCLIENT: {
            LogWriteFormat(L"WOW: %s: CWndAltTabIcon::On_Wm_PrintClient wParam=%p",
                           message == WM_PRINT ? L"WM_PRINT" : L"WM_PRINTCLIENT", reinterpret_cast<void*>(wParam));
            RECT client = {};
            GetClientRect(window, &client);
            if (HBITMAP picture = DrawPicture(client.right, client.bottom)) {
                HDC memory = CreateCompatibleDC(reinterpret_cast<HDC>(wParam));
                HGDIOBJ old = SelectObject(memory, picture);
                BitBlt(reinterpret_cast<HDC>(wParam), 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
                SelectObject(memory, old);
                DeleteDC(memory);
                KeepPicture(picture);
            }
            break;
        }
        case WM_DWMSENDICONICTHUMBNAIL:
            LogWrite(L"Wow!!! Detected WM_DWMSENDICONICTHUMBNAIL");
            if (HBITMAP picture = DrawPicture(HIWORD(lParam), LOWORD(lParam))) {
                KeepPicture(picture);
                Platform::DwmSetIconicThumbnail(window, picture, DWM_SIT_DISPLAYFRAME);
            }
            break;
        case WM_DWMSENDICONICLIVEPREVIEWBITMAP:
            LogWrite(L"Wow!!! Detected WM_DWMSENDICONICLIVEPREVIEWBITMAP");
            Platform::DwmSetIconicLivePreviewBitmap(window, m_picture.get());
            return 0;
        case WM_APP + 1:
            if (m_keepAtBottom) SendToBottom();
            return 0;
        case WM_NCDESTROY:
            if (m_hook) UnhookWinEvent(m_hook);
            m_hook = nullptr;
            if (g_altTab == this) g_altTab = nullptr;
            m_window = nullptr;
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            return DefWindowProcW(window, message, wParam, lParam);
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void CWndAltTabIcon::OnWinEvent(DWORD event, HWND window) {
    switch (event) {
        case EVENT_SYSTEM_SWITCHSTART:
            LogWrite(L"Switch Start");
            m_switch.OnSwitchStart();
            if (m_window) SendMessageW(m_window, WM_APP + 1, 1, 0);
            break;
        case EVENT_SYSTEM_SWITCHEND:
            LogWrite(L"Switch End\n");
            m_switch.OnSwitchEnd(GetTickCount());
            break;
        case EVENT_OBJECT_FOCUS:
            if (window && window == m_window && m_switch.OnFocus(GetTickCount())) Report(kAltTabFromSwitcher);
            break;
        default:
            break;
    }
}

void CWndAltTabIcon::SendToBottom() {
    if (m_window) SetWindowPos(m_window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    if (m_notifyWindow) SetWindowPos(m_notifyWindow, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

void CWndAltTabIcon::Report(WPARAM reason) {
    if (m_notifyWindow) SendMessageW(m_notifyWindow, m_notifyMessage, reason, 0);
}

HICON CWndAltTabIcon::DrawingIcon() const {
    if (IsValidIcon(m_bigIcon)) return m_bigIcon;
    if (IsValidIcon(m_smallIcon)) return m_smallIcon;
    return nullptr;
}

void CWndAltTabIcon::KeepPicture(HBITMAP picture) {
    m_picture.reset(picture);
}

HBITMAP CWndAltTabIcon::DrawPicture(int width, int height) const {
    if (width <= 0 || height <= 0) return nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (!memory) return nullptr;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!picture) {
        DeleteDC(memory);
        return nullptr;
    }
    HGDIOBJ old = SelectObject(memory, picture);
    RECT all = {0, 0, width, height};
    FillRect(memory, &all, GetSysColorBrush(COLOR_HIGHLIGHT));
    if (HICON icon = DrawingIcon()) {
        ICONINFO iconInfo = {};
        int iconWidth = GetSystemMetrics(SM_CXICON);
        int iconHeight = GetSystemMetrics(SM_CYICON);
        if (GetIconInfo(icon, &iconInfo)) {
            BITMAP bitmap = {};
            if (iconInfo.hbmColor && GetObjectW(iconInfo.hbmColor, sizeof bitmap, &bitmap)) {
                iconWidth = bitmap.bmWidth;
                iconHeight = bitmap.bmHeight;
            }
            if (iconInfo.hbmColor) DeleteObject(iconInfo.hbmColor);
            if (iconInfo.hbmMask) DeleteObject(iconInfo.hbmMask);
        }
        DrawIconEx(memory, (width - iconWidth) / 2, (height - iconHeight) / 2, icon, 0, 0, 0, nullptr, DI_NORMAL);
    }
    wchar_t title[261] = {};
    if (m_window) GetWindowTextW(m_window, title, 261);
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, GetSysColor(COLOR_HIGHLIGHTTEXT));
    RECT text = {20, 20, width, height};
    DrawTextW(memory, title, -1, &text, DT_END_ELLIPSIS);
    GdiFlush();
    SelectObject(memory, old);
    DeleteDC(memory);
    return picture;
}

CWndAltTabIconHolder::CWndAltTabIconHolder() : m_dwmapi(Platform::LoadDwmapi()) {}

CWndAltTabIconHolder::~CWndAltTabIconHolder() {
    Destroy();
}

bool CWndAltTabIconHolder::Create(HWND owner, UINT notifyMessage) {
    if (IsWindow()) return true;
    HINSTANCE module = GetModuleHandleW(nullptr);
    const UINT iconId = IsUserAdmin() ? IDI_APP_READY_ADMIN : IDI_APP_READY;
    m_smallIcon.reset(static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(iconId), IMAGE_ICON, 16, 16, 0)));
    m_bigIcon.reset(static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(iconId), IMAGE_ICON, 32, 32, 0)));
    if (!m_icon) m_icon = std::make_unique<CWndAltTabIcon>(owner, notifyMessage);
    if (!m_icon->Create(owner, GetAppWindowTitle(true), m_bigIcon.get(), m_smallIcon.get(), module)) {
        LogError(L"CWndAltTabIconHolder::Create: the Alt-Tab window cannot be made");
        m_icon.reset();
        return false;
    }
    return true;
}

bool CWndAltTabIconHolder::Destroy() {
    if (!m_icon) return false;
    const bool hadWindow = m_icon->Window() != nullptr;
    m_icon.reset();
    return hadWindow;
}

bool CWndAltTabIconHolder::IsWindow() const {
    return m_icon && ::IsWindow(m_icon->Window());
}

void CWndAltTabIconHolder::SetText() {
    if (!IsWindow()) return;
    SetWindowTextW(m_icon->Window(), GetAppWindowTitle(true));
    InvalidateRect(m_icon->Window(), nullptr, TRUE);
}
