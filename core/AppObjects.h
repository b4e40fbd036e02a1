// Application-wide state of the main program that belongs to no one window.
#pragma once

#include <windows.h>

namespace CAppObjects {

// The application exit event: set once when the program ends; every worker waits on it.
void SetAppExitEvent(HANDLE event);
HANDLE GetAppExitEvent();

// The tray window, for code that must reach it from other threads.
void SetMainWnd(HWND window);
HWND GetMainWnd();

}  // namespace CAppObjects

namespace CAppObjects {

// The autostart value "Vexlora" under HKCU "Software\Microsoft\Windows\CurrentVersion\Run":
// the executable's path, a blank and "/autoload". Off deletes it. True when done.
bool SetAutostart(bool on);
// True when the value names this executable.
bool IsAutostartSet();

// Enables the privileges the program uses; true when at least one was enabled.
bool Set_App_Privelegies();

}  // namespace CAppObjects
