#include "tray/MenuItemData.h"

#include <atomic>

#include "core/IconIds.h"
#include "phrases/Command.h"

namespace {

std::atomic<long> g_liveMenuInfos{0};

// Copies at most the buffer's room, never half of a surrogate pair.
void CopyFixed(wchar_t (&target)[kMenuInfoTextChars], const CString& text) {
    int length = text.GetLength();
    if (length > kMenuInfoTextChars - 1) {
        length = kMenuInfoTextChars - 1;
        if (IS_HIGH_SURROGATE(text.GetAt(length - 1))) --length;
    }
    for (int i = 0; i < length; ++i) target[i] = text.GetAt(i);
    target[length] = L'\0';
}

}  // namespace

M_INFO::M_INFO()
    : caption{},
      rightText{},
      commandText{},
      isHistoryItem(0),
      isPictureItem(0),
      isSisterFormatItem(0),
      dataType(0),
      index(0),
      kindFlags(0),
      commandId(0),
      caretPos(-1),
      number(-1),
      marks(0) {
    ++g_liveMenuInfos;
}

M_INFO::~M_INFO() {
    --g_liveMenuInfos;
}

void M_INFO::SetTip(const CString& text) {
    int length = text.GetLength();
    if (length <= kMaxMenuTipChars) {
        tipText = text;
        return;
    }
    length = kMaxMenuTipChars;
    if (IS_HIGH_SURROGATE(text.GetAt(length - 1))) --length;
    tipText = text.Left(length);
}

void M_INFO::SetCaption(const CString& text) {
    CopyFixed(caption, text);
}

void M_INFO::SetRightText(const CString& text) {
    CopyFixed(rightText, text);
}

void M_INFO::SetCommandText(const CString& text) {
    CopyFixed(commandText, text);
}

long GetLiveMenuInfoCount() {
    return g_liveMenuInfos.load();
}

M_INFO* GetMenuItemInfoRecord(HMENU menu, UINT item, bool byPosition) {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_DATA;
    if (!GetMenuItemInfoW(menu, item, byPosition ? TRUE : FALSE, &info)) return nullptr;
    return reinterpret_cast<M_INFO*>(info.dwItemData);
}

int GetMenuIconKind(const M_INFO& info) {
    if (info.isSisterFormatItem) return kMenuIconSister;
    switch (GetItemKind(false, static_cast<int>(info.dataType), CString(info.commandText))) {
        case VXL_KIND_RTF:
            return kMenuIconRtf;
        case VXL_KIND_PROGRAM:
            return kMenuIconProgram;
        case VXL_KIND_WEB_SEARCH:
            return kMenuIconSearch;
        case VXL_KIND_TRANSLATE:
            return kMenuIconTranslate;
        case VXL_KIND_WEB_SEARCH2:
            return kMenuIconSearch2;
        case VXL_KIND_WEB_ADDRESS:
            return kMenuIconWeb;
        default:
            return kMenuIconText;
    }
}

UINT GetMenuIconResource(int kind) {
    switch (kind) {
        case kMenuIconRtf:
            return IDI_FORMATTED_TEXT;
        case kMenuIconProgram:
            return IDI_RUN;
        case kMenuIconSearch:
            return IDI_WEB_SEARCH;
        case kMenuIconTranslate:
            return IDI_TRANSLATE;
        case kMenuIconSearch2:
            return IDI_WEB_SEARCH_2;
        case kMenuIconWeb:
            return IDI_WEB;
        default:
            return 0;
    }
}

const wchar_t* GetMenuIconExtension(int kind) {
    switch (kind) {
        case kMenuIconText:
            return L".txt";
        case kMenuIconSister:
            return L".dvn";
        default:
            return nullptr;
    }
}

int GetMenuItemDrawnNumber(const M_INFO& info) {
    if (info.kindFlags & (kMenuItemOpensSubmenu | kMenuItemSeparator)) return -1;
    if (info.isHistoryItem && IsClipMenuId(info.commandId)) return ClipIndexFromMenuId(info.commandId) + 1;
    return info.number >= 0 ? info.number + 1 : -1;
}
