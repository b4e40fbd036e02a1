// Owners for the handles the programs use everywhere. Each owner closes its handle
// once, cannot be copied and can be moved; get() lends the handle without giving it
// away, release() gives it away, reset() closes the old one and takes a new one.
#pragma once

#include <windows.h>

#include <utility>

template <class Traits>
class CUniqueHandle {
public:
    using Type = typename Traits::Type;

    CUniqueHandle() noexcept : m_handle(Traits::Invalid()) {}
    explicit CUniqueHandle(Type handle) noexcept : m_handle(handle) {}
    CUniqueHandle(CUniqueHandle&& other) noexcept : m_handle(other.release()) {}
    CUniqueHandle& operator=(CUniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    CUniqueHandle(const CUniqueHandle&) = delete;
    CUniqueHandle& operator=(const CUniqueHandle&) = delete;
    ~CUniqueHandle() { reset(); }

    Type get() const noexcept { return m_handle; }
    bool valid() const noexcept { return Traits::IsValid(m_handle); }
    explicit operator bool() const noexcept { return valid(); }

    Type release() noexcept { return std::exchange(m_handle, Traits::Invalid()); }
    void reset(Type handle = Traits::Invalid()) noexcept {
        Type old = std::exchange(m_handle, handle);
        if (Traits::IsValid(old) && old != handle) Traits::Close(old);
    }

private:
    Type m_handle;
};

namespace handle_traits {

// Events, mutexes, threads, processes, file mappings: invalid is null.
struct Kernel {
    using Type = HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { CloseHandle(h); }
};

// CreateFile reports failure with INVALID_HANDLE_VALUE.
struct File : Kernel {
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
};

struct MappedView {
    using Type = void*;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type p) noexcept { return p != nullptr; }
    static void Close(Type p) noexcept { UnmapViewOfFile(p); }
};

template <class T>
struct Gdi {
    using Type = T;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type h) noexcept { return h != nullptr; }
    static void Close(Type h) noexcept { DeleteObject(h); }
};

struct RegKey {
    using Type = HKEY;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type h) noexcept { return h != nullptr; }
    // The predefined roots (HKEY_CURRENT_USER ...) are never closed.
    static void Close(Type h) noexcept {
        if (reinterpret_cast<ULONG_PTR>(h) < 0x80000000u) RegCloseKey(h);
    }
};

struct Library {
    using Type = HMODULE;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type h) noexcept { return h != nullptr; }
    static void Close(Type h) noexcept { FreeLibrary(h); }
};

struct Find {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { FindClose(h); }
};

struct Icon {
    using Type = HICON;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type h) noexcept { return h != nullptr; }
    static void Close(Type h) noexcept { DestroyIcon(h); }
};

struct Menu {
    using Type = HMENU;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type h) noexcept { return h != nullptr; }
    static void Close(Type h) noexcept { DestroyMenu(h); }
};

struct MemoryDC {
    using Type = HDC;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type h) noexcept { return h != nullptr; }
    static void Close(Type h) noexcept { DeleteDC(h); }
};

struct Hook {
    using Type = HHOOK;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type h) noexcept { return h != nullptr; }
    static void Close(Type h) noexcept { UnhookWindowsHookEx(h); }
};

struct WinEventHook {
    using Type = HWINEVENTHOOK;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type h) noexcept { return h != nullptr; }
    static void Close(Type h) noexcept { UnhookWinEvent(h); }
};

// Memory that SetClipboardData has taken is the clipboard's: release() it then.
struct GlobalMemory {
    using Type = HGLOBAL;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type h) noexcept { return h != nullptr; }
    static void Close(Type h) noexcept { GlobalFree(h); }
};

struct Window {
    using Type = HWND;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsValid(Type h) noexcept { return h != nullptr; }
    static void Close(Type h) noexcept { DestroyWindow(h); }
};

}  // namespace handle_traits

using CHandle = CUniqueHandle<handle_traits::Kernel>;
using CFileHandle = CUniqueHandle<handle_traits::File>;
using CMappedView = CUniqueHandle<handle_traits::MappedView>;
template <class T>
using CGdiHandle = CUniqueHandle<handle_traits::Gdi<T>>;
using CFontHandle = CGdiHandle<HFONT>;
using CPenHandle = CGdiHandle<HPEN>;
using CBrushHandle = CGdiHandle<HBRUSH>;
using CBitmapHandle = CGdiHandle<HBITMAP>;
using CRegionHandle = CGdiHandle<HRGN>;
using CRegKeyHandle = CUniqueHandle<handle_traits::RegKey>;
using CLibraryHandle = CUniqueHandle<handle_traits::Library>;
using CFindHandle = CUniqueHandle<handle_traits::Find>;
using CIconHandle = CUniqueHandle<handle_traits::Icon>;
using CMenuHandle = CUniqueHandle<handle_traits::Menu>;
using CMemoryDC = CUniqueHandle<handle_traits::MemoryDC>;
using CHookHandle = CUniqueHandle<handle_traits::Hook>;
using CWinEventHookHandle = CUniqueHandle<handle_traits::WinEventHook>;
using CGlobalMemory = CUniqueHandle<handle_traits::GlobalMemory>;
// DestroyWindow works only on the thread that created the window: the owner must end there.
using CWindowHandle = CUniqueHandle<handle_traits::Window>;

