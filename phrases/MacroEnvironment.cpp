#include "phrases/MacroEnvironment.h"

#include <atomic>

#include "core/SystemInfo.h"
#include "core/VersionInfo.h"

namespace {

class CSystemMacroEnvironment final : public IMacroEnvironment {
public:
    SYSTEMTIME GetLocalTime() override {
        SYSTEMTIME time = {};
        ::GetLocalTime(&time);
        return time;
    }
    bool GetCursorPos(POINT& point) override { return ::GetCursorPos(&point) != FALSE; }
    CString GetUserName() override {
        wchar_t name[256] = {};
        DWORD size = 256;
        if (!::GetUserNameW(name, &size)) return CString();
        return CString(name);
    }
    bool GetSystemDirectory(CString& folder) override {
        wchar_t buffer[MAX_PATH + 1] = {};
        const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH);
        if (length == 0 || length > MAX_PATH) return false;
        folder = buffer;
        return true;
    }
    CString GetOSVersionText() override { return ::GetOSVersionText(); }
    CString GetProductVersion(const CString& path) override {
        CFileVersionInfo info(path);
        if (!info.Read()) return CString();
        return info.GetProductVersion();
    }
};

CSystemMacroEnvironment g_systemEnvironment;
std::atomic<IMacroEnvironment*> g_environmentOverride{nullptr};

}  // namespace

IMacroEnvironment& GetMacroEnvironment() {
    IMacroEnvironment* environment = g_environmentOverride.load();
    return environment ? *environment : g_systemEnvironment;
}

void SetMacroEnvironmentForTest(IMacroEnvironment* environment) {
    g_environmentOverride.store(environment);
}
