#include "core/base/PlatformBinding.h"

#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

#include "core/base/CString.h"

namespace {

class CSystemBinder final : public IPlatformBinder {
public:
    HMODULE FindLoaded(const wchar_t* name) override { return GetModuleHandleW(name); }
    HMODULE Load(const wchar_t* name) override { return LoadLibraryW(name); }
    void Release(HMODULE module) override { FreeLibrary(module); }
    FARPROC FindProc(HMODULE module, const char* name) override { return GetProcAddress(module, name); }
};

CSystemBinder g_systemBinder;
std::atomic<IPlatformBinder*> g_binder{&g_systemBinder};

struct KeptModule {
    CString name;
    HMODULE module;
};

std::mutex g_keptLock;
std::vector<KeptModule> g_kept;

}  // namespace

IPlatformBinder& GetPlatformBinder() {
    return *g_binder;
}

IPlatformBinder* SetPlatformBinderForTest(IPlatformBinder* binder) {
    IPlatformBinder* previous = g_binder;
    {
        std::lock_guard<std::mutex> lock(g_keptLock);
        for (const KeptModule& kept : g_kept) previous->Release(kept.module);
        g_kept.clear();
    }
    g_binder = binder ? binder : &g_systemBinder;
    return previous;
}

HMODULE KeepModuleLoaded(const wchar_t* name) {
    std::lock_guard<std::mutex> lock(g_keptLock);
    for (const KeptModule& kept : g_kept)
        if (kept.name.CompareNoCase(name) == 0) return kept.module;
    // A failed load is not remembered: it costs only a path search to try again.
    HMODULE module = GetPlatformBinder().Load(name);
    if (module) g_kept.push_back({CString(name), module});
    return module;
}

CBoundModule::CBoundModule(const wchar_t* name) : m_binder(&GetPlatformBinder()) {
    m_module = m_binder->Load(name);
}

CBoundModule::CBoundModule(CBoundModule&& other) noexcept
    : m_module(std::exchange(other.m_module, nullptr)), m_binder(other.m_binder) {}

CBoundModule& CBoundModule::operator=(CBoundModule&& other) noexcept {
    if (this != &other) {
        reset();
        m_module = std::exchange(other.m_module, nullptr);
        m_binder = other.m_binder;
    }
    return *this;
}

void CBoundModule::reset() noexcept {
    if (m_module) m_binder->Release(m_module);
    m_module = nullptr;
}
