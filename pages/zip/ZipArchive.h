// Zip archives of whole files, each stored deflated under its file name without folder:
// the report archive and the editor's backup of the user's phrases.
#pragma once

#include <vector>

#include "core/base/CString.h"

// Writes a new archive (an existing file is replaced) holding the files in the order
// given. True when every file was added; otherwise nothing of the archive is left, so
// a half-written archive is never taken for a whole one. False for an empty list.
bool CreateZipFromFiles(const std::vector<CString>& files, const wchar_t* zipPath);
