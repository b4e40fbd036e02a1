#include "core/base/ProcessInfo.h"

// tlhelp32.h and psapi.h use the types windows.h declares.
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>

#include "core/base/FileIcons.h"
#include "core/base/Logger.h"
#include "core/base/PlatformBinding.h"

namespace {

using QueryFullProcessImageNameProc = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);
using GetModuleFileNameExProc = DWORD(WINAPI*)(HANDLE, HMODULE, LPWSTR, DWORD);

constexpr DWORD kIconQueryTimeoutMs = 1000;
constexpr int kWindowTextChars = 778;
constexpr size_t kChainReserve = 50;
// A parent chain longer than this is a loop of a broken window tree, not a real one.
constexpr int kMaxParents = 256;

void LogErrorWithCode(const wchar_t* text, DWORD code) {
    CString line;
    line.Format(L"%s%lu", text, code);
    LogError(line);
}

void LogPath(const wchar_t* method, const CString& path) {
    LogWrite(CString(method) + L"=" + path);
}

// GetModuleFileNameExW of an opened process: psapi's name before Windows 7, where
// kernel32 has it only as K32GetModuleFileNameExW.
CString ModuleFileNameEx(GetModuleFileNameExProc proc, DWORD processId, bool logFailures) {
    CHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!process) {
        if (logFailures) LogErrorWithCode(L"Cannot open process ERROR=", GetLastError());
        return CString();
    }
    wchar_t path[MAX_PATH + 1] = {};
    DWORD size = proc(process.get(), nullptr, path, MAX_PATH);
    if (logFailures) LogWriteFormat(L"PFUNC_GetModuleFileNameEx is dwSize=%lu", size);
    // A full buffer means a cut path, which names nothing.
    if (size == 0 || size >= MAX_PATH) return CString();
    return CString(path, static_cast<int>(size));
}

bool ContainsAfterStart(const CString& upperPath, const CString& upperName) {
    return upperPath.Find(upperName) > 0;
}

}  // namespace

int CollectWindowChain(HWND window, CWindowChain& chain) {
    chain.clear();
    chain.reserve(kChainReserve);
    if (window) {
        chain.push_back(window);
        HWND parent = GetParent(window);
        for (int steps = 0; parent && steps < kMaxParents; ++steps) {
            chain.push_back(parent);
            parent = GetParent(parent);
        }
    }
    chain.push_back(GetForegroundWindow());
    return static_cast<int>(chain.size());
}

CString _GetProcessName_BY_QueryFullProcessImageName(DWORD processId) {
    IPlatformBinder& binder = GetPlatformBinder();
    auto query =
        BindProc<QueryFullProcessImageNameProc>(binder.FindLoaded(L"kernel32.dll"), "QueryFullProcessImageNameW");
    if (!query) {
        LogError(L"_GetProcessName_BY_QueryFullProcessImageName is NULL");
        return CString();
    }
    CHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
    if (!process) {
        LogErrorWithCode(L"Cannot open process ERROR _GetProcessName_BY_QueryFullProcessImageName=", GetLastError());
        return CString();
    }
    wchar_t path[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH;
    BOOL result = query(process.get(), 0, path, &size);
    LogWriteFormat(L"PFUNC_QueryFullProcessImageName is bRes=%d", result);
    if (!result || size > MAX_PATH) return CString();
    return CString(path, static_cast<int>(size));
}

CString _GetProcessName_BY_GetModuleFileNameEx(DWORD processId) {
    IPlatformBinder& binder = GetPlatformBinder();
    auto proc = BindProc<GetModuleFileNameExProc>(binder.FindLoaded(L"kernel32.dll"), "GetModuleFileNameExW");
    CBoundModule psapi;
    if (!proc) {
        psapi = CBoundModule(L"psapi.dll");
        proc = BindProc<GetModuleFileNameExProc>(psapi.get(), "GetModuleFileNameExW");
    }
    if (!proc) {
        LogError(L"PFUNC_GetModuleFileNameEx is NULL");
        return CString();
    }
    return ModuleFileNameEx(proc, processId, true);
}

CString _GetProcessPath_BY_PID(DWORD processId) {
    return GetProcessImagePath(processId);
}

CString _GetProcessName_BY_HWND(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == 0) {
        LogError(L"_GetProcessName_BY_HWND dwPID == 0");
        return CString();
    }
    CString path = _GetProcessName_BY_QueryFullProcessImageName(processId);
    LogPath(L"_GetProcessName_BY_QueryFullProcessImageName", path);
    if (!path.IsEmpty()) return path;

    path = _GetProcessPath_BY_PID(processId);
    LogPath(L"_GetProcessPath_BY_PID", path);
    if (!path.IsEmpty()) return path;

    path = _GetProcessName_BY_GetModuleFileNameEx(processId);
    LogPath(L"_GetProcessName_BY_GetModuleFileNameEx", path);
    return path;
}

