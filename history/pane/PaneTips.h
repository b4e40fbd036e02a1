// The tip of a row of the pane's list: which rows are selected, then what the item is,
// how big, when and where it was copied, where it lies on disk and where it came from.
#pragma once

#include <windows.h>

#include <vector>

#include "core/base/CString.h"

class CCHItem;

// The day word of the copy ("today", "yesterday", "two days ago" in lower case, from the
// UI strings) when the copy lies that close to now; empty otherwise.
CString PaneTipDayWord(const SYSTEMTIME& copied, const SYSTEMTIME& now);
// now: the local time the tip is made at.
CString MakePaneItemTip(const CCHItem& item, const std::vector<int>& selectedRows, const SYSTEMTIME& now);

// What the tip of the pane's strip tells: the program and its version, the phrase menu's
// hot key, and for a process without elevation how to get it.
struct CPaneCaptionTipFacts {
    CString version;  // the program's version without its build
    CString hotKey;   // empty while none is registered
    bool elevated = false;
    CString runAsAdminCaption;  // the caption of the Run As Administrator command
};
CString MakePaneCaptionTip(const CPaneCaptionTipFacts& facts);

// A row's text in the list: a picture is called one, Dorvane data shows its document's
// title or path, a text its preview on one line (line breaks and runs of blanks become one
// blank), at most maxChars characters.
CString PaneListText(const CCHItem& item, int maxChars);
