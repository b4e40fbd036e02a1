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
