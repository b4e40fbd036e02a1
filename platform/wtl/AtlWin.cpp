#include "platform/wtl/AtlWin.h"

#include "platform/wtl/AtlApp.h"

namespace wtl {

CWindowImplBase::~CWindowImplBase() {
    if (!m_hWnd || !::IsWindow(m_hWnd)) return;
    // The derived part is already gone: no message may reach its map any more.
    HWND window = m_hWnd;
    if (m_superProc) {
        wincore::UnsubclassObject(window);
    } else {
        wincore::DetachObject(window);
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&::DefWindowProcW));
        ::DestroyWindow(window);
    }
    m_superProc = nullptr;
    m_hWnd = nullptr;
}

HWND CWindowImplBase::Create(HWND parent, const RECT& rect, const wchar_t* windowName, DWORD style, DWORD exStyle,
                             HMENU menuOrId, void* createParam) {
    if (m_hWnd) return nullptr;
    HINSTANCE instance = Module().GetModuleInstance();
    if (!instance) instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW existing = {};
    existing.cbSize = sizeof existing;
    if (!GetClassInfoExW(instance, GetWndClassName(), &existing)) {
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        windowClass.lpfnWndProc = &wincore::StartWindowProc;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        windowClass.lpszClassName = GetWndClassName();
        if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
    }
    wincore::CCreationHook hook(this);
    return CreateWindowExW(exStyle, GetWndClassName(), windowName, style, rect.left, rect.top, rect.right - rect.left,
                           rect.bottom - rect.top, parent, menuOrId, instance, createParam);
}

HWND CWindowImplBase::CreateControl(const wchar_t* className, HWND parent, const RECT& rect, DWORD style, DWORD exStyle,
                                    UINT id) {
    if (m_hWnd) return nullptr;
    HINSTANCE instance = Module().GetModuleInstance();
    if (!instance) instance = GetModuleHandleW(nullptr);
    HWND window = CreateWindowExW(exStyle, className, nullptr, style, rect.left, rect.top, rect.right - rect.left,
                                  rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                  instance, nullptr);
    if (!window) return nullptr;
    if (!SubclassWindow(window)) {
        ::DestroyWindow(window);
        return nullptr;
    }
    return window;
}

BOOL CWindowImplBase::SubclassWindow(HWND window) {
    if (m_hWnd || !wincore::SubclassObject(window, this)) return FALSE;
    m_superProc = wincore::PreviousProcedure(window);
    return TRUE;
}

HWND CWindowImplBase::UnsubclassWindow() {
    HWND window = m_hWnd;
    if (!window || !m_superProc || !wincore::UnsubclassObject(window)) return nullptr;
    m_superProc = nullptr;
    m_hWnd = nullptr;
    return window;
}

LRESULT CWindowImplBase::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return m_superProc ? CallWindowProcW(m_superProc, m_hWnd, message, wParam, lParam)
                       : ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

void CWindowImplBase::OnAttached(HWND window) noexcept {
    m_hWnd = window;
}

void CWindowImplBase::OnDetached(HWND window) noexcept {
    m_superProc = nullptr;
    m_hWnd = nullptr;
    OnFinalMessage(window);
}

}  // namespace wtl
