#include "platform/wtl/WtlLayer.h"

#include <algorithm>

namespace wtl {

namespace {

// The object of a window is kept in a window property rather than in GWLP_USERDATA,
// which a subclassed control may use for itself.
const wchar_t kObjectProperty[] = L"VexloraWindowObject";

thread_local CWindowImplBase* t_creating = nullptr;

template <class T>
void RemoveOne(std::vector<T*>& list, T* item) {
    auto it = std::find(list.begin(), list.end(), item);
    if (it != list.end()) list.erase(it);
}

// Messages whose dialog-procedure result is the value itself rather than TRUE.
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

}  // namespace

void CMessageLoop::AddMessageFilter(CMessageFilter* filter) {
    if (filter) m_filters.push_back(filter);
}

void CMessageLoop::RemoveMessageFilter(CMessageFilter* filter) { RemoveOne(m_filters, filter); }

void CMessageLoop::AddIdleHandler(CIdleHandler* handler) {
    if (handler) m_idleHandlers.push_back(handler);
}

void CMessageLoop::RemoveIdleHandler(CIdleHandler* handler) { RemoveOne(m_idleHandlers, handler); }

BOOL CMessageLoop::PreTranslateMessage(MSG* msg) {
    // A filter may remove itself while it runs: walk a copy.
    std::vector<CMessageFilter*> filters = m_filters;
    for (auto it = filters.rbegin(); it != filters.rend(); ++it)
        if ((*it)->PreTranslateMessage(msg)) return TRUE;
    return FALSE;
}

bool CMessageLoop::IsIdleMessage(const MSG& msg) {
    // These come in streams; resuming idle work after each would keep it running.
    switch (msg.message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_PAINT:
    case 0x0118:  // WM_SYSTIMER, the caret's blink
        return false;
    default:
        return true;
    }
}

BOOL CMessageLoop::OnIdle(int /*idleCount*/) {
    std::vector<CIdleHandler*> handlers = m_idleHandlers;
    bool more = !handlers.empty();
    for (CIdleHandler* handler : handlers)
        if (!handler->OnIdle()) more = false;
    return more;
}

int CMessageLoop::Run() {
    bool doIdle = true;
    int idleCount = 0;
    MSG msg = {};
    for (;;) {
        while (doIdle && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++)) doIdle = false;
        }
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) continue;
        if (!got) break;
        if (!PreTranslateMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (IsIdleMessage(msg)) {
            doIdle = true;
            idleCount = 0;
        }
    }
    return static_cast<int>(msg.wParam);
}

HRESULT CAppModule::Init(HINSTANCE instance, DWORD threadId) {
    if (!m_initialised) InitializeCriticalSection(&m_lock);
    m_initialised = true;
    m_instance = instance;
    m_mainThread = threadId;
    return S_OK;
}

void CAppModule::Term() {
    if (!m_initialised) return;
    m_loops.clear();
    DeleteCriticalSection(&m_lock);
    m_initialised = false;
    m_instance = nullptr;
}

bool CAppModule::AddMessageLoop(CMessageLoop* loop) {
    if (!m_initialised || !loop) return false;
    EnterCriticalSection(&m_lock);
    DWORD thread = GetCurrentThreadId();
    bool added = std::none_of(m_loops.begin(), m_loops.end(), [&](const LoopEntry& e) { return e.threadId == thread; });
    if (added) m_loops.push_back({thread, loop});
    LeaveCriticalSection(&m_lock);
    return added;
}

bool CAppModule::RemoveMessageLoop() {
    if (!m_initialised) return false;
    EnterCriticalSection(&m_lock);
    DWORD thread = GetCurrentThreadId();
    auto it = std::find_if(m_loops.begin(), m_loops.end(), [&](const LoopEntry& e) { return e.threadId == thread; });
    bool removed = it != m_loops.end();
    if (removed) m_loops.erase(it);
    LeaveCriticalSection(&m_lock);
    return removed;
}

CMessageLoop* CAppModule::GetMessageLoop(DWORD threadId) const {
    if (!m_initialised) return nullptr;
    EnterCriticalSection(&m_lock);
    CMessageLoop* loop = nullptr;
    for (const LoopEntry& entry : m_loops)
        if (entry.threadId == threadId) loop = entry.loop;
    LeaveCriticalSection(&m_lock);
    return loop;
}

CAppModule& Module() {
    static CAppModule module;
    return module;
}

