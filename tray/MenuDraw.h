// How the phrase menu's owner-drawn items are sized: the menu's fonts, made once from the
// settings' menu font, and the measure of an item from its record.
#pragma once

#include <windows.h>

#include "core/base/CString.h"
#include "tray/MenuItemData.h"

// Eight fonts by (underline, italic, bold), made on first use from the settings' menu font.
class CMenuFontCache {
public:
    CMenuFontCache() = default;
    ~CMenuFontCache() { Clear(); }
    CMenuFontCache(const CMenuFontCache&) = delete;
    CMenuFontCache& operator=(const CMenuFontCache&) = delete;

    HFONT Get(bool bold, bool italic, bool underline);
    void Clear();
    // ((underline ? 2 : 0) + (italic ? 1 : 0)) * 2 + (bold ? 1 : 0)
    static int IndexOf(bool bold, bool italic, bool underline);

private:
    HFONT m_fonts[8] = {};
};

// The font an item is drawn in: bold for the extra commands, else underlined for commands
// to run, italic for formatted text, regular for text.
struct CMenuItemFont {
    bool bold = false;
    bool italic = false;
    bool underline = false;
};
CMenuItemFont MenuItemFontOf(UINT itemId, const M_INFO& info);

// The size of an item: its caption and right text in the regular menu font, 29 pixels
// more in width; the system's menu height (4 pixels more, and 4 more again for an item
// that opens a submenu), an unlabelled separator two thirds of it. False when the record
// cannot be read: the item keeps the size the system gave it.
bool MeasureMenuItem(MEASUREITEMSTRUCT& measure, int menuHeight, CMenuFontCache& fonts);

// The banner down the left edge of the top-level menu: set before the menu is tracked,
// drawn once per showing.
void SetMenuBannerTarget(HMENU topMenu, HWND tracker);
void ResetMenuBannerDrawn();

// Where the icons of the item kinds come from: the program's resources or the shell.
// Null for a kind without an icon. Made once per kind.
HICON GetMenuKindIcon(int kind);

// Paints the item from its record: background (odd rows shaded, clips on the tip colour,
// last-used items on the window colour), the banner, the icon column, the number, the
// caption with its caret mark, the right text or a separator's label, and the red frame
// of the last chosen phrase.
void DrawMenuItem(const DRAWITEMSTRUCT& draw, CMenuFontCache& fonts);
