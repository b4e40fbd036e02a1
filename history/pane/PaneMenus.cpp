#include "history/pane/PaneMenus.h"

#include "core/ClipboardItemFiles.h"
#include "core/TrayIds.h"
#include "core/UiStringIds.h"
#include "core/UiStrings.h"
#include "core/base/TextHelpers.h"
#include "history/ClipboardHandler.h"
#include "history/HistoryMenu.h"

namespace {

using Kind = CClipboardItemData::Kind;

bool IsTextKind(int kind) {
    return kind == Kind::kText || kind == Kind::kUnicodeText || kind == Kind::kRtf;
}

}  // namespace

CPaneMenuFacts CollectPaneMenuFacts(CVXLWndClipboardHandler& history, int focused, const std::vector<int>& selected) {
    CPaneMenuFacts facts;
    facts.itemCount = history.Get_Items_Count();
    facts.undoCount = history.Queue().UndoCount();
    for (int row = 0; row < facts.itemCount; ++row)
        if (!history.Get_Item(row)->IsProtected()) facts.anyUnprotected = true;
    facts.allDorvane = facts.itemCount > 0;
    for (int row = 0; row < facts.itemCount; ++row)
        if (history.Get_Item(row)->Kind() != Kind::kDorvane) facts.allDorvane = false;
    for (int row : selected) {
        const CCHItem* item = history.Get_Item(row);
        if (!item) continue;
        ++facts.selectedCount;
        if (IsTextKind(item->Kind())) facts.anySelectedText = true;
    }
    if (const CCHItem* item = history.Get_Item(focused)) {
        facts.hasFocused = true;
        facts.focusedKind = item->Kind();
        facts.focusedProtected = item->IsProtected();
        facts.focusedHasUnicode = item->GetCompanion(Kind::kUnicodeText) || item->GetCompanion(Kind::kText);
        facts.focusedHasRtf = item->GetCompanion(Kind::kRtf) != nullptr;
        facts.focusedHasHtml = item->GetHtmlItem() != nullptr;
        facts.focusedHasUrl = item->Has_URL();
        facts.focusedHasListText = !GetPreviewText(*item, 10).IsEmpty();
        const CString text = IsTextKind(item->Kind()) ? GetItemText(*item) : CString();
        facts.focusedHasSymbols = IsFileNameCharReplaced(text);
    }
    return facts;
}

std::vector<CPaneMenuItemState> PaneMenuStates(const CPaneMenuFacts& f) {
    const bool focused = f.hasFocused;
    const bool focusedText = focused && (IsTextKind(f.focusedKind) || f.focusedKind == Kind::kHtml);
    return {
        {ID_PANE_COPY, focused, false},
        {32797, focused && f.focusedHasUnicode, false},
        {32849, focused && f.focusedHasRtf, false},
        {32851, focused && f.focusedHasHtml, false},
        {32860, focused && f.focusedHasHtml, false},
        {32864, focused && f.focusedHasSymbols, false},
        {32872, f.selectedCount >= 2, false},
        {32847, focused && f.focusedHasUrl, false},
        {32848, focused && f.focusedHasUrl, false},
        {32806, focused && IsTextKind(f.focusedKind) && f.focusedHasListText, false},
        {32821, focused, false},
        {ID_PANE_EDIT, focused && !f.allDorvane, false},
        {32845, focusedText, false},
        {32846, focused, false},
        {32840, focused && f.focusedHasListText, false},
        {32841, focused && f.focusedHasListText, false},
        {32842, focused && f.focusedHasListText, false},
        {32843, focused && f.focusedHasListText, false},
        {32799, f.anySelectedText, false},
        {32805, f.anySelectedText, false},
        {32812, focused && f.anySelectedText, false},
        {32873, f.anySelectedText, false},
        {32794, focused, f.focusedProtected},
        {32795, focused, false},
        {32857, focused, false},
        {ID_PANE_DELETE, focused, false},
        {ID_PANE_SHOW_ALL_ITEMS, f.itemCount > 0, false},
        {ID_PANE_MINIMIZE_TO_CAPTION, true, f.collapsed},
        {ID_PANE_PIN, true, f.pinned},
        {32838, f.undoCount > 0, false},
        {32854, f.undoCount > 0, false},
        {32789, f.anyUnprotected, false},
    };
}

