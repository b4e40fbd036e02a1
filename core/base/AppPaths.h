// Where the running program lives, and small path facts every part of the system asks.
#pragma once

#include "core/base/CString.h"

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

// The drive and folder of a path, ending in "\"; without it on request, except that a
// bare drive ("C:") keeps or gains it. Empty for a path without drive and folder.
CString GetFolderOfPath(const wchar_t* path, bool withTrailingBackslash = true);
// The part after the last "\" (or ":"); the whole text when there is none.
CString GetFileNameOfPath(const wchar_t* path);
// The parts of a path, each filled when asked for: the drive ("C:", at most two
// characters), the folder ("\a\b\"), the name and the extension with its ".", the
// last three cut to 255 characters.
void SplitPath(const wchar_t* path, CString* drive, CString* folder, CString* name, CString* extension);
// "." put in front of an extension that does not start with one; empty stays empty.
CString MakeDotExtension(const wchar_t* extension);

// The system's temporary folder, ending in "\".
CString GetTempFolder();
// A new name in the folder (the temporary folder when none is given): "abc", four hex
// digits, ".TMP", then the extension ("txt" and ".txt" alike). No file is created, but
// no two calls of the process get the same name and no name of an existing file is
// given. Empty when no free name is left.
CString BuildTempFileName(const wchar_t* folder, const wchar_t* extension);
