#include "core/SystemInfo.h"

#include <windows.h>
#include <psapi.h>

#include <cwchar>

#include "core/VersionInfo.h"
#include "core/base/PlatformBinding.h"
#include "core/base/PlatformFunctions.h"
#include "core/base/Privileges.h"

namespace {

using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
using GetVersionExWFn = BOOL(WINAPI*)(OSVERSIONINFOEXW*);
using GetPerformanceInfoFn = BOOL(WINAPI*)(PERFORMANCE_INFORMATION*, DWORD);
using GlobalMemoryStatusExFn = BOOL(WINAPI*)(MEMORYSTATUSEX*);

const wchar_t kCannotDetect[] = L"Cannot detect";

struct OsEntry {
    int id;
    const wchar_t* name;
    const wchar_t* code;
};

const OsEntry kOsTable[] = {
    {kOsUnknown, L"Unknown Windows", L"UnknowOs"},
    {kOsWin31, L"Windows 3.11", L"Win31"},
    {kOsWin95, L"Windows 95", L"Win95"},
    {kOsWin98, L"Windows 98", L"Win98"},
    {kOsWinNT351, L"Windows NT 3.51", L"WinNT351"},
    {kOsWinNT40, L"Windows NT 4.0", L"WinNT40"},
    {kOsWinMe, L"Windows ME", L"WinMe"},
    {kOsWin2000, L"Windows 2000", L"Win2000"},
    {kOsWinXP, L"Windows XP", L"WinXP"},
    {kOsServer2003, L"Windows Server 2003", L"Server2003"},
    {kOsWinVista, L"Windows Vista", L"WinVista"},
    {kOsWinServer2008, L"Windows Server 2008", L"WinServer2008"},
    {kOsWin7, L"Windows 7", L"Win7"},
    {kOsWinServer2008R2, L"Windows Server 2008 R2", L"WinServer2008R2"},
    {kOsWin8, L"Windows 8", L"Win8"},
    {kOsWinServer2012, L"Windows Server 2012", L"WinServer2012"},
    {kOsWin81, L"Windows 8.1", L"Win81"},
    {kOsWinServer2012R2, L"Windows Server 2012 R2", L"WinServer2012R2"},
    {kOsWin10, L"Windows 10", L"Win10"},
    {kOsWinServer2016, L"Windows Server 2016", L"WinServer2016"},
    {kOsWinServer2019, L"Windows Server 2019", L"WinServer2019"},
    {kOsWinServer2022, L"Windows Server 2022", L"WinServer2022"},
    {kOsWin11, L"Windows 11", L"Win11"},
};

const OsEntry& FindOs(int id) {
    for (const OsEntry& entry : kOsTable)
        if (entry.id == id) return entry;
    return kOsTable[0];
}

// What the version texts need of the detection, kept for the process once it worked.
struct OsFacts {
    OsId id = kOsUnknown;
    DWORD build = 0;
    wchar_t servicePack[100] = {};
};

OsFacts g_facts;
// 0: nothing kept, 1: a thread is keeping its facts, 2: g_facts holds them.
volatile LONG g_factsState = 0;

bool DetectFacts(OsFacts* facts) {
    OSVERSIONINFOEXW info = {};
    if (!ReadOsVersion(&info)) return false;
    facts->id = ClassifyOs(info);
    // The 9x family keeps its major and minor version in the high word.
    const bool family9x = facts->id == kOsWin95 || facts->id == kOsWin98 || facts->id == kOsWinMe;
    facts->build = family9x ? LOWORD(info.dwBuildNumber) : info.dwBuildNumber;
    wcsncpy(facts->servicePack, info.szCSDVersion, 99);
    facts->servicePack[99] = L'\0';
    return true;
}

// The kept facts, else freshly detected ones (kept when no other thread is keeping its
// own); false when the version cannot be read.
bool GetOsFacts(OsFacts* facts) {
    if (InterlockedCompareExchange(&g_factsState, 2, 2) == 2) {
        *facts = g_facts;
        return true;
    }
    if (!DetectFacts(facts)) return false;
    if (InterlockedCompareExchange(&g_factsState, 1, 0) == 0) {
        g_facts = *facts;
        InterlockedExchange(&g_factsState, 2);
    }
    return true;
}

CString FormatDecimal(const wchar_t* format, double value) {
    // The C runtime's formatter: its "C" locale keeps the point whatever the user's is.
    wchar_t text[64] = {};
    swprintf(text, 64, format, value);
    return text;
}

bool GlobalMemoryStatus(MEMORYSTATUSEX* status) {
    auto query =
        BindProc<GlobalMemoryStatusExFn>(GetPlatformBinder().FindLoaded(L"kernel32.dll"), "GlobalMemoryStatusEx");
    *status = {};
    status->dwLength = sizeof *status;
    return query && query(status);
}

}  // namespace

bool ReadOsVersion(OSVERSIONINFOEXW* info) {
    *info = {};
    info->dwOSVersionInfoSize = sizeof *info;
    auto rtlGetVersion = BindProc<RtlGetVersionFn>(GetPlatformBinder().FindLoaded(L"ntdll.dll"), "RtlGetVersion");
    if (rtlGetVersion && rtlGetVersion(info) == 0) return true;
    *info = {};
    info->dwOSVersionInfoSize = sizeof *info;
    auto getVersionEx = BindProc<GetVersionExWFn>(GetPlatformBinder().FindLoaded(L"kernel32.dll"), "GetVersionExW");
    return getVersionEx && getVersionEx(info);
}