UINT PaneMenuDefaultItem(const CPaneMenuFacts& facts, bool onList) {
    if (facts.hasFocused) return facts.selectedCount >= 2 ? 32872 : ID_PANE_COPY;
    return facts.itemCount > 0 && onList ? ID_PANE_SHOW_ALL_ITEMS : 0;
}

void ApplyPaneMenuStates(HMENU menu, const CPaneMenuFacts& facts, bool onList) {
    for (const CPaneMenuItemState& state : PaneMenuStates(facts)) {
        EnableMenuItem(menu, state.id, MF_BYCOMMAND | (state.enabled ? MF_ENABLED : MF_GRAYED));
        CheckMenuItem(menu, state.id, MF_BYCOMMAND | (state.checked ? MF_CHECKED : MF_UNCHECKED));
    }
    const UINT defaultItem = PaneMenuDefaultItem(facts, onList);
    if (defaultItem) SetMenuDefaultItem(menu, defaultItem, FALSE);
}

CPaneButtonTip MakePaneButtonTip(UINT id) {
    CPaneButtonTip tip;
    if (id == ID_APP_EXIT) {
        tip.text = LoadUiString(IDS_EXIT_FROM_VEXLORA);
        return tip;
    }
    tip.text = LoadUiString(id);
    const int lineBreak = tip.text.Find(L'\n');
    if (lineBreak >= 0) {
        tip.title = tip.text.Mid(lineBreak + 1);
        tip.text = tip.text.Left(lineBreak);
    }
    return tip;
}

std::vector<UINT> PaneDropDownIds() {
    return {ID_OPEN_EDITOR, 0,     32786, ID_PANE_PIN,          0,     32809,        32817, 32867,      32827,
            32862,          32815, 0,     ID_CHECK_FOR_UPDATES, 32865, ID_APP_ABOUT, 0,     ID_APP_EXIT};
}

CString UndoPoolCaption(const CString& caption, int records) {
    CString text;
    text.Format(L"%s (%d)", caption.GetString(), records);
    return text;
}

CString PaneDeleteCaption(const CString& caption, int selected, int protectedCount) {
    CString text;
    if (protectedCount > 0)
        text.Format(L"%s (%d/%d)", caption.GetString(), selected, protectedCount);
    else
        text.Format(L"%s (%d)", caption.GetString(), selected);
    if (selected > 0 && protectedCount == selected) text += L"\x2026";
    return text;
}

CString PaneUndoCaption(const CString& caption, int records) {
    if (records <= 0) return caption;
    CString text;
    text.Format(L"%s %d", caption.GetString(), records);
    return text;
}

int CountProtected(CVXLWndClipboardHandler& history, const std::vector<int>& rows) {
    int count = 0;
    for (int row : rows) {
        const CCHItem* item = history.Get_Item(row);
        if (item && item->IsProtected()) ++count;
    }
    return count;
}

CString PaneMenuPreview(const CString& text) {
    CString line = text;
    line.Replace(L"\r\n", L" ");
    for (wchar_t ch : {L'\r', L'\n', L'\t'}) line.Replace(ch, L' ');
    line.Trim();
    CutTextAtWord(line, 25);
    return line;
}

std::vector<UINT> PaneCommandsWithPreview() {
    return {ID_PANE_COPY, 32806, 32794,          32805, 32799, 32812, 32873, 32795, 32857,
            ID_PANE_EDIT, 32845, ID_PANE_DELETE, 32872, 32840, 32841, 32842, 32843};
}
