// The float pane's keyboard shortcuts: a small table of its own in place of an
// accelerator resource. Key-down messages are looked up in it and turned into
// WM_COMMAND, and the pane's menus show each command's shortcut behind its text.
#pragma once

#include <windows.h>

#include <vector>

#include "core/base/CString.h"

class CVXLAccelTable {
public:
    // Empties the table and fills it with the pane's shortcuts; returns HasEntries().
    bool LoadDefaults();
    bool HasEntries() const { return !m_entries.empty(); }

    // The command of a key pressed with the modifier flags (FSHIFT, FCONTROL, FALT): the
    // first entry whose flags equal them exactly, else the first whose flags equal them
    // plus FVIRTKEY; 0 when none.
    WORD FindCommand(WORD key, BYTE modifiers) const;

    // WM_KEYDOWN only: the command of the key under the modifiers held now is sent as
    // an accelerator's WM_COMMAND to the window, else to the focus window, else to the
    // main window, until one answers non-zero. True when one did.
    bool TranslateKeyDown(const MSG& message, HWND window) const;

    // "Ctrl+C" and the like for the first entry with that command; empty when none.
    CString GetShortcutText(WORD command) const;
    // Replaces what follows the text's first TAB (or appends) with a TAB and the
    // command's shortcut; false, with the text unchanged, when the command has none.
    bool AppendShortcutToText(WORD command, CString& text) const;
    // The same on the text of a menu item found by its command; true when it changed.
    bool AppendShortcutToItem(HMENU menu, WORD command) const;
    // The same on every command item of the menu (not separators, not submenus);
    // returns how many changed.
    int AppendShortcutsToMenu(HMENU menu) const;

private:
    bool AppendShortcutToMenuItem(HMENU menu, UINT item, BOOL byPosition, WORD command) const;

    std::vector<ACCEL> m_entries;
};
