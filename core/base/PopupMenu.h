// Free functions over Win32 menu handles, shared by the tray window, the float pane, the
// phrase menu, the menu tool tips and the editor (which links no window layer, so these
// know nothing of windows or of the program).
//
// Ids of menu walks: GetMenuItemID gives 0 for a separator and (UINT)-1 for an item
// that opens a submenu, so neither is ever "found" as a command id.
//
// Texts read back lose their mnemonic marks: "&x" gives "x" and "&&" gives "&", so a
// caption that shows an ampersand keeps it.
#pragma once

#include <windows.h>

#include "core/base/CString.h"

// Told of each item with the id; false stops the walk.
using MenuItemFoundProc = bool (*)(HMENU menu, UINT id, void* context);

// InsertMenuItemW by position: a string item with the id, or a separator when the text is
// null or empty. The result of InsertMenuItemW.
bool MenuInsertItemOrSeparator(HMENU menu, const wchar_t* text, UINT id, UINT position);

// Walks the items in order (into submenus when asked); each item with the id counts as
// found and goes to the callback (when given). A false answer, or a hit inside a submenu,
// ends the walk. True when the id was found.
bool MenuFindItemByID(HMENU menu, UINT id, MenuItemFoundProc callback, void* context, bool intoSubmenus);
bool MenuHasItemID(HMENU menu, UINT id);

// Position at this level only; -1 when absent.
int MenuGetItemPosByID(HMENU menu, UINT id);
// The same, searched from the last item backwards.
int MenuGetItemPosByIDFromEnd(UINT id, HMENU menu);
// Position at this level of the item with the id, or of the submenu item that holds it at
// any depth; -1 when absent.
int MenuFindItemPosByID(HMENU menu, UINT id);
// The same for the first id in [lowest, highest].
int MenuFindItemPosByIDRange(HMENU menu, UINT lowest, UINT highest);

// GetMenuStringW by position (up to 259 characters), mnemonic marks removed; empty on
// failure.
CString MenuGetItemTextByPos(HMENU menu, int position);
bool MenuSetItemText(HMENU menu, const wchar_t* text, UINT item, bool byPosition);
// The text of the item with the id, searched into submenus (up to 999 characters),
// mnemonic marks and a trailing "…" removed.
CString MenuGetItemTextByID(HMENU menu, UINT id);
// That text cut before its first tab (a tab in front keeps the text whole), trailing "."
// and "…" removed.
CString MenuGetItemCaptionByID(HMENU menu, UINT id);
// The submenu captions leading to the first item whose id is in [lowest, highest], then
// that item's caption, joined with "\"; empty when no item is in the range.
CString MenuGetItemPathText(HMENU menu, UINT lowest, UINT highest);

bool MenuSetItemBitmap(HMENU menu, UINT item, HBITMAP bitmap, bool byPosition = false);
bool MenuSetItemBitmapPopupMaximize(HMENU menu, UINT item, bool byPosition = false);
bool MenuSetItemBitmapMbarClose(HMENU menu, UINT item, bool byPosition = false);

// By command: a radio check mark set (MFT_RADIOCHECK, MFS_CHECKED) or both cleared.
bool MenuSetItemRadioCheck(bool check, UINT id, HMENU menu);
// By command: the item becomes a string item with the text.
bool MenuSetItemTextType(const wchar_t* text, UINT id, HMENU menu);

// SC_SIZE, SC_MOVE, SC_MINIMIZE, SC_MAXIMIZE, SC_CLOSE and SC_RESTORE.
bool IsSysCommandID(UINT id);
