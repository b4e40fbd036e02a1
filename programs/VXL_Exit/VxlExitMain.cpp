// The exit tool: tells every running instance of the main program to quit. It has no
// window and ignores its command line; the exit code says how many exit events it set.
#include <windows.h>

#include "tools/ExitSignals.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return SignalMainProgramExit();
}
