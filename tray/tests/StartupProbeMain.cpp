// Test helper: the main program with one file registered for deletion at exit before it
// starts, named by the environment variable VXL_PROBE_TEMP_FILE. Everything else is the
// real start-up, resident life and shutdown.
#include <windows.h>

#include "core/AppObjects.h"
#include "tray/Startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    wchar_t path[MAX_PATH + 1] = {};
    DWORD length = GetEnvironmentVariableW(L"VXL_PROBE_TEMP_FILE", path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) CAppObjects::AddTempFileForDeletion(path);
    return VexloraWinMain(instance, commandLine);
}
