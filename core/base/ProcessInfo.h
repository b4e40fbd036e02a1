// Which program owns a window, how to show that program (its path, a title, an icon),
// and the list of running programs.
//
// Paths are full paths of executables; an empty text means that no method found one.
// Every lookup writes to the log which method produced the path or why it failed.
// Functions bound at run time (QueryFullProcessImageNameW, GetModuleFileNameExW) go
// through the platform binder (core/PlatformBinding.h).
#pragma once

#include <windows.h>

#include <vector>

#include "core/base/CString.h"
#include "core/base/Handles.h"

// A window, its parent, grandparent ... up to the top, then the foreground window.
// Lookups walk it from the end and take the first usable answer.
using CWindowChain = std::vector<HWND>;

// Fills the chain (emptied first); returns its length.
int CollectWindowChain(HWND window, CWindowChain& chain);

// The executable of the window's process: QueryFullProcessImageNameW, then
// GetProcessImagePath, then GetModuleFileNameExW. Empty for process id 0.
CString _GetProcessName_BY_HWND(HWND window);
CString _GetProcessPath_BY_PID(DWORD processId);
CString _GetProcessName_BY_QueryFullProcessImageName(DWORD processId);
CString _GetProcessName_BY_GetModuleFileNameEx(DWORD processId);

CString GetFirstProcessPathInChain(const CWindowChain& chain);
// The first non-empty window text (at most 778 characters).
CString GetFirstWindowTextInChain(const CWindowChain& chain);

// The window's own icon (WM_GETICON big, then small, 1000 ms each, given up when the
// window hangs), then with askClass its class icons. The icon stays the window's:
// the caller must not destroy it.
HICON GetWindowIconByMessage(HWND window, bool askClass);
// The shell's icon of the program file; owned by the caller.
CIconHandle GetExeFileIcon(const wchar_t* exePath);
// The program file's icon, else (with a chain) the first window icon of the chain
// from its end, copied so that the caller owns whichever icon comes back.
CIconHandle GetWindowIconFromChain(const CWindowChain* chain, const wchar_t* exePath);

// psapi's module path of the process, else the executable's file name from a process
// snapshot. Empty for process id 0.
CString GetProcessImagePath(DWORD processId);
CString GetProcessExeNameByPid(DWORD processId);
// The full path of the process's first module whose path holds the name (ignoring
// case) after its first character; empty unless that path holds a backslash.
CString GetProcessModulePath(const wchar_t* exeName, DWORD processId);
// The full paths of the running programs in process-id order (the list is emptied
// first); with sortAndMerge sorted ignoring case, paths equal ignoring case once.
void GetRunningProcessNames(std::vector<CString>& list, bool sortAndMerge);

// Loads "psapi.dll" and "Ntdll.dll" for the rest of the process; how many loaded.
int PreloadPsapiAndNtdll();
// text + " exe=[" + exe + "]" as an error or an information line.
void LogWithExe(bool error, const wchar_t* text, const wchar_t* exe);
