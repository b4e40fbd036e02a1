// Stands in for the ATL/WTL window templates, which are not available to this build.
// Covers what the programs use of them: the module object with its message loops,
// the message loop with message filters and idle handlers, a thin window handle
// wrapper, window implementations with message maps (handlers return a result and a
// handled flag), subclassing of existing windows, and dialog implementations.
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

// A window handle that owns nothing.
class CWindow {
public:
    CWindow(HWND window = nullptr) : m_hWnd(window) {}
    operator HWND() const { return m_hWnd; }
    BOOL IsWindow() const { return ::IsWindow(m_hWnd); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL DestroyWindow() { return ::DestroyWindow(m_hWnd); }
    BOOL ShowWindow(int command) const { return ::ShowWindow(m_hWnd, command); }
    BOOL SetWindowText(const wchar_t* text) const { return ::SetWindowTextW(m_hWnd, text); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

    HWND m_hWnd;
};

// The dispatch every window implementation and dialog provides through its message map.
class CMessageMap {
public:
    virtual ~CMessageMap() = default;
    virtual BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
};

// A window of our own class, or an existing window subclassed, whose messages go to
// the message map of the derived class; what the map leaves goes to the default
// procedure (or the subclassed window's own procedure).
class CWindowImplBase : public CWindow, public CMessageMap {
public:
    CWindowImplBase() = default;
    CWindowImplBase(const CWindowImplBase&) = delete;
    CWindowImplBase& operator=(const CWindowImplBase&) = delete;
    ~CWindowImplBase() override;

    // Registers the class on first use (CS_HREDRAW|CS_VREDRAW|CS_DBLCLKS, arrow cursor)
    // and creates the window. Null on failure.
    HWND Create(HWND parent, const RECT& rect, const wchar_t* windowName, DWORD style, DWORD exStyle = 0,
                HMENU menuOrId = nullptr, void* createParam = nullptr);
    // Takes over an existing window's messages; false when it is not a window or
    // already subclassed by this object.
    BOOL SubclassWindow(HWND window);
    // Gives the window its own procedure back. Returns the window.
    HWND UnsubclassWindow();

    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

protected:
    // The name of the window class to register; one per derived class.
    virtual const wchar_t* GetWndClassName() const = 0;
    // Called after the last message of the window (WM_NCDESTROY).
    virtual void OnFinalMessage(HWND) {}

private:
    static LRESULT CALLBACK StartWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    WNDPROC m_superProc = nullptr;  // the subclassed window's own procedure, or null
};

// A dialog from a template resource; its messages go to the derived class's map.
// Unhandled messages return FALSE to the dialog manager.
class CDialogImplBase : public CWindow, public CMessageMap {
public:
    explicit CDialogImplBase(UINT templateId) : m_templateId(templateId) {}
    CDialogImplBase(const CDialogImplBase&) = delete;
    CDialogImplBase& operator=(const CDialogImplBase&) = delete;
    ~CDialogImplBase() override;

    INT_PTR DoModal(HWND parent = GetActiveWindow(), LPARAM initParam = 0, HINSTANCE module = nullptr);
    HWND Create(HWND parent, LPARAM initParam = 0, HINSTANCE module = nullptr);
    BOOL EndDialog(INT_PTR result);
    LPARAM GetInitParam() const { return m_initParam; }
    UINT GetTemplateId() const { return m_templateId; }

protected:
    virtual void OnFinalMessage(HWND) {}

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_templateId;
    LPARAM m_initParam = 0;
    bool m_modal = false;
};

}  // namespace wtl

// Message maps: a flat list, one line per message. A handler has the form
//   LRESULT OnX(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled)
// and clears `handled` to let the message go on. Command handlers have the form
//   LRESULT OnY(WORD notifyCode, WORD id, HWND control, BOOL& handled).
#define BEGIN_MSG_MAP(theClass)                                                                              \
    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override { \
        (void)hWnd;                                                                                            \
        (void)uMsg;                                                                                            \
        (void)wParam;                                                                                          \
        (void)lParam;                                                                                          \
        (void)lResult;                                                                                         \
        BOOL bHandled = TRUE;

#define MESSAGE_HANDLER(msg, func)                      \
    if (uMsg == (msg)) {                                \
        bHandled = TRUE;                                \
        lResult = func(uMsg, wParam, lParam, bHandled); \
        if (bHandled) return TRUE;                      \
    }

#define MESSAGE_RANGE_HANDLER(msgFirst, msgLast, func)  \
    if (uMsg >= (msgFirst) && uMsg <= (msgLast)) {      \
        bHandled = TRUE;                                \
        lResult = func(uMsg, wParam, lParam, bHandled); \
        if (bHandled) return TRUE;                      \
    }

#define COMMAND_ID_HANDLER(id, func)                                                                    \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (id)) {                                                 \
        bHandled = TRUE;                                                                                \
        lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled);     \
        if (bHandled) return TRUE;                                                                      \
    }

#define CHAIN_MSG_MAP(baseClass)                                                          \
    if (baseClass::ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult)) return TRUE;

#define END_MSG_MAP() \
    (void)bHandled;   \
    return FALSE;     \
    }
