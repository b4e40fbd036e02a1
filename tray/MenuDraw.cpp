#include "tray/MenuDraw.h"

#include "core/Settings.h"
#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "tray/PhraseMenuHandler.h"

int CMenuFontCache::IndexOf(bool bold, bool italic, bool underline) {
    return ((underline ? 2 : 0) + (italic ? 1 : 0)) * 2 + (bold ? 1 : 0);
}

HFONT CMenuFontCache::Get(bool bold, bool italic, bool underline) {
    HFONT& font = m_fonts[IndexOf(bold, italic, underline)];
    if (!font) {
        LOGFONTW logFont = CVXLSettings::GetInstance().FontForMenu;
        logFont.lfWeight = bold ? FW_BOLD : FW_NORMAL;
        logFont.lfItalic = italic ? TRUE : FALSE;
        logFont.lfUnderline = underline ? TRUE : FALSE;
        font = CreateFontIndirectW(&logFont);
    }
    return font;
}

void CMenuFontCache::Clear() {
    for (HFONT& font : m_fonts) {
        if (font) DeleteObject(font);
        font = nullptr;
    }
}

CMenuItemFont MenuItemFontOf(UINT itemId, const M_INFO& info) {
    CMenuItemFont font;
    if (IsSpecialMenuID(itemId)) {
        font.bold = true;
    } else if (info.dataType == 2) {
        font.underline = true;
    } else if (info.dataType == 1) {
        font.italic = true;
    }
    return font;
}

bool MeasureMenuItem(MEASUREITEMSTRUCT& measure, int menuHeight, CMenuFontCache& fonts) {
    const auto* info = reinterpret_cast<const M_INFO*>(measure.itemData);
    MEMORY_BASIC_INFORMATION memory = {};
    // The record comes through the menu from our own build; an item of another origin
    // carries whatever it carries.
    if (!info || !VirtualQuery(info, &memory, sizeof memory) || memory.State != MEM_COMMIT ||
        (memory.Protect & (PAGE_NOACCESS | PAGE_GUARD))) {
        LogError(L"M_INFO is NULL on MeasureImpl");
        return false;
    }
    CString text = info->caption;
    text += info->rightText;
    SIZE size = {100, 0};
    CMemoryDC dc(CreateCompatibleDC(nullptr));
    if (dc && !text.IsEmpty()) {
        HGDIOBJ old = SelectObject(dc.get(), fonts.Get(false, false, false));
        GetTextExtentPoint32W(dc.get(), text, text.GetLength(), &size);
        SelectObject(dc.get(), old);
    }
    const bool separator = (info->kindFlags & kMenuItemSeparator) != 0;
    const bool shortSeparator = separator && info->rightText[0] == L'\0';
    int height = menuHeight;
    if (shortSeparator) height = height / 3 ? height / 3 * 2 : height / 2;
    if (info->kindFlags & kMenuItemOpensSubmenu) height += 4;
    if (!shortSeparator) height += 4;
    measure.itemHeight = static_cast<UINT>(height);
    measure.itemWidth = static_cast<UINT>(size.cx + 29);
    return true;
}
