// The hook library's log lines. The library writes to the log of the main program that
// installed it, whichever program it runs in: the path comes from the global atom the
// installation stored, and the logger is opened in a program on its first line.
#pragma once

#include <windows.h>

struct CWPSharedData;

// The shared data the lines take the log atom from; set once when the library loads.
void HookLogAttach(const CWPSharedData* shared);
// Information and error lines; nothing when the installer does not log.
void HookLogWrite(const wchar_t* text);
void HookLogError(const wchar_t* text);
// "<text> classname[<class of the window>]"
void HookLogWindowClass(const wchar_t* text, HWND window);
