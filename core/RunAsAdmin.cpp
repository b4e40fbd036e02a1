#include "core/RunAsAdmin.h"

#include <shellapi.h>

#include "core/AppGuards.h"
#include "core/AppSlots.h"
#include "core/CommandLine.h"
#include "core/Instance.h"
#include "core/SoundPlayer.h"
#include "core/TrayIds.h"
#include "core/base/AppPaths.h"
#include "core/base/Logger.h"
#include "core/base/Security.h"

namespace {

HINSTANCE RealElevatedStart(HWND owner, const wchar_t* file, const wchar_t* parameters, const wchar_t* folder) {
    return ShellExecuteW(owner, L"runas", file, parameters, folder, SW_SHOW);
}

ElevatedStartFn g_elevatedStart = &RealElevatedStart;

}  // namespace

void SetElevatedStartForTest(ElevatedStartFn start) {
    g_elevatedStart = start ? start : &RealElevatedStart;
}

namespace CAppObjects {

bool RunAsAdmin(HWND owner) {
    CKeepLastError keep;
    if (!CreateHandOverEvent()) {
        MessageBoxW(owner, L"Cannot create event for admin instance", L"Vexlora", MB_ICONHAND | MB_TOPMOST);
        return false;
    }
    HINSTANCE result = g_elevatedStart(owner, GetOwnExecutablePath(), GetRestartAsAdminSwitch(), GetProgramFolder());
    if (reinterpret_cast<INT_PTR>(result) > 32) {
        HWND main = GetMainWnd();
        SendMessageW(main, WM_COMMAND, ID_APP_EXIT, 0);
        SendMessageW(main, WM_CLOSE, 0, 0);
        DestroyWindow(main);
        return true;
    }
    DWORD code = GetLastError();
    SignalHandOverEvent();
    CString text;
    text.Format(L"Cannot start second instance of Vexlora\n%s\nError Code: %u\nWhat is it: %s",
                CString(L'\x2014', 30).GetString(), static_cast<unsigned>(code), GetErrorMessageText(code).GetString());
    PlaySoundStart();
    MessageBoxW(owner, text, L"Vexlora", MB_ICONEXCLAMATION | MB_TOPMOST);
    CString line = text;
    line.Replace(L'\n', L' ');
    LogError(L"CAppObjects::RunAsAdmin, 2447 " + line);
    return false;
}

}  // namespace CAppObjects
