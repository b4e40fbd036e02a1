// The resident main program.
#include <windows.h>

#include "tray/Startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    return VexloraWinMain(instance, commandLine);
}
