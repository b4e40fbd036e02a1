// The shell's default programs, system files and a few system services.
#pragma once

#include <windows.h>

#include "core/base/CString.h"
#include "core/base/Handles.h"

namespace CAppObjects {

// The program of the shell's "open" verb for an extension (with or without "."):
// without quotes and arguments; empty when the association cannot be read.
CString GetOpenProgramOfExtension(const wchar_t* extension);
// The command of "http\shell\open\command", as registered.
CString GetDefaultBrowserCommand();
// The executable associated with "http" and "open" (AssocQueryStringW).
CString GetHttpOpenExecutable();
// "Notepad.exe" in the Windows folder, else in the system folder.
CString GetNotepadPath();
// The icon of video files: the video folder's, else that of ".avi"; owned by the caller.
CIconHandle GetVideoFilesIcon();

// True when "hasnew.hasnew" lies in the program folder: a newer version was found.
bool IsNewVersionMarkerPresent();
// A new GUID as the system prints it, without braces; empty on failure.
CString NewGuidText();
// BroadcastSystemMessageW, bound at run time; 0 when it is missing.
long Broadcast(DWORD flags, DWORD* recipients, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace CAppObjects
