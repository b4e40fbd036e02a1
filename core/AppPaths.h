// Where the running program lives, and small path facts every part of the system asks.
#pragma once

#include "core/CString.h"

// Full path of the running executable.
CString GetOwnExecutablePath();

// The program folder: the executable's folder, ending in exactly one "\".
// Tests point it at a temporary folder with SetProgramFolderForTest.
CString GetProgramFolder();
// The same folder with every trailing "\" removed.
CString GetProgramFolderNoSlash();
// Empty text restores the executable's own folder.
void SetProgramFolderForTest(const wchar_t* folder);

// True when the root of the path's drive is unknown, missing, removable or remote:
// a copy run from such a drive keeps its files beside itself.
bool IsDriveRemovableOrRemote(const wchar_t* path);
// Tests stand in for a USB stick or a share: 1 removable, 0 fixed, -1 ask the system.
void SetDriveRemovableForTest(int removable);

// Existence tests that never raise a critical-error box for an empty drive.
bool FileExists(const wchar_t* path);
bool FolderExists(const wchar_t* path);

// The text with "\" appended when it is not empty and does not end in one.
CString WithTrailingBackslash(const CString& path);
