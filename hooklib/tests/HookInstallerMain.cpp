// VxlHookInstaller.exe <library path>: a second main program for the hook library's tests.
// It installs the hooks with a window of its own and reports through its exit code:
// 100 + the install error when the installation failed; otherwise it retitles its window
// "VxlHookInstaller: installed" and stays installed until it is sent WM_CLOSE (exit 0
// after removing the hooks) or killed.
#include <windows.h>

#include <string>

#include "hooklib/HookRecords.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t* commandLine, int) {
    std::wstring path(commandLine);
    if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"') path = path.substr(1, path.size() - 2);
    HMODULE library = LoadLibraryW(path.c_str());
    if (!library) return 90;
    using InstallProc = int (*)(WP_INSTALL_INFO2*);
    using UninstallProc = int (*)(const WP_UNINSTALL_INFO*);
    auto install = reinterpret_cast<InstallProc>(reinterpret_cast<void*>(GetProcAddress(library, "WP_Install2")));
    auto uninstall = reinterpret_cast<UninstallProc>(reinterpret_cast<void*>(GetProcAddress(library, "WP_Uninstall2")));
    if (!install || !uninstall) return 91;
    HWND window =
        CreateWindowExW(0, L"STATIC", L"VxlHookInstaller", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    WP_INSTALL_INFO2 info = {};
    info.v1.mainWindow = window;
    info.v1.monitoredMessage = RegisterWindowMessageW(L"VxlHookInstallerMonitored");
    info.v1.dataNeededName = L"Local\\VxlHookInstallerNeeded";
    info.v1.dataCompletedName = L"Local\\VxlHookInstallerCompleted";
    info.v1.mappingName = L"Local\\VxlHookInstallerArea";
    if (!install(&info)) return 100 + static_cast<int>(info.v1.error);
    // The tests wait for this title before they try to install beside it.
    SetWindowTextW(window, L"VxlHookInstaller: installed");
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_CLOSE) break;
        DispatchMessageW(&message);
    }
    const WP_UNINSTALL_INFO record = {sizeof record, 0, 0};
    return uninstall(&record) ? 0 : 92;
}