// One reference to a COM object, released once by its last owner. out() empties the
// owner and hands the slot to a function that fills it (CoCreateInstance, QueryInterface).
template <class T>
class CComPtr {
public:
    CComPtr() noexcept = default;
    // Takes over a reference the caller holds; adds none.
    explicit CComPtr(T* object) noexcept : m_object(object) {}
    CComPtr(CComPtr&& other) noexcept : m_object(other.release()) {}
    CComPtr& operator=(CComPtr&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    CComPtr(const CComPtr&) = delete;
    CComPtr& operator=(const CComPtr&) = delete;
    ~CComPtr() { reset(); }

    T* get() const noexcept { return m_object; }
    T* operator->() const noexcept { return m_object; }
    explicit operator bool() const noexcept { return m_object != nullptr; }

    T* release() noexcept { return std::exchange(m_object, nullptr); }
    void reset(T* object = nullptr) noexcept {
        T* old = std::exchange(m_object, object);
        if (old && old != object) old->Release();
    }
    T** out() noexcept {
        reset();
        return &m_object;
    }
    void** outVoid() noexcept { return reinterpret_cast<void**>(out()); }

private:
    T* m_object = nullptr;
};

// COM for the calling thread, for a scope. A thread already initialised in the same
// model counts as success (S_FALSE) and is balanced too; another model fails and is
// not undone.
class CComInit {
public:
    explicit CComInit(DWORD model = COINIT_APARTMENTTHREADED) noexcept : m_result(CoInitializeEx(nullptr, model)) {}
    ~CComInit() {
        if (SUCCEEDED(m_result)) CoUninitialize();
    }
    CComInit(const CComInit&) = delete;
    CComInit& operator=(const CComInit&) = delete;
    HRESULT result() const noexcept { return m_result; }
    bool succeeded() const noexcept { return SUCCEEDED(m_result); }

private:
    HRESULT m_result;
};

// OLE (drag and drop, the OLE clipboard, RichEdit objects) for the calling thread, for a scope.
class COleInit {
public:
    COleInit() noexcept : m_result(OleInitialize(nullptr)) {}
    ~COleInit() {
        if (SUCCEEDED(m_result)) OleUninitialize();
    }
    COleInit(const COleInit&) = delete;
    COleInit& operator=(const COleInit&) = delete;
    HRESULT result() const noexcept { return m_result; }
    bool succeeded() const noexcept { return SUCCEEDED(m_result); }

private:
    HRESULT m_result;
};

// Keeps the clipboard open for a scope. Another program may hold it for a moment, so
// opening asks again every retryMs until timeoutMs has passed (asking once more at the
// end); a time-out of 0 asks once.
class CClipboardOpen {
public:
    static constexpr DWORD kDefaultRetryMs = 15;

    CClipboardOpen(HWND owner, DWORD timeoutMs, DWORD retryMs = kDefaultRetryMs) noexcept {
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        for (;;) {
            const bool late = GetTickCount64() >= deadline;
            if (OpenClipboard(owner)) {
                m_open = true;
                return;
            }
            if (late) return;
            Sleep(retryMs);
        }
    }
    ~CClipboardOpen() {
        if (m_open) CloseClipboard();
    }
    CClipboardOpen(const CClipboardOpen&) = delete;
    CClipboardOpen& operator=(const CClipboardOpen&) = delete;
    bool opened() const noexcept { return m_open; }
    explicit operator bool() const noexcept { return m_open; }

private:
    bool m_open = false;
};

// A window's device context from GetDC, given back with ReleaseDC.
class CClientDC {
public:
    explicit CClientDC(HWND window) noexcept : m_window(window), m_dc(GetDC(window)) {}
    ~CClientDC() {
        if (m_dc) ReleaseDC(m_window, m_dc);
    }
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;
    HDC get() const noexcept { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
};

// Selects an object into a device context for a scope and puts the old one back.
class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ object) noexcept : m_dc(dc), m_old(object ? SelectObject(dc, object) : nullptr) {}
    ~CSelectObject() {
        if (m_old && m_old != HGDI_ERROR) SelectObject(m_dc, m_old);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// Locks global memory for a scope.
template <class T>
class CGlobalLock {
public:
    explicit CGlobalLock(HGLOBAL memory) noexcept
        : m_memory(memory), m_data(memory ? static_cast<T*>(GlobalLock(memory)) : nullptr) {}
    ~CGlobalLock() {
        if (m_data) GlobalUnlock(m_memory);
    }
    CGlobalLock(const CGlobalLock&) = delete;
    CGlobalLock& operator=(const CGlobalLock&) = delete;
    T* get() const noexcept { return m_data; }
    SIZE_T size() const noexcept { return m_data ? GlobalSize(m_memory) : 0; }

private:
    HGLOBAL m_memory;
    T* m_data;
};

// A system cursor shown for a scope, the old one put back at its end. With nudgeOnRestore
// the pointer is moved a pixel and back, or the restored cursor would show only after the
// user moves the mouse.
class CScopedCursor {
public:
    explicit CScopedCursor(LPCWSTR cursor, bool nudgeOnRestore = false) noexcept
        : m_previous(SetCursor(LoadCursorW(nullptr, cursor))), m_nudge(nudgeOnRestore) {}
    ~CScopedCursor() {
        SetCursor(m_previous);
        POINT point;
        if (m_nudge && GetCursorPos(&point)) {
            SetCursorPos(point.x, point.y + 1);
            SetCursorPos(point.x, point.y);
        }
    }
    CScopedCursor(const CScopedCursor&) = delete;
    CScopedCursor& operator=(const CScopedCursor&) = delete;
    HCURSOR previous() const noexcept { return m_previous; }

private:
    HCURSOR m_previous;
    bool m_nudge;
};
