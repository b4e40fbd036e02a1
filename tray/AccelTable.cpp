#include "tray/AccelTable.h"

#include <algorithm>

#include "core/AppSlots.h"
#include "core/AppTexts.h"
#include "core/TrayIds.h"

namespace {

// The accelerator notification code in the high word of WM_COMMAND's wParam.
const WORD kAcceleratorNotification = 1;

BYTE HeldModifierFlags() {
    // The lowest bit is the toggle state, not whether the key is down.
    auto held = [](int key) { return (GetKeyState(key) & ~1) != 0; };
    BYTE flags = 0;
    if (held(VK_SHIFT)) flags |= FSHIFT;
    if (held(VK_CONTROL)) flags |= FCONTROL;
    if (held(VK_MENU)) flags |= FALT;
    return flags;
}

}  // namespace

bool CVXLAccelTable::LoadDefaults() {
    const BYTE ctrl = FVIRTKEY | FCONTROL;
    const BYTE ctrlAlt = FVIRTKEY | FCONTROL | FALT;
    // Escape collapses the pane; its second entry is never found by a key press but
    // gives "Minimize To Caption" its shortcut text in the menus.
    m_entries = {
        {ctrl, 'C', ID_PANE_COPY},
        {ctrl, VK_INSERT, ID_PANE_COPY},
        {ctrlAlt, VK_F1, ID_APP_ABOUT},
        {FVIRTKEY, VK_F4, ID_PANE_EDIT},
        {FVIRTKEY, VK_ESCAPE, ID_PANE_COLLAPSE},
        {FVIRTKEY, VK_ESCAPE, ID_PANE_MINIMIZE_TO_CAPTION},
        {ctrl, 'A', ID_PANE_SELECT_ALL},
        {ctrlAlt, 'A', ID_PANE_SHOW_ALL_ITEMS},
        {0, VK_DELETE, ID_PANE_DELETE},
        {ctrl, 'T', ID_PANE_PIN},
    };
    return HasEntries();
}

WORD CVXLAccelTable::FindCommand(WORD key, BYTE modifiers) const {
    for (BYTE flags : {modifiers, static_cast<BYTE>(modifiers | FVIRTKEY)}) {
        for (const ACCEL& entry : m_entries) {
            if (entry.fVirt == flags && entry.key == key) return entry.cmd;
        }
    }
    return 0;
}

bool CVXLAccelTable::TranslateKeyDown(const MSG& message, HWND window) const {
    if (message.message != WM_KEYDOWN || !HasEntries()) return false;
    const WORD command = FindCommand(static_cast<WORD>(message.wParam), HeldModifierFlags());
    if (command == 0) return false;
    const WPARAM wParam = MAKEWPARAM(command, kAcceleratorNotification);
    // WM_COMMAND handlers commonly answer 0 after running the command, so a window
    // that already had it is not asked again: the command would run twice.
    HWND asked[3] = {};
    int askedCount = 0;
    for (HWND target : {window, GetFocus(), CAppObjects::GetMainWnd()}) {
        if (!target || std::find(asked, asked + askedCount, target) != asked + askedCount) continue;
        asked[askedCount++] = target;
        if (SendMessageW(target, WM_COMMAND, wParam, 0) != 0) return true;
    }
    return false;
}

CString CVXLAccelTable::GetShortcutText(WORD command) const {
    for (const ACCEL& entry : m_entries) {
        if (entry.cmd == command) return AccelKeyToText(entry.key, entry.fVirt);
    }
    return CString();
}

bool CVXLAccelTable::AppendShortcutToText(WORD command, CString& text) const {
    CString shortcut = GetShortcutText(command);
    // The key names come from scan codes without the extended-key bit, so Delete reads
    // as the keypad's "Num Del".
    if (shortcut.Replace(L"Num", L"") > 0) shortcut.Trim(L' ');
    if (shortcut.IsEmpty()) return false;
    const int tab = text.Find(L'\t');
    if (tab > 0) text = text.Left(tab);
    text += L'\t';
    text += shortcut;
    return true;
}

bool CVXLAccelTable::AppendShortcutToItem(HMENU menu, WORD command) const {
    return AppendShortcutToMenuItem(menu, command, FALSE, command);
}

int CVXLAccelTable::AppendShortcutsToMenu(HMENU menu) const {
    int changed = 0;
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        const UINT id = GetMenuItemID(menu, position);
        // Submenus answer -1; by position, so that an item of a submenu with the same
        // id is not changed in its place.
        if (id == 0 || id == static_cast<UINT>(-1)) continue;
        if (AppendShortcutToMenuItem(menu, position, TRUE, static_cast<WORD>(id))) ++changed;
    }
    return changed;
}

bool CVXLAccelTable::AppendShortcutToMenuItem(HMENU menu, UINT item, BOOL byPosition, WORD command) const {
    const UINT flag = byPosition ? MF_BYPOSITION : MF_BYCOMMAND;
    // The whole text is read, however long, because it is written back.
    const int length = GetMenuStringW(menu, item, nullptr, 0, flag);
    CString text;
    if (length > 0) {
        const int copied = GetMenuStringW(menu, item, text.GetBuffer(length), length + 1, flag);
        text.ReleaseBuffer(copied > 0 ? copied : 0);
    }
    if (!AppendShortcutToText(command, text)) return false;
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<wchar_t*>(text.GetString());
    return SetMenuItemInfoW(menu, item, byPosition, &info) != FALSE;
}