CWindowImplBase::~CWindowImplBase() {
    if (!m_hWnd || !::IsWindow(m_hWnd)) return;
    // The derived part is already gone: no message may reach its map any more.
    HWND window = m_hWnd;
    RemovePropW(window, kObjectProperty);
    if (m_superProc) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superProc));
    } else {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&::DefWindowProcW));
        ::DestroyWindow(window);
    }
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
        windowClass.lpfnWndProc = &StartWindowProc;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        windowClass.lpszClassName = GetWndClassName();
        if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
    }
    t_creating = this;
    HWND window = CreateWindowExW(exStyle, GetWndClassName(), windowName, style, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, parent, menuOrId, instance,
                                  createParam);
    t_creating = nullptr;
    return window;
}

BOOL CWindowImplBase::SubclassWindow(HWND window) {
    if (m_hWnd || !::IsWindow(window) || GetPropW(window, kObjectProperty)) return FALSE;
    m_hWnd = window;
    SetPropW(window, kObjectProperty, this);
    m_superProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc)));
    return TRUE;
}

HWND CWindowImplBase::UnsubclassWindow() {
    HWND window = m_hWnd;
    if (!window || !m_superProc) return nullptr;
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superProc));
    RemovePropW(window, kObjectProperty);
    m_superProc = nullptr;
    m_hWnd = nullptr;
    return window;
}

LRESULT CWindowImplBase::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return m_superProc ? CallWindowProcW(m_superProc, m_hWnd, message, wParam, lParam)
                       : ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CWindowImplBase::StartWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CWindowImplBase* self = t_creating;
    if (!self) return ::DefWindowProcW(window, message, wParam, lParam);
    t_creating = nullptr;
    self->m_hWnd = window;
    SetPropW(window, kObjectProperty, self);
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
    return self->Dispatch(message, wParam, lParam);
}

LRESULT CALLBACK CWindowImplBase::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<CWindowImplBase*>(GetPropW(window, kObjectProperty));
    if (!self) return ::DefWindowProcW(window, message, wParam, lParam);
    return self->Dispatch(message, wParam, lParam);
}

LRESULT CWindowImplBase::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = m_hWnd;
    LRESULT result = 0;
    if (!ProcessWindowMessage(window, message, wParam, lParam, result))
        result = DefWindowProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        RemovePropW(window, kObjectProperty);
        if (m_superProc)
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superProc));
        m_superProc = nullptr;
        m_hWnd = nullptr;
        OnFinalMessage(window);
    }
    return result;
}

CDialogImplBase::~CDialogImplBase() {
    if (!m_hWnd || !::IsWindow(m_hWnd)) return;
    HWND window = m_hWnd;
    RemovePropW(window, kObjectProperty);
    m_hWnd = nullptr;
    if (!m_modal) ::DestroyWindow(window);
}

INT_PTR CDialogImplBase::DoModal(HWND parent, LPARAM initParam, HINSTANCE module) {
    if (m_hWnd) return -1;
    if (!module) module = Module().GetResourceInstance();
    if (!module) module = GetModuleHandleW(nullptr);
    m_initParam = initParam;
    m_modal = true;
    return DialogBoxParamW(module, MAKEINTRESOURCEW(m_templateId), parent, &DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

HWND CDialogImplBase::Create(HWND parent, LPARAM initParam, HINSTANCE module) {
    if (m_hWnd) return nullptr;
    if (!module) module = Module().GetResourceInstance();
    if (!module) module = GetModuleHandleW(nullptr);
    m_initParam = initParam;
    m_modal = false;
    return CreateDialogParamW(module, MAKEINTRESOURCEW(m_templateId), parent, &DialogProc,
                              reinterpret_cast<LPARAM>(this));
}

BOOL CDialogImplBase::EndDialog(INT_PTR result) {
    if (!m_hWnd) return FALSE;
    return m_modal ? ::EndDialog(m_hWnd, result) : ::DestroyWindow(m_hWnd);
}

INT_PTR CALLBACK CDialogImplBase::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialogImplBase* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialogImplBase*>(lParam);
        self->m_hWnd = window;
        SetPropW(window, kObjectProperty, self);
        lParam = self->m_initParam;
    } else {
        self = static_cast<CDialogImplBase*>(GetPropW(window, kObjectProperty));
    }
    if (!self) return FALSE;
    LRESULT result = 0;
    BOOL handled = self->ProcessWindowMessage(window, message, wParam, lParam, result);
    if (message == WM_NCDESTROY) {
        RemovePropW(window, kObjectProperty);
        self->m_hWnd = nullptr;
        self->OnFinalMessage(window);
        return FALSE;
    }
    if (!handled) return FALSE;
    if (ReturnsValueDirectly(message)) return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace wtl
