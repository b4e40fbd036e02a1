// Vexlora.dll: the hook library. The system maps it into every GUI program of the session
// once the main program has installed its hooks, so it keeps to the base library and does
// as little as it can until it is asked.
#include <windows.h>

#include "hooklib/HookInstall.h"
#include "hooklib/HookRecords.h"
#include "hooklib/MenuDriver.h"

namespace {

// One copy for every process that has the library loaded. It must be initialised to stay
// out of the zero-filled data, and aligned to 4 so the section is the record's 820 bytes
// (the compiler would round a large object up to 32).
__attribute__((section(".WPH"), shared, used, aligned(4)))
CWPSharedData g_wph = {0, 0, {}, {}, {}, 0, 0, 0, 0, 0, 0, 0, 0, 1};

CHookProcessState g_process;

}  // namespace

extern "C" {

HWND WP_GetTargetWindow() {
    return GetCurrentHWND();
}

HWND WP_GetTargetWindowOther() {
    return GetTargetWindowOther();
}

int WP_Install(WP_INSTALL_INFO* info) {
    if (!info) return 0;
    WP_INSTALL_INFO2 wide = {};
    wide.v1.mainWindow = info->mainWindow;
    wide.v1.monitoredMessage = info->monitoredMessage;
    wide.v1.replyTag = info->replyTag;
    wide.v1.logAtom = info->logAtom;
    wide.v1.flags = info->flags;
    wide.v1.dataNeededName = info->dataNeededName;
    wide.v1.dataCompletedName = info->dataCompletedName;
    wide.v1.mappingName = info->mappingName;
    wide.v1.logPath = info->logPath;
    wide.v1.error = info->error;
    wide.v1.systemError = info->systemError;
    const int result = WP_Install_Impl(&wide);
    info->dataNeededName = wide.v1.dataNeededName;
    info->dataCompletedName = wide.v1.dataCompletedName;
    info->mappingName = wide.v1.mappingName;
    info->logPath = wide.v1.logPath;
    info->error = wide.v1.error;
    info->systemError = wide.v1.systemError;
    return result;
}

int WP_Install2(WP_INSTALL_INFO2* info) {
    return WP_Install_Impl(info);
}

int WP_Uninstall2(const WP_UNINSTALL_INFO* info) {
    return WP_Uninstall_Impl(info);
}

int WP_Uninstall() {
    const WP_UNINSTALL_INFO forced = {sizeof(WP_UNINSTALL_INFO), 1, 0};
    return WP_Uninstall_Impl(&forced);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_process.module = instance;
        AttachHookLibrary(&g_wph, &g_process);
        AttachMenuDriver(&g_wph);
        SetMonitoredMessageProc(MenuDriverProc);
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        SetMonitoredMessageProc(nullptr);
        AttachMenuDriver(nullptr);
        AttachHookLibrary(nullptr, nullptr);
    }
    return TRUE;
}

}  // extern "C"