OsId ClassifyOs(const OSVERSIONINFOEXW& info) {
    const DWORD minor = info.dwMinorVersion;
    const bool workstation = info.wProductType == VER_NT_WORKSTATION;
    switch (info.dwMajorVersion) {
        case 3:
            return kOsWinNT351;
        case 4:
            if (minor == 10) return kOsWin98;
            if (minor == 90) return kOsWinMe;
            if (minor != 0) return kOsUnknown;
            if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) return kOsWin95;
            return info.dwPlatformId == VER_PLATFORM_WIN32_NT ? kOsWinNT40 : kOsUnknown;
        case 5:
            if (minor == 0) return kOsWin2000;
            if (minor == 1) return kOsWinXP;
            return minor == 2 ? kOsServer2003 : kOsUnknown;
        case 6:
            if (minor == 0) return workstation ? kOsWinVista : kOsWinServer2008;
            if (minor == 1) return workstation ? kOsWin7 : kOsWinServer2008R2;
            if (minor == 2) return workstation ? kOsWin8 : kOsWinServer2012;
            if (minor == 3) return workstation ? kOsWin81 : kOsWinServer2012R2;
            return kOsUnknown;
        case 10:
            if (workstation) return info.dwBuildNumber >= 22000 ? kOsWin11 : kOsWin10;
            if (info.dwBuildNumber <= 17662) return kOsWinServer2016;
            return info.dwBuildNumber <= 17763 ? kOsWinServer2019 : kOsWinServer2022;
        default:
            return kOsUnknown;
    }
}

OsId DetectOsId() {
    OsFacts facts;
    return GetOsFacts(&facts) ? facts.id : kOsUnknown;
}

CString GetOsName(int id) {
    return FindOs(id).name;
}

CString GetOsCode(int id) {
    return FindOs(id).code;
}

CString GetOsNameOfThisOs() {
    return GetOsName(DetectOsId());
}

CString GetOsCodeOfThisOs() {
    return GetOsCode(DetectOsId());
}

CString GetOSVersionText() {
    OsFacts facts;
    GetOsFacts(&facts);
    CString text = GetOsName(facts.id);
    text += Platform::IsWow64() ? L" 64x" : L" 32x";
    text.AppendFormat(L" build %d ", static_cast<int>(facts.build));
    text += facts.servicePack;
    return text;
}

bool IsWindowsVersionOrLater(DWORD major, DWORD minor) {
    OSVERSIONINFOEXW info = {};
    if (!ReadOsVersion(&info)) return false;
    if (info.dwMajorVersion != major) return info.dwMajorVersion > major;
    return info.dwMinorVersion >= minor;
}

bool IsVistaOrLater() {
    return IsWindowsVersionOrLater(6, 0);
}

bool IsWin7OrLater() {
    return IsWindowsVersionOrLater(6, 1);
}

REGSAM GetRegistryAccessForWow64() {
    return Platform::IsWow64() ? KEY_QUERY_VALUE | KEY_WOW64_64KEY : KEY_QUERY_VALUE;
}

bool UnixSecondsToSystemTime(DWORD seconds, SYSTEMTIME* time) {
    const ULONGLONG kUnixEpochAsFileTime = 116444736000000000ULL;
    ULARGE_INTEGER value;
    value.QuadPart = kUnixEpochAsFileTime + static_cast<ULONGLONG>(seconds) * 10000000ULL;
    FILETIME fileTime = {value.LowPart, value.HighPart};
    return FileTimeToSystemTime(&fileTime, time) != FALSE;
}

bool GetWindowsInstallDate(SYSTEMTIME* installed) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0,
                      GetRegistryAccessForWow64(), &key) != ERROR_SUCCESS)
        return false;
    // Some systems keep it as a QWORD: eight bytes take either, the low half is the date.
    ULONGLONG value = 0;
    DWORD size = sizeof value;
    const LONG result = RegQueryValueExW(key, L"InstallDate", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && UnixSecondsToSystemTime(static_cast<DWORD>(value), installed);
}

CString FormatMegabytesAsGigabytes(DWORD megabytes) {
    return FormatDecimal(L"%.2f GB", megabytes * 0.0009765625);
}

CString GetMemoryPhysicalAvailableText() {
    CBoundModule psapi(L"Psapi.dll");
    auto getPerformanceInfo = BindProc<GetPerformanceInfoFn>(psapi.get(), "GetPerformanceInfo");
    PERFORMANCE_INFORMATION info = {};
    info.cb = sizeof info;
    if (!getPerformanceInfo || !getPerformanceInfo(&info, sizeof info)) return kCannotDetect;
    const DWORD megabytes =
        static_cast<DWORD>(info.PageSize / 1024) * static_cast<DWORD>(info.PhysicalAvailable) / 1024;
    return FormatMegabytesAsGigabytes(megabytes);
}

CString GetMemoryInstalledText() {
    MEMORYSTATUSEX status;
    if (!GlobalMemoryStatus(&status)) return kCannotDetect;
    return FormatMegabytesAsGigabytes(static_cast<DWORD>(status.ullTotalPhys >> 20));
}

CString GetMemoryUsageText() {
    MEMORYSTATUSEX status;
    if (!GlobalMemoryStatus(&status)) return kCannotDetect;
    CString text;
    text.Format(L"%d%%", static_cast<int>(status.dwMemoryLoad));
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
