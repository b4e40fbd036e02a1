#include "core/base/PopupMenu.h"

#include <vector>

namespace {

const wchar_t kEllipsis = L'\u2026';
const UINT kPopupId = static_cast<UINT>(-1);

bool IsCommandId(UINT id) {
    return id != 0 && id != kPopupId;
}

int ItemCount(HMENU menu) {
    if (!menu || !IsMenu(menu)) return 0;
    int count = GetMenuItemCount(menu);
    return count < 0 ? 0 : count;
}

CString RemoveMnemonics(const CString& text) {
    CString result;
    const int length = text.GetLength();
    for (int i = 0; i < length; ++i) {
        wchar_t ch = text.GetAt(i);
        if (ch == L'&') {
            if (text.GetAt(i + 1) != L'&') continue;
            ++i;
        }
        result += ch;
    }
    return result;
}

CString ReadMenuString(HMENU menu, UINT item, UINT flags, int maxChars) {
    std::vector<wchar_t> buffer(static_cast<size_t>(maxChars) + 1, L'\0');
    int length = GetMenuStringW(menu, item, buffer.data(), maxChars + 1, flags);
    if (length <= 0) return CString();
    return CString(buffer.data(), length);
}

bool IsRangeHit(UINT id, UINT lowest, UINT highest) {
    return IsCommandId(id) && id >= lowest && id <= highest;
}

// The position at this level of the first item, direct or in a submenu at any depth,
// whose id is in the range.
int FindPosInRange(HMENU menu, UINT lowest, UINT highest) {
    const int count = ItemCount(menu);
    for (int pos = 0; pos < count; ++pos) {
        UINT id = GetMenuItemID(menu, pos);
        if (IsRangeHit(id, lowest, highest)) return pos;
        HMENU sub = GetSubMenu(menu, pos);
        if (sub && FindPosInRange(sub, lowest, highest) >= 0) return pos;
    }
    return -1;
}

bool FindPath(HMENU menu, UINT lowest, UINT highest, std::vector<CString>& parts) {
    const int count = ItemCount(menu);
    for (int pos = 0; pos < count; ++pos) {
        UINT id = GetMenuItemID(menu, pos);
        if (IsRangeHit(id, lowest, highest)) {
            parts.push_back(ReadMenuString(menu, id, MF_BYCOMMAND, 299));
            return true;
        }
        HMENU sub = GetSubMenu(menu, pos);
        if (!sub) continue;
        parts.push_back(ReadMenuString(menu, static_cast<UINT>(pos), MF_BYPOSITION, 299));
        if (FindPath(sub, lowest, highest, parts)) return true;
        parts.pop_back();
    }
    return false;
}

bool SetItemInfo(HMENU menu, UINT item, bool byPosition, MENUITEMINFOW& info) {
    info.cbSize = sizeof(info);
    return SetMenuItemInfoW(menu, item, byPosition ? TRUE : FALSE, &info) != FALSE;
}

}  // namespace

bool MenuInsertItemOrSeparator(HMENU menu, const wchar_t* text, UINT id, UINT position) {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    if (text && *text) {
        info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_ID;
        info.fType = MFT_STRING;
        info.wID = id;
        info.dwTypeData = const_cast<wchar_t*>(text);
    } else {
        info.fMask = MIIM_FTYPE;
        info.fType = MFT_SEPARATOR;
    }
    return InsertMenuItemW(menu, position, TRUE, &info) != FALSE;
}

bool MenuFindItemByID(HMENU menu, UINT id, MenuItemFoundProc callback, void* context, bool intoSubmenus) {
    if (!IsCommandId(id)) return false;
    bool found = false;
    const int count = ItemCount(menu);
    for (int pos = 0; pos < count; ++pos) {
        UINT itemId = GetMenuItemID(menu, pos);
        if (itemId == id) {
            found = true;
            if (callback && !callback(menu, id, context)) return true;
            continue;
        }
        if (itemId != kPopupId || !intoSubmenus) continue;
        HMENU sub = GetSubMenu(menu, pos);
        if (sub && MenuFindItemByID(sub, id, callback, context, true)) return true;
    }
    return found;
}

bool MenuHasItemID(HMENU menu, UINT id) {
    return MenuFindItemByID(menu, id, nullptr, nullptr, true);
}

int MenuGetItemPosByID(HMENU menu, UINT id) {
    if (!IsCommandId(id)) return -1;
    const int count = ItemCount(menu);
    for (int pos = 0; pos < count; ++pos)
        if (GetMenuItemID(menu, pos) == id) return pos;
    return -1;
}

