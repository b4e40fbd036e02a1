// The shell's icons of files. Every icon returned belongs to the caller.
#pragma once

#include <windows.h>

// With flag 0 the shell's large icon of the file (SHGetFileInfoW, SHGFI_ICON); any other
// flag gives no icon. Null on failure.
HICON GetFileIcon(const wchar_t* path, int flag);
// The shell's large (SHGFI_LARGEICON) or small (SHGFI_SMALLICON) icon of the file; null
// on failure.
HICON GetFileIconSmallOrLarge(const wchar_t* path, bool large);
// The shell's icon of a file type (extension with its dot), large or small; null when the
// shell has none.
HICON GetIconByExtension(const wchar_t* extension, bool large);
// The folder icon, open or closed, large or small: the system's stock icon where it has
// them (Windows Vista on), else the shell's icon of a directory. Null when neither has one.
HICON GetFolderIcon(bool open = false, bool large = false);
