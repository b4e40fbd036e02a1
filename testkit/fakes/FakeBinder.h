// A system as the run-time binder shows it: which modules exist and which functions they
// export, for tests of code that binds optional system functions.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "core/base/PlatformBinding.h"

namespace testkit {

class CFakeBinder final : public IPlatformBinder {
public:
    bool loadedModules = true;    // answer of FindLoaded
    bool loadableModules = true;  // answer of Load
    std::map<std::string, FARPROC> functions;
    int loads = 0;
    int frees = 0;

    template <class Function>
    void Export(const char* name, Function function) {
        functions[name] = reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
    }

    HMODULE FindLoaded(const wchar_t*) override { return loadedModules ? FakeModule() : nullptr; }
    HMODULE Load(const wchar_t*) override {
        if (!loadableModules) return nullptr;
        ++loads;
        return FakeModule();
    }
    void Release(HMODULE) override { ++frees; }
    FARPROC FindProc(HMODULE, const char* name) override {
        auto found = functions.find(name);
        return found == functions.end() ? nullptr : found->second;
    }

private:
    // Any real module will do: nothing is ever called through it.
    static HMODULE FakeModule() { return GetModuleHandleW(nullptr); }
};

class CScopedBinder {
public:
    explicit CScopedBinder(IPlatformBinder* binder) : m_previous(SetPlatformBinderForTest(binder)) {}
    ~CScopedBinder() { SetPlatformBinderForTest(m_previous); }
    CScopedBinder(const CScopedBinder&) = delete;
    CScopedBinder& operator=(const CScopedBinder&) = delete;

private:
    IPlatformBinder* m_previous;
};

}  // namespace testkit
