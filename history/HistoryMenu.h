// Single history items as the menus, tool tips and the float pane show them, put back on
// the clipboard, and edited in place. Items are passed in; the handler window forwards to
// these with its queue, its clipboard and its save timer.
#pragma once

#include <windows.h>

#include "core/base/CString.h"
#include "core/base/Clipboard.h"
#include "history/HistoryItem.h"
#include "history/HistoryQueue.h"

// A popup menu lists at most this many items; the rest are reached through the float pane.
const int kHistoryMenuMaxEntries = 25;
// Longer captions are cut to 30 characters and an ellipsis.
const int kHistoryCaptionMaxChars = 30;

// ---------------------------------------------------------------------------------------
// Texts

// The text of the item (or of its Unicode or ANSI companion) for a menu, a tip or the pane:
// at most maxChars characters (200 for 0 or less) and "…" when it was longer.
CString GetPreviewText(const CCHItem& item, int maxChars);
// The preview of 1000 characters flattened and cut at a word boundary to 100.
CString GetMenuText(const CCHItem& item);
CString GetTipText(const CCHItem& item);
// The item's own text as UTF-16: 8-bit text in the ANSI code page, Unicode text, formatted
// text made plain, HTML from UTF-8; empty for the other kinds.
CString GetItemText(const CCHItem& item);

// ---------------------------------------------------------------------------------------
// Menu entries

// Appends the newest items (at most maxCount; -1 for all) with ids firstId + i, after a
// separator. More than kHistoryMenuMaxEntries asked: the first of them and, when items
// are left, an entry "N [Float Pane]" with ID_SHOW_FLOAT_PANE as the default item. The
// entry whose text equals clipboardText is checked. The number of items appended.
int AddHistoryToMenu(HMENU menu, UINT firstId, int maxCount, const CCHQueue& queue, const CString& clipboardText);
// One entry with the item's menu text; the current one checked and made the default.
bool AppendHistoryItem(const CCHItem& item, UINT id, HMENU menu, bool isCurrent);
// The caption AppendHistoryItem gives the item.
CString MakeHistoryEntryCaption(const CCHItem& item);
// Deletes the entries of the ids; in a menu still holding 5 items or more, its separators too.
void RemoveHistoryFromMenu(HMENU menu, UINT firstId, UINT lastId);

// ---------------------------------------------------------------------------------------
// Back on the clipboard. Every write holds a CMyCopyLock so that the history does not
// record it; owner becomes the clipboard's owner.

// ANSI, Unicode and formatted text and Dorvane data in their own format; false for the
// other kinds, which are left alone.
bool PutBack(IClipboard& clipboard, HWND owner, const CCHItem& item);
// The item in its own format together with every companion (bitmaps as CF_DIB), as the
// copy was when it was made: a picture or a web page pastes as itself where the target
// takes it, and as text elsewhere.
bool PutBackWithCompanions(IClipboard& clipboard, HWND owner, const CCHItem& item);
// The first text of the item, its Unicode companion, its ANSI companion or any companion,
// as CF_UNICODETEXT; HTML tries the companions first. False when none gives a text.
bool PutAsText(IClipboard& clipboard, HWND owner, const CCHItem& item);

// One form of the item (itself or a companion of the kind) alone in its own format; false
// when the item has no such form.
bool PutForm(IClipboard& clipboard, HWND owner, const CCHItem& item, int kind);
bool PutUnicodeText(IClipboard& clipboard, HWND owner, const CString& text);

// ---------------------------------------------------------------------------------------
// Edits. Each returns true when the item changed in a way that must be saved: the edit
// is marked on the item (MarkEdited, data path and read-only attribute cleared), and the
// caller arms the save. Menu texts are made again after any change.

// Unicode text is saved; 8-bit and formatted text change in memory only.
bool ChangeCase(CCHItem& item, bool upper);
// Blanks, tabs and line breaks go from both ends; saved for Unicode text only.
bool Trim(CCHItem& item);
// Each line break becomes one blank, then the text is trimmed; formatted text becomes
// Unicode text. Saved for every kind.
bool JoinLines(CCHItem& item);
