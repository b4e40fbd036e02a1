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
