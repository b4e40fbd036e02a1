#include "core/AppObjects.h"

namespace {

volatile LONG_PTR g_exitEvent = 0;
volatile LONG_PTR g_mainWindow = 0;

}  // namespace

namespace CAppObjects {

void SetAppExitEvent(HANDLE event) {
    InterlockedExchange(reinterpret_cast<volatile LONG*>(&g_exitEvent), reinterpret_cast<LONG_PTR>(event));
}

HANDLE GetAppExitEvent() {
    return reinterpret_cast<HANDLE>(InterlockedCompareExchange(reinterpret_cast<volatile LONG*>(&g_exitEvent), 0, 0));
}

void SetMainWnd(HWND window) {
    InterlockedExchange(reinterpret_cast<volatile LONG*>(&g_mainWindow), reinterpret_cast<LONG_PTR>(window));
}

HWND GetMainWnd() {
    return reinterpret_cast<HWND>(InterlockedCompareExchange(reinterpret_cast<volatile LONG*>(&g_mainWindow), 0, 0));
}

}  // namespace CAppObjects

#include "core/AppPaths.h"
#include "core/CString.h"
#include "core/Handles.h"
#include "core/Logger.h"
#include "core/Security.h"

namespace {

const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kAutostartValue[] = L"Vexlora";

CString PrivilegeDisplayName(const wchar_t* privilege) {
    wchar_t name[256] = {};
    DWORD size = 256;
    DWORD language = 0;
    return LookupPrivilegeDisplayNameW(nullptr, privilege, name, &size, &language) ? CString(name) : CString();
}

}  // namespace

namespace CAppObjects {

bool SetAutostart(bool on) {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_ALL_ACCESS, &raw) != ERROR_SUCCESS) return false;
    CRegKeyHandle key(raw);
    if (!on) return RegDeleteValueW(key.get(), kAutostartValue) == ERROR_SUCCESS;
    CString data = GetOwnExecutablePath() + L" /autoload";
    return RegSetValueExW(key.get(), kAutostartValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.GetString()),
                          static_cast<DWORD>(data.GetLength()) * sizeof(wchar_t)) == ERROR_SUCCESS;
}

bool IsAutostartSet() {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return false;
    CRegKeyHandle key(raw);
    wchar_t data[261] = {};
    DWORD size = sizeof(data) - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key.get(), kAutostartValue, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    CString path(data);
    int slash = path.Find(L'/');
    if (slash >= 0) path = path.Left(slash);
    path.TrimRight(L' ');
    // The whole path must match: an empty or cut value does not start this program.
    return !path.IsEmpty() && path.CompareNoCase(GetOwnExecutablePath()) == 0;
}

bool Set_App_Privelegies() {
    CHandle token = OpenOwnProcessToken(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY);
    if (!token) {
        LogError(L"CAppObjects::Set_App_Privelegies: CANNOT OpenProcessToken  ");
        return false;
    }
    LogWrite(L"CAppObjects::Set_App_Privelegies: succesfully OpenProcessToken  ");
    bool any = false;
    for (const wchar_t* privilege : {L"SeTakeOwnershipPrivilege", L"SeDebugPrivilege"}) {
        bool enabled = SecurityUtil2::SetPrivilege(token.get(), privilege, true);
        CString line;
        line.Format(L"SecurityUtil2::SetPrivilege: %s %s %d", privilege, PrivilegeDisplayName(privilege).GetString(),
                    enabled ? 1 : 0);
        if (enabled) LogWrite(line);
        else LogError(line);
        any = any || enabled;
    }
    return any;
}

}  // namespace CAppObjects
