// Downloading the version information of the update check.
#pragma once

#include "core/base/CString.h"

// Downloads the version information into a new temporary ".xml" file: WinInet first, the
// system's URL download second. The file's path, marked temporary, or empty (no partial
// file is left).
CString DownloadVersionInfoFile(const wchar_t* url);
