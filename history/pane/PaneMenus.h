// Which commands of the pane's context menu can be chosen, which are checked and which is
// the default, from the facts of the list's selection; and the facts read from the history.
#pragma once

#include <windows.h>

#include <vector>

#include "core/base/CString.h"

class CVXLWndClipboardHandler;

struct CPaneMenuFacts {
    bool hasFocused = false;
    int focusedKind = -1;
    bool focusedProtected = false;
    bool focusedHasUnicode = false;
    bool focusedHasRtf = false;
    bool focusedHasHtml = false;
    bool focusedHasUrl = false;
    bool focusedHasListText = false;
    bool focusedHasSymbols = false;  // characters that Copy Exclude Symbols takes out
    int itemCount = 0;
    int selectedCount = 0;
    bool anySelectedText = false;
    bool anyUnprotected = false;
    bool allDorvane = false;
    int undoCount = 0;
    bool collapsed = false;
    bool pinned = false;
};

CPaneMenuFacts CollectPaneMenuFacts(CVXLWndClipboardHandler& history, int focused, const std::vector<int>& selected);

struct CPaneMenuItemState {
    UINT id;
    bool enabled;
    bool checked;
};
std::vector<CPaneMenuItemState> PaneMenuStates(const CPaneMenuFacts& facts);
// 0 for none. onList: the menu's place lies on the list.
UINT PaneMenuDefaultItem(const CPaneMenuFacts& facts, bool onList);
// Greys, checks and the default item in the menu and its submenus.
void ApplyPaneMenuStates(HMENU menu, const CPaneMenuFacts& facts, bool onList);

// The tip of a tool-bar button: its UI string, whose second line (when it has one) becomes
// the title; the close button has a text of its own.
struct CPaneButtonTip {
    CString text;
    CString title;
};
CPaneButtonTip MakePaneButtonTip(UINT id);

// The drop-down menu of the tool bar's Edit button: the ids in order, 0 for a separator.
std::vector<UINT> PaneDropDownIds();

// The caption of "Clear Undo Pool" with the number of undo records.
CString UndoPoolCaption(const CString& caption, int records);

// Delete's caption with the number of selected items and of the protected ones among them,
// and "…" when every selected item is protected (the command then asks before it does
// anything). Undo's caption with the number of undo records.
CString PaneDeleteCaption(const CString& caption, int selected, int protectedCount);
CString PaneUndoCaption(const CString& caption, int records);
// Counts the protected items among the rows.
int CountProtected(CVXLWndClipboardHandler& history, const std::vector<int>& rows);

// The focused item's text as the context menu's captions show it: one line, tabs as
// blanks, at most 25 characters, cut at a word.
CString PaneMenuPreview(const CString& text);
// The commands whose captions show that preview.
std::vector<UINT> PaneCommandsWithPreview();
