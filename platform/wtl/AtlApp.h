// Stands in for the ATL/WTL application pieces (atlapp.h), which are not available to this
// build. Covers the module object with the message loop of each UI thread, and the
// message loop with message filters and idle handlers.
#pragma once

#include <windows.h>

#include <vector>

namespace wtl {

class CMessageFilter {
public:
    virtual ~CMessageFilter() = default;
    // True when the filter took the message; it is then neither translated nor dispatched.
    virtual BOOL PreTranslateMessage(MSG* msg) = 0;
};

class CIdleHandler {
public:
    virtual ~CIdleHandler() = default;
    // True when the handler wants to be called again before the loop blocks.
    virtual BOOL OnIdle() = 0;
};

class CMessageLoop {
public:
    void AddMessageFilter(CMessageFilter* filter);
    void RemoveMessageFilter(CMessageFilter* filter);
    void AddIdleHandler(CIdleHandler* handler);
    void RemoveIdleHandler(CIdleHandler* handler);

    // Runs until WM_QUIT and returns its code. While no message waits, the idle
    // handlers run with a growing idle count until one of them returns false.
    int Run();

    // Offers the message to the filters, the last registered first.
    BOOL PreTranslateMessage(MSG* msg);
    // False for messages after which idle processing is not resumed.
    static bool IsIdleMessage(const MSG& msg);
    // Runs every idle handler; true when any of them asks for more.
    BOOL OnIdle(int idleCount);

private:
    std::vector<CMessageFilter*> m_filters;
    std::vector<CIdleHandler*> m_idleHandlers;
};

// The module object: the instance handle, the main thread and the message loop of
// each UI thread.
class CAppModule {
public:
    HRESULT Init(HINSTANCE instance, DWORD threadId = GetCurrentThreadId());
    void Term();
    HINSTANCE GetModuleInstance() const { return m_instance; }
    HINSTANCE GetResourceInstance() const { return m_instance; }
    bool AddMessageLoop(CMessageLoop* loop);
    bool RemoveMessageLoop();
    CMessageLoop* GetMessageLoop(DWORD threadId = GetCurrentThreadId()) const;

private:
    struct LoopEntry {
        DWORD threadId;
        CMessageLoop* loop;
    };
    HINSTANCE m_instance = nullptr;
    DWORD m_mainThread = 0;
    std::vector<LoopEntry> m_loops;
    mutable CRITICAL_SECTION m_lock;
    bool m_initialised = false;
};

CAppModule& Module();

}  // namespace wtl
