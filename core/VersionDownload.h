// Downloading the version information of the update check.
#pragma once

#include "core/base/CString.h"

namespace CAppObjects {

// Downloads the version information into a new temporary ".xml" file: WinInet first, the
// system's URL download second. The file's path, or empty (no partial file is left).
CString DownloadVersionInfoFile(const wchar_t* address);

}  // namespace CAppObjects
