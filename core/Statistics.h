// The program's daily counts of phrases run and clipboard-history items used, kept in
// "vxl_stat_info.ini" in the program folder: one section per day ("2026-12-11"), with the
// keys "Commands" and "Clipboard".
#pragma once

#include <windows.h>

#include "core/base/CString.h"

// "<program folder>vxl_stat_info.ini".
CString GetStatFilePath();

namespace CStat_Info {
// Add 1 to today's count; non-zero when it was written. `file` stands in for the program
// folder's file in tests; `today` for the local date.
int Inc_Cmd_Count(const wchar_t* file = nullptr, const SYSTEMTIME* today = nullptr);
int Inc_Clipboard_Count(const wchar_t* file = nullptr, const SYSTEMTIME* today = nullptr);
// Today's count of the key ("Commands" or "Clipboard"), 0 when none was kept.
int GetCount(const wchar_t* key, const wchar_t* file, const SYSTEMTIME& day);
}  // namespace CStat_Info
