// The waiter: no window, no console; its whole work is in the tools library.
#include <windows.h>

#include "core/base/Logger.h"
#include "tools/WaiterProgram.h"

namespace {

const DWORD kLastLinesWaitMs = 10000;

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    LogSetDefaultTag(L"EXE_VxlWaitingFor");
    // The wide command line: a log path in a folder named in a script outside the
    // ANSI code page would be mangled without notice in the ANSI one.
    const int exitCode = RunWaiterProgram(GetCommandLineW());
    LogWaitPending(kLastLinesWaitMs);
    return exitCode;
}
