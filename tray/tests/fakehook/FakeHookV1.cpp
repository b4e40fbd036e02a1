// A hook library of the first version: WP_Install alone. It installs nothing and fails
// with "cannot install" for a record without a main window, so a test sees which record
// reached it and that its error came back.
#include <windows.h>

#include "hooklib/HookRecords.h"

extern "C" __declspec(dllexport) int WP_Install(WP_INSTALL_INFO* info) {
    if (!info) return 0;
    if (!info->mainWindow || !info->mappingName) {
        info->error = WPE_HOOK_FAILED;
        return 0;
    }
    info->error = WPE_NONE;
    return 1;
}