CString GetFirstProcessPathInChain(const CWindowChain& chain) {
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!*it) continue;
        CString path = _GetProcessName_BY_HWND(*it);
        if (!path.IsEmpty()) return path;
    }
    return CString();
}

CString GetFirstWindowTextInChain(const CWindowChain& chain) {
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!*it) continue;
        wchar_t text[kWindowTextChars + 1] = {};
        int length = GetWindowTextW(*it, text, kWindowTextChars + 1);
        if (length > 0) return CString(text, length);
    }
    return CString();
}

HICON GetWindowIconByMessage(HWND window, bool askClass) {
    if (!window) return nullptr;
    for (WPARAM kind : {static_cast<WPARAM>(ICON_BIG), static_cast<WPARAM>(ICON_SMALL)}) {
        DWORD_PTR icon = 0;
        if (SendMessageTimeoutW(window, WM_GETICON, kind, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kIconQueryTimeoutMs,
                                &icon) &&
            icon) {
            return reinterpret_cast<HICON>(icon);
        }
    }
    if (!askClass) return nullptr;
    HICON icon = reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICON));
    if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICONSM));
    return icon;
}

CIconHandle GetExeFileIcon(const wchar_t* exePath) {
    HICON icon = GetFileIcon(exePath, 1);
    if (!icon) icon = GetFileIcon(exePath, 0);
    if (!icon) icon = GetFileIconSmallOrLarge(exePath, true);
    if (!icon) icon = GetFileIconSmallOrLarge(exePath, false);
    return CIconHandle(icon);
}

CIconHandle GetWindowIconFromChain(const CWindowChain* chain, const wchar_t* exePath) {
    CIconHandle icon;
    if (exePath && *exePath) icon = GetExeFileIcon(exePath);
    if (icon || !chain) return icon;

    const wchar_t* exe = exePath ? exePath : L"";
    CString size;
    size.Format(L"phwndParents size=%u", static_cast<unsigned>(chain->size()));
    LogWithExe(false, size, exe);
    for (auto it = chain->rbegin(); it != chain->rend() && !icon; ++it) {
        // The window keeps its own icon; the caller gets a copy it may destroy.
        HICON borrowed = GetWindowIconByMessage(*it, false);
        if (borrowed) icon.reset(CopyIcon(borrowed));
    }
    if (icon) {
        LogWithExe(false, L"Get icon NO top icon, but get from parents", exe);
    } else {
        LogWithExe(true, L"Also cannot get icon from parents", exe);
    }
    return icon;
}

CString GetProcessImagePath(DWORD processId) {
    if (processId == 0) return CString();
    CString path;
    {
        CBoundModule psapi(L"psapi.dll");
        auto proc = BindProc<GetModuleFileNameExProc>(psapi.get(), "GetModuleFileNameExW");
        if (proc) path = ModuleFileNameEx(proc, processId, false);
    }
    if (path.IsEmpty()) path = GetProcessExeNameByPid(processId);
    return path;
}

CString GetProcessExeNameByPid(DWORD processId) {
    CHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return CString();
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == processId) return CString(entry.szExeFile);
    }
    return CString();
}

CString GetProcessModulePath(const wchar_t* exeName, DWORD processId) {
    if (!exeName || !*exeName) return CString();
    CHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
    if (!snapshot) return CString();
    CString name(exeName);
    name.MakeUpper();
    MODULEENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Module32FirstW(snapshot.get(), &entry); more; more = Module32NextW(snapshot.get(), &entry)) {
        CString path(entry.szExePath);
        CString upper(path);
        upper.MakeUpper();
        if (ContainsAfterStart(upper, name)) return path.Find(L'\\') >= 0 ? path : CString();
    }
    return CString();
}

void GetRunningProcessNames(std::vector<CString>& list, bool sortAndMerge) {
    list.clear();
    CHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return;
    struct Entry {
        DWORD id;
        CString exe;
    };
    std::vector<Entry> entries;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        entries.push_back({entry.th32ProcessID, CString(entry.szExeFile)});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.id < b.id; });
    for (const Entry& e : entries) {
        CString path = GetProcessModulePath(e.exe, e.id);
        if (!path.IsEmpty()) list.push_back(path);
    }
    if (!sortAndMerge) return;
    std::stable_sort(list.begin(), list.end(),
                     [](const CString& a, const CString& b) { return a.CompareNoCase(b) < 0; });
    list.erase(std::unique(list.begin(), list.end(),
                           [](const CString& a, const CString& b) { return a.CompareNoCase(b) == 0; }),
               list.end());
}

int PreloadPsapiAndNtdll() {
    int loaded = 0;
    for (const wchar_t* name : {L"psapi.dll", L"Ntdll.dll"}) {
        if (KeepModuleLoaded(name)) ++loaded;
    }
    return loaded;
}

void LogWithExe(bool error, const wchar_t* text, const wchar_t* exe) {
    CString line = CString(text) + L" exe=[" + CString(exe) + L"]";
    if (error) {
        LogError(line);
    } else {
        LogWrite(line);
    }
}
