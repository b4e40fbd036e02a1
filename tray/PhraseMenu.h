// The contents of the phrase popup menu: last-used phrases and their groups, the phrase
// tree (with optional columns), the clipboard history and the extra commands, every item
// owner-drawn with an M_INFO record (tray/MenuItemData.h) as its item data.
//
// Building is apart from showing: the caller tracks the built menu, then frees it with
// CleanupMenu and DestroyMenu. Everything runs on the UI thread (RTF phrases go through
// the hidden RichEdit).
#pragma once

#include <windows.h>

#include <vector>

#include "core/base/CString.h"
#include "phrases/CommandTree.h"
#include "tray/MenuHistorySource.h"
#include "tray/MenuItemData.h"

class CVXLSettings;

// The options the menu follows, taken from the settings when the menu is built.
struct CPhraseMenuOptions {
    bool addLastUsed = true;
    bool columns = false;
    int perColumn = 15;  // 1..100
    bool insertHistory = true;
    bool historyAsSubmenu = false;
    int maxHistoryItems = -1;  // -1: no limit
    bool editSettingsCommand = true;
    bool selectionToPhraseCommand = true;
    bool supportCommand = true;
    bool floatPaneCommand = true;
    // The process belongs to the Administrators group: no "Run As Administrator".
    bool isAdmin = false;

    static CPhraseMenuOptions FromSettings(CVXLSettings& settings, bool isAdmin);
};

// What the menu is built for: the phrases, the history and the target's facts.
struct CPhraseMenuContext {
    const CVXLCommandTree* tree = nullptr;
    IMenuHistorySource* history = nullptr;  // null: no history section
    // Newest first; -1 and the extra commands' ids are passed over.
    std::vector<int> lastUsed;
    int lastChosenId = -1;
    CString selectedText;
    CString clipboardText;
    bool hasSelection = false;  // the query carried a selection
    HKL layout = nullptr;       // the target's keyboard layout
    CString targetProgram;      // empty when unknown
};

// A phrase's caption and the place of its caret mark in it (-1 for none).
struct CPhraseCaption {
    CString text;
    int caretPos = -1;
};

CPhraseCaption MakePhraseCaption(const CVXLCommand& record, const CPhraseMenuContext& context);
CString MakePhraseTip(const CVXLCommand& record, const CString& caption, const CPhraseMenuContext& context);
// "+" and the abbreviation of the layout the command text selects; empty when none.
CString MakePhraseRightText(const CVXLCommand& record);
// The tip of a history item (made and stored back into the item when it has none).
CString MakeHistoryTip(IMenuHistorySource& history, int index);

class CPhraseMenuBuilder {
public:
    CPhraseMenuBuilder(const CPhraseMenuContext& context, const CPhraseMenuOptions& options);

    // The whole menu, or null when it would be empty (or could not be made).
    HMENU MakeMenu();
    // The last-used phrases and their groups at the end of the menu; the number of items
    // added.
    int AddLastUsedSection(HMENU menu);
    void AddClipboardHistoryIntoMenu(bool withTips, HMENU menu);
    // The history section ended with its own float-pane item, so the extra commands leave
    // theirs out.
    bool IsFloatPaneCommandAdded() const { return m_floatPaneCommandAdded; }

private:
    // Sets the menu as soon as it exists, so that a guard can free what was built.
    void MakeMenuUnguarded(HMENU& menu);
    void AddHistoryUnguarded(bool withTips, HMENU menu);
    // The group procedure: counter null for no columns.
    void AddGroup(HMENU menu, const CVXLCommandVector& records, int* columnCounter);
    bool AddPhraseItem(HMENU menu, const CVXLCommand& record, UINT flags, int index, DWORD marks, int number);
    void AddExtraCommands(HMENU menu);
    bool AddFloatPaneItem(HMENU menu, const CString& caption);

    const CPhraseMenuContext& m_context;
    CPhraseMenuOptions m_options;
    bool m_floatPaneCommandAdded = false;
};

// Frees the M_INFO of every item, submenus first. The menu itself stays.
void CleanupMenu(HMENU menu);

// Separators of the phrase menu, owner-drawn with their own M_INFO.
bool AddMenuSeparator(HMENU menu);
// Only when the menu is not empty and does not end with a separator.
bool AddMenuSeparatorIfNeeded(HMENU menu);
// Replaces a separator that ends the menu; false when that one cannot be removed.
bool AddLabelledSeparator(HMENU menu, const CString& label, DWORD marks);
// Removes the item and frees its M_INFO (and those of its submenu).
bool DeleteMenuItemWithInfo(HMENU menu, int position);
