#include "tray/MenuDraw.h"

#include <shellapi.h>

#include <map>

#include "core/IconIds.h"
#include "core/Settings.h"
#include "core/SystemInfo.h"
#include "core/UiStringIds.h"
#include "core/UiStrings.h"
#include "core/WindowHelpers.h"
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

// ---------------------------------------------------------------------------------------
// Drawing

namespace {

struct CBannerState {
    HMENU topMenu = nullptr;
    HWND tracker = nullptr;
    bool drawn = false;
};
CBannerState g_banner;

const int kBannerWidth = 22;
const int kBannerShift = 24;
const int kIconColumn = 20;

HFONT BannerFont() {
    static HFONT font = CreateFontW(-18, 0, 900, 900, 500, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                    CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Arial");
    return font;
}

HICON BannerIcon() {
    static HICON icon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IsUserAdmin() ? IDI_APP_READY_ADMIN : IDI_APP_READY),
                   IMAGE_ICON, 16, 16, 0));
    return icon;
}

int SumOfItemHeights(HMENU menu, HWND tracker) {
    int sum = 0;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        RECT rect = {};
        if (GetMenuItemRect(tracker, menu, static_cast<UINT>(i), &rect)) sum += rect.bottom - rect.top;
    }
    return sum;
}

void DrawBanner(HDC dc, HBRUSH highlight) {
    const int sum = SumOfItemHeights(g_banner.topMenu, g_banner.tracker);
    if (sum <= 0) return;
    RECT banner = {0, 0, kBannerWidth, sum};
    FillRect(dc, &banner, highlight);
    if (HICON icon = BannerIcon()) DrawIconEx(dc, 4, sum - 18, icon, 16, 16, 0, nullptr, DI_NORMAL);
    const COLORREF oldColor = SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc, BannerFont());
    const CString text = LoadUiString(IDS_PHRASES_MENU) + L"  \u2014  " + GetProgramVersionText(true);
    TextOutW(dc, 0, sum - 24, text, text.GetLength());
    SelectObject(dc, oldFont);
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldColor);
}

void DrawCaretMark(HDC dc, int x, int bottom, COLORREF color) {
    HPEN pen = CreatePen(PS_SOLID, 1, color);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x - 3, bottom - 5, nullptr);
    LineTo(dc, x, bottom - 8);
    LineTo(dc, x + 3, bottom - 5);
    SelectObject(dc, old);
    DeleteObject(pen);
}

}  // namespace

void SetMenuBannerTarget(HMENU topMenu, HWND tracker) {
    g_banner.topMenu = topMenu;
    g_banner.tracker = tracker;
}

void ResetMenuBannerDrawn() {
    g_banner.drawn = false;
}

HICON GetMenuKindIcon(int kind) {
    static std::map<int, HICON> icons;
    auto found = icons.find(kind);
    if (found != icons.end()) return found->second;
    HICON icon = nullptr;
    if (const UINT resource = GetMenuIconResource(kind)) {
        icon = static_cast<HICON>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource), IMAGE_ICON, 16, 16, 0));
    } else if (const wchar_t* extension = GetMenuIconExtension(kind)) {
        SHFILEINFOW file = {};
        if (SHGetFileInfoW(extension, FILE_ATTRIBUTE_NORMAL, &file, sizeof file,
                           SHGFI_USEFILEATTRIBUTES | SHGFI_ICON | SHGFI_SMALLICON))
            icon = file.hIcon;
    }
    icons[kind] = icon;
    return icon;
}