int MenuGetItemPosByIDFromEnd(UINT id, HMENU menu) {
    if (!IsCommandId(id)) return -1;
    for (int pos = ItemCount(menu) - 1; pos >= 0; --pos)
        if (GetMenuItemID(menu, pos) == id) return pos;
    return -1;
}

int MenuFindItemPosByID(HMENU menu, UINT id) {
    return FindPosInRange(menu, id, id);
}

int MenuFindItemPosByIDRange(HMENU menu, UINT lowest, UINT highest) {
    return FindPosInRange(menu, lowest, highest);
}

CString MenuGetItemTextByPos(HMENU menu, int position) {
    if (position < 0 || !menu || !IsMenu(menu)) return CString();
    return RemoveMnemonics(ReadMenuString(menu, static_cast<UINT>(position), MF_BYPOSITION, 259));
}

bool MenuSetItemText(HMENU menu, const wchar_t* text, UINT item, bool byPosition) {
    MENUITEMINFOW info = {};
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<wchar_t*>(text ? text : L"");
    return SetItemInfo(menu, item, byPosition, info);
}

CString MenuGetItemTextByID(HMENU menu, UINT id) {
    struct Found {
        CString text;
    } found;
    auto read = [](HMENU owner, UINT itemId, void* context) {
        static_cast<Found*>(context)->text = ReadMenuString(owner, itemId, MF_BYCOMMAND, 999);
        return false;
    };
    if (!MenuFindItemByID(menu, id, read, &found, true)) return CString();
    CString text = RemoveMnemonics(found.text);
    text.TrimRight(kEllipsis);
    return text;
}

CString MenuGetItemCaptionByID(HMENU menu, UINT id) {
    CString text = MenuGetItemTextByID(menu, id);
    int tab = text.Find(L'\t');
    if (tab > 0) text = text.Left(tab);
    text.TrimRight(L".\u2026");
    return text;
}

CString MenuGetItemPathText(HMENU menu, UINT lowest, UINT highest) {
    std::vector<CString> parts;
    if (!FindPath(menu, lowest, highest, parts)) return CString();
    CString path;
    for (const CString& part : parts) {
        CString clean = RemoveMnemonics(part);
        if (clean.IsEmpty()) continue;
        if (!path.IsEmpty()) path += L"\\";
        path += clean;
    }
    return path;
}

bool MenuSetItemBitmap(HMENU menu, UINT item, HBITMAP bitmap, bool byPosition) {
    MENUITEMINFOW info = {};
    info.fMask = MIIM_BITMAP;
    info.hbmpItem = bitmap;
    return SetItemInfo(menu, item, byPosition, info);
}

bool MenuSetItemBitmapPopupMaximize(HMENU menu, UINT item, bool byPosition) {
    return MenuSetItemBitmap(menu, item, HBMMENU_POPUP_MAXIMIZE, byPosition);
}

bool MenuSetItemBitmapMbarClose(HMENU menu, UINT item, bool byPosition) {
    return MenuSetItemBitmap(menu, item, HBMMENU_MBAR_CLOSE, byPosition);
}

bool MenuSetItemRadioCheck(bool check, UINT id, HMENU menu) {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_STATE;
    // Read first, so that the item's other type bits (owner draw, breaks) stay.
    if (!GetMenuItemInfoW(menu, id, FALSE, &info)) return false;
    info.fMask = MIIM_FTYPE | MIIM_STATE;
    if (check) {
        info.fType |= MFT_RADIOCHECK;
        info.fState |= MFS_CHECKED;
    } else {
        info.fType &= ~static_cast<UINT>(MFT_RADIOCHECK);
        info.fState &= ~static_cast<UINT>(MFS_CHECKED);
    }
    return SetItemInfo(menu, id, false, info);
}

bool MenuSetItemTextType(const wchar_t* text, UINT id, HMENU menu) {
    MENUITEMINFOW info = {};
    info.fMask = MIIM_TYPE;
    info.fType = MFT_STRING;
    info.dwTypeData = const_cast<wchar_t*>(text ? text : L"");
    return SetItemInfo(menu, id, false, info);
}

bool IsSysCommandID(UINT id) {
    switch (id) {
        case SC_SIZE:
        case SC_MOVE:
        case SC_MINIMIZE:
        case SC_MAXIMIZE:
        case SC_CLOSE:
        case SC_RESTORE:
            return true;
        default:
            return false;
    }
}
