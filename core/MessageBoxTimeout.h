// The system's message box that closes by itself: MessageBoxTimeoutW of user32, which is
// not documented and so is found by name at run time.
#pragma once

#include <windows.h>

// What MessageBoxTimeoutW answers when its time ran out.
const int kMessageBoxTimedOut = 32000;

// MessageBoxTimeoutW, looked up once and kept (user32 stays loaded for the process);
// 0, and no box, when the system has none.
int MessageBoxTimeoutW_Dyn(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type, WORD languageId,
                           DWORD timeoutMs);

// The same box that surely ends after the time-out: some systems (Wine) show
// MessageBoxTimeoutW's box without its time-out, so a thread timer of our own ends it too.
// The pressed button, kMessageBoxTimedOut after the time-out, 0 without a box.
int MessageBoxTimeout(HWND owner, const wchar_t* caption, const wchar_t* text, UINT type, DWORD timeoutMs);