void DrawMenuItem(const DRAWITEMSTRUCT& draw, CMenuFontCache& fonts) {
    const auto* info = reinterpret_cast<const M_INFO*>(draw.itemData);
    if (!info) return;
    HDC dc = draw.hDC;
    RECT rc = draw.rcItem;
    const bool selected = (draw.itemState & ODS_SELECTED) != 0;
    const bool greyed = (draw.itemState & ODS_GRAYED) != 0;
    const bool history = info->isHistoryItem != 0;
    const bool separator = (info->kindFlags & kMenuItemSeparator) != 0;
    const bool submenu = (info->kindFlags & kMenuItemOpensSubmenu) != 0;
    const bool special = IsSpecialMenuID(draw.itemID);

    // 1. Background and text colour.
    HBRUSH background = nullptr;
    HBRUSH madeBrush = nullptr;
    COLORREF textColor;
    if (selected) {
        background = GetSysColorBrush(COLOR_HIGHLIGHT);
        textColor = GetSysColor(greyed ? COLOR_GRAYTEXT : COLOR_HIGHLIGHTTEXT);
    } else {
        const int base = history ? COLOR_INFOBK : (info->marks & kMenuMarkSection) ? COLOR_WINDOW : COLOR_MENU;
        if ((info->index & 1) && !(info->marks & kMenuMarkSection)) {
            madeBrush = CreateSolidBrush(DarkenColor(GetSysColor(base), 12));
            background = madeBrush;
        } else {
            background = GetSysColorBrush(base);
        }
        if (greyed)
            textColor = GetSysColor(COLOR_GRAYTEXT);
        else if (history)
            textColor = GetSysColor(COLOR_INFOTEXT);
        else if (info->marks & kMenuMarkDefault)
            textColor = RGB(255, 0, 0);
        else
            textColor = GetSysColor(COLOR_MENUTEXT);
    }

    // 2. The banner, once per showing, and the shift of every top-level item.
    if (g_banner.topMenu && reinterpret_cast<HMENU>(draw.hwndItem) == g_banner.topMenu) {
        if (!g_banner.drawn) {
            g_banner.drawn = true;
            DrawBanner(dc, GetSysColorBrush(COLOR_HIGHLIGHT));
        }
        rc.left += kBannerShift;
    }

    // 3. The icon column.
    if (!submenu && !separator && !special) {
        RECT box = {rc.left, rc.top, rc.left + kIconColumn, rc.bottom};
        FillRect(dc, &box, background);
        if (HICON icon = GetMenuKindIcon(GetMenuIconKind(*info))) {
            if (greyed)
                DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, rc.left + 1, rc.top, 16, 16,
                           DST_ICON | DSS_DISABLED);
            else if (selected)
                DrawIconEx(dc, rc.left, rc.top - 1, icon, 20, 20, 0, nullptr, DI_NORMAL);
            else
                DrawIconEx(dc, rc.left + 1, rc.top, icon, 16, 16, 0, nullptr, DI_NORMAL);
        }
        rc.left += 18;
    }

    // 4. The rest of the item, and the text's font.
    RECT rest = rc;
    if (!submenu && !separator && !special) rest.left += 2;
    FillRect(dc, &rest, background);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const CMenuItemFont style = MenuItemFontOf(draw.itemID, *info);
    HGDIOBJ oldFont = SelectObject(dc, fonts.Get(style.bold, style.italic, style.underline));
    RECT text = rc;
    text.left += 8;

    // 5. The extra commands stand out.
    if (special && !selected && !greyed) textColor = draw.itemID == ID_RUN_AS_ADMIN ? RGB(255, 0, 0) : RGB(0, 128, 0);
    const COLORREF oldColor = SetTextColor(dc, textColor);

    if (separator) {
        // 6. A line across the middle.
        HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
        const int middle = (rc.top + rc.bottom) / 2;
        MoveToEx(dc, rc.left + 11, middle, nullptr);
        LineTo(dc, rc.right - 1, middle);
        SelectObject(dc, oldPen);
    } else {
        // 7. Number, caption, caret mark.
        const int number = GetMenuItemDrawnNumber(*info);
        if (number >= 0) {
            CString digits;
            digits.Format(L"%d", number);
            int width = 0;
            if (!submenu) {
                SetTextColor(dc, RGB(0, 0, 255));
                RECT numberRect = text;
                DrawTextW(dc, digits, digits.GetLength(), &numberRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
                SetTextColor(dc, textColor);
                SIZE size = {};
                GetTextExtentPoint32W(dc, digits, digits.GetLength(), &size);
                width = size.cx;
            }
            SIZE blanks = {};
            GetTextExtentPoint32W(dc, L"  ", 2, &blanks);
            text.left += width + blanks.cx;
        }
        const CString caption = info->caption;
        RECT captionRect = text;
        DrawTextW(dc, caption, caption.GetLength(), &captionRect,
                  DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);
        if (info->caretPos >= 0 && !submenu && info->caretPos <= caption.GetLength()) {
            SIZE before = {};
            GetTextExtentPoint32W(dc, caption, info->caretPos, &before);
            DrawCaretMark(dc, text.left + before.cx, rc.bottom, selected ? RGB(255, 0, 0) : RGB(0, 0, 255));
        }
    }

    // 8. The right text, or the separator's label.
    if (info->rightText[0]) {
        RECT right = rc;
        right.right -= 3;
        SetTextColor(dc, selected ? RGB(255, 0, 0) : RGB(0, 0, 255));
        CString label = info->rightText;
        if (separator) {
            SelectObject(dc, GetItalicDlgFont());
            SetBkMode(dc, OPAQUE);
            SetBkColor(dc, GetSysColor((info->marks & kMenuMarkSection) && !selected ? COLOR_WINDOW : COLOR_MENU));
            right.left -= 2;
            right.right += 2;
            label = L" " + label + L" ";
        }
        DrawTextW(dc, label, label.GetLength(), &right, DT_RIGHT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }

    // 9. The frame of the last chosen phrase and of the newest last-used one.
    SelectObject(dc, oldFont);
    if ((info->marks & kMenuMarkDefault) || info->number == 0) {
        HPEN red = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
        HGDIOBJ oldPen = SelectObject(dc, red);
        HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, rc.left, rc.top, rc.right, rc.bottom);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
        DeleteObject(red);
    }

    // 10.
    if (madeBrush) DeleteObject(madeBrush);
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldColor);
}
