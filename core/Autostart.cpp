#include "core/Autostart.h"

#include "core/AppSlots.h"
#include "core/base/AppPaths.h"
#include "core/base/WorkerThread.h"

namespace {

const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kAutostartValue[] = L"Vexlora";
const DWORD kAutostartDelayMs = 1000;

// The thread's own handle to the application exit event.
CHandle DuplicateExitEvent() {
    return DuplicateForWorker(CAppObjects::GetAppExitEvent());
}

DWORD AutostartWriterProc(CHandle& exitEvent) {
    // A copy run from a stick or a share must not start with Windows from there.
    if (IsDriveRemovableOrRemote(GetOwnExecutablePath())) return 2;
    if (WaitForSingleObject(exitEvent.get(), kAutostartDelayMs) != WAIT_TIMEOUT) return 1;
    CAppObjects::SetAutostart(true);
    return 0;
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

bool StartAutostartWriterThread(CHandle* thread) {
    CHandle exitEvent = DuplicateExitEvent();
    if (!exitEvent) return false;
    return StartWorker(std::make_unique<CHandle>(std::move(exitEvent)), &AutostartWriterProc, {}, thread);
}

}  // namespace CAppObjects
