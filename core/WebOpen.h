// Opening addresses and files and searching the web, through the shell seam of
// core/ShellServices.h.
#pragma once

#include <windows.h>

#include "core/base/CString.h"

namespace CAppObjects {

// Trims (unless choosing the program), flattens line breaks, tabs and blank runs and
// puts "http://" in front of a text without a known scheme; then opens it, or with
// chooseProgram shows the "Open with" dialog for it. True when started.
bool OpenUrl(HWND owner, const wchar_t* text, bool chooseProgram);
// The text OpenUrl opens.
CString NormalizeUrlText(const wchar_t* text, bool chooseProgram);
// Web search services 5 to 8; other ids do nothing (false). The query's line breaks
// become blanks and it is URL-encoded. True when the browser was started.
bool WebSearch(const wchar_t* query, int serviceId);
// The address WebSearch opens; empty for an unknown service.
CString BuildWebSearchUrl(const wchar_t* query, int serviceId);
// UTF-8, every byte but the unreserved characters (letters, digits, "-", "_", ".", "~")
// written as "%XX".
CString UrlEncodeQuery(const wchar_t* text);
// The shell's "Open with" dialog for the file.
bool OpenWith(HWND owner, const wchar_t* path);

}  // namespace CAppObjects
