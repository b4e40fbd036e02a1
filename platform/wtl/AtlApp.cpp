#include "platform/wtl/AtlApp.h"

#include <algorithm>

namespace wtl {

namespace {

template <class T>
void RemoveOne(std::vector<T*>& list, T* item) {
    auto it = std::find(list.begin(), list.end(), item);
    if (it != list.end()) list.erase(it);
}

}  // namespace

void CMessageLoop::AddMessageFilter(CMessageFilter* filter) {
    if (filter) m_filters.push_back(filter);
}

void CMessageLoop::RemoveMessageFilter(CMessageFilter* filter) {
    RemoveOne(m_filters, filter);
}

void CMessageLoop::AddIdleHandler(CIdleHandler* handler) {
    if (handler) m_idleHandlers.push_back(handler);
}

void CMessageLoop::RemoveIdleHandler(CIdleHandler* handler) {
    RemoveOne(m_idleHandlers, handler);
}

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

}  // namespace wtl
