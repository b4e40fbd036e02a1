#include "core/SystemInfo.h"

#include <windows.h>

#include "core/VersionInfo.h"
#include "core/base/PlatformFunctions.h"
#include "core/base/Privileges.h"

namespace {

using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);

// GetVersionEx lies to programs without a compatibility manifest; the kernel's own
// answer does not.
OSVERSIONINFOW RealVersion() {
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof info;
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto get = ntdll
                   ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                   : nullptr;
    if (get) get(&info);
    return info;
}

const wchar_t* WindowsName(DWORD major, DWORD minor, DWORD build) {
    if (major == 10) return build >= 22000 ? L"Windows 11" : L"Windows 10";
    if (major == 6 && minor == 3) return L"Windows 8.1";
    if (major == 6 && minor == 2) return L"Windows 8";
    if (major == 6 && minor == 1) return L"Windows 7";
    if (major == 6 && minor == 0) return L"Windows Vista";
    if (major == 5 && minor == 2) return L"Windows Server 2003";
    if (major == 5 && minor == 1) return L"Windows XP";
    return L"Windows";
}

}  // namespace

CString GetOSVersionText() {
    OSVERSIONINFOW info = RealVersion();
    CString text;
    text.Format(L"%s %s build %u", WindowsName(info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber),
                Platform::IsWow64() ? L"64-bit" : L"32-bit", static_cast<unsigned>(info.dwBuildNumber));
    return text;
}

bool IsUserAdmin() {
    bool isAdmin = false;
    return CheckAdminMembership(isAdmin) && isAdmin;
}

CString GetSessionUserName() {
    wchar_t name[261] = {};
    DWORD size = 261;
    if (!GetUserNameW(name, &size)) return CString();
    return CString(name);
}

CString GetProgramVersionText(bool withBuild) {
    CFileVersionInfo info(static_cast<HMODULE>(nullptr));
    if (!info.Read()) return CString();
    const VS_FIXEDFILEINFO& fixed = info.GetFixedInfo();
    CString text;
    text.Format(L"Vexlora %u.%u.%u", HIWORD(fixed.dwFileVersionMS), LOWORD(fixed.dwFileVersionMS),
                HIWORD(fixed.dwFileVersionLS));
    if (withBuild) text.AppendFormat(L" build %u", LOWORD(fixed.dwFileVersionLS));
    return text;
}

CString GetProgramFileVersion() {
    CFileVersionInfo info(static_cast<HMODULE>(nullptr));
    if (!info.Read()) return CString();
    return info.GetText(CFileVersionInfo::kFixedFileVersion);
}
