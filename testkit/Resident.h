// Facts about a running Vexlora.exe that tests and benchmarks ask from outside.
#pragma once

#include <windows.h>

namespace testkit {

// True while another program holds the default hot key (Ctrl+Alt+Enter): the resident
// once it has registered it, or a program left over from another test.
inline bool IsDefaultHotKeyTaken() {
    if (RegisterHotKey(nullptr, 0x7E57, MOD_CONTROL | MOD_ALT, VK_RETURN)) {
        UnregisterHotKey(nullptr, 0x7E57);
        return false;
    }
    return true;
}

// The hidden tray window of the process; null when it has none.
inline HWND TrayWindowOf(DWORD processId) {
    for (HWND window = FindWindowExW(nullptr, nullptr, L"VexloraTrayWindow", nullptr); window;
         window = FindWindowExW(nullptr, window, L"VexloraTrayWindow", nullptr)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == processId) return window;
    }
    return nullptr;
}

}  // namespace testkit
