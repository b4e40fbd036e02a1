// The main program's language: the menu of language files, the writer of missing keys
// and the choice of the Russian web pages.
#pragma once

#include <windows.h>

#include <vector>

#include "core/base/CString.h"

namespace CAppObjects {

// Starts the writer of missing language keys with the application exit event.
bool StartLngWriterThread();
// Chooses the Russian web pages when the UI language file has a Russian prefix.
void SetUseRuUrls();
// Fills the popup with the language files from kFirstLanguageCommandId on (after its
// first item and a separator); `names` gets the files in id order. The number of
// language items.
int FillLanguageMenu(HMENU popup, std::vector<CString>& names);
// Fills the popup, tracks it at the point with the window (the main window when null)
// in the foreground and sends a chosen language to the main window
// (WM_VXL_LANGUAGE_CHOSEN). The chosen id, or 0.
UINT TrackLanguageMenu(HMENU popup, POINT point, HWND window);

}  // namespace CAppObjects
