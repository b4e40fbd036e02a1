// How the run-time bound platform functions reach the system: modules and functions
// looked up by name, never through the import table, so that the program still starts
// where a library or a function is missing. All lookups go through one binder, which
// tests replace to stand in for a system that lacks something.
#pragma once

#include <windows.h>

class IPlatformBinder {
public:
    virtual ~IPlatformBinder() = default;
    // An already loaded module (GetModuleHandleW); no reference is taken.
    virtual HMODULE FindLoaded(const wchar_t* name) = 0;
    // LoadLibraryW: one reference, given back with Release.
    virtual HMODULE Load(const wchar_t* name) = 0;
    virtual void Release(HMODULE module) = 0;
    virtual FARPROC FindProc(HMODULE module, const char* name) = 0;
};

IPlatformBinder& GetPlatformBinder();

// Puts another binder in place (null: the system's again) and returns the previous one.
// Modules kept for the process (KeepModuleLoaded) are given back to the binder that
// loaded them first. Only while no other thread binds anything.
IPlatformBinder* SetPlatformBinderForTest(IPlatformBinder* binder);

// The function of that name in the module as the wrapper's own pointer type; null when
// the module is null or has no such export.
template <class Function>
Function BindProc(HMODULE module, const char* name) {
    if (!module) return nullptr;
    FARPROC proc = GetPlatformBinder().FindProc(module, name);
    // Through void (*)(): the one function type gcc lets stand for any other.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

// Loads the module on the first successful call and keeps it loaded for the rest of
// the process, like an imported library; later calls return the same handle.
HMODULE KeepModuleLoaded(const wchar_t* name);

// One module reference taken through the binder and given back through the same binder.
class CBoundModule {
public:
    CBoundModule() noexcept = default;
    explicit CBoundModule(const wchar_t* name);
    CBoundModule(CBoundModule&& other) noexcept;
    CBoundModule& operator=(CBoundModule&& other) noexcept;
    CBoundModule(const CBoundModule&) = delete;
    CBoundModule& operator=(const CBoundModule&) = delete;
    ~CBoundModule() { reset(); }

    HMODULE get() const noexcept { return m_module; }
    explicit operator bool() const noexcept { return m_module != nullptr; }
    void reset() noexcept;

private:
    HMODULE m_module = nullptr;
    IPlatformBinder* m_binder = nullptr;
};
