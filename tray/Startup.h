// The main program's life: which road a start takes, the resident instance's set-up,
// its message loop and its shutdown.
#pragma once

#include <windows.h>

#include "core/CommandLine.h"

// The body of WinMain: returns the process exit code. 12: woke a waiting autostart;
// 0: a one-shot request was done; 1: forwarded to the running instance, or nothing to
// exit; 2: the instance event could not be made; else the message loop's code.
int VexloraWinMain(HINSTANCE instance, const wchar_t* commandLine);

// Creates the tray window and runs the message loop until the window is destroyed;
// 0 when the window cannot be made.
int RunApplication(HANDLE exitEvent, bool noInstall, const CVXLCommandLine* commandLine);
