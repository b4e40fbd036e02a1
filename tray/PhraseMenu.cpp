#include "tray/PhraseMenu.h"

#include <algorithm>
#include <memory>

#include "core/AppTexts.h"
#include "core/Settings.h"
#include "core/UiStrings.h"
#include "core/base/Logger.h"
#include "core/base/PopupMenu.h"
#include "core/base/SehGuard.h"
#include "core/base/TextHelpers.h"
#include "pages/richedit/RichEditStream.h"
#include "phrases/Macros.h"

namespace {

const int kCaptionChars = 40;
const int kHistoryCaptionChars = 60;
const int kClipsBeforeMoreClips = 15;
const int kMaxLatestGroups = 3;
const wchar_t kCaretMarker[] = L"{B43C2CC5-77A0-44dd-8DAA-8EAD133B41A3}";
// The same marker as RTF text: bare braces would open a group and vanish from the text.
const wchar_t kCaretMarkerRtf[] = L"\\{B43C2CC5-77A0-44dd-8DAA-8EAD133B41A3\\}";
// Stands for the caret while the caption is flattened and shortened, so that its place
// follows every change; a noncharacter, taken out of the text first.
const wchar_t kCaretSentinel = L'\uFFFF';
const wchar_t kProductName[] = L"Vexlora";

bool IsExtraCommandId(int id) {
    return id == ID_OPEN_EDITOR || id == ID_ADD_SELECTION_AS_PHRASE || id == ID_SUPPORT || id == ID_FLOAT_PANE ||
           id == ID_RUN_AS_ADMIN;
}

int ItemCount(HMENU menu) {
    int count = GetMenuItemCount(menu);
    return count < 0 ? 0 : count;
}

bool EndsWithSeparator(HMENU menu) {
    int count = ItemCount(menu);
    return count > 0 && GetMenuItemID(menu, count - 1) == 0;
}

LCID TargetLocale(HKL layout) {
    LANGID language = LOWORD(reinterpret_cast<ULONG_PTR>(layout));
    return language ? MAKELCID(language, SORT_DEFAULT) : LOCALE_USER_DEFAULT;
}

// A menu caption: outer blanks and controls trimmed, then shortened in the middle (as a
// URL when it is one).
CString ShortenCaption(const CString& text, int width) {
    CString caption(text);
    caption.Trim(L" \t\r\n\v\b");
    if (caption.GetLength() > width && !ShortenPathMiddle(caption, static_cast<unsigned>(width)))
        ShortenTextMiddle(caption, static_cast<unsigned>(width));
    return caption;
}

// The start of a text and "…" when it was longer; line breaks stay.
CString CutWithEllipsis(const CString& text, int maxChars) {
    if (text.GetLength() <= maxChars) return text;
    int length = maxChars;
    if (IS_HIGH_SURROGATE(text.GetAt(length - 1))) --length;
    return text.Left(length) + L"\u2026";
}

CString Bracketed(const CString& text) {
    return L" [" + text + L"]";
}

CString FileNameOf(const CString& path) {
    CString trimmed(path);
    trimmed.TrimRight(L'\\');
    int slash = trimmed.ReverseFind(L'\\');
    return slash >= 0 ? trimmed.Mid(slash + 1) : trimmed;
}

CString GroupName(const CVXLCommand& record) {
    CString name = GetLocalizedItemName(record);
    return name.IsEmpty() ? FileNameOf(record.GetFilePath()) : name;
}

CString FlattenLines(const CString& text) {
    CString flat(text);
    flat.Replace(L"\r\n", L"\u00b6");
    flat.Replace(L"\n", L"\u00b6");
    flat.Replace(L"\r", L"\u00b6");
    flat.Replace(L"\t", L"  ");
    return flat;
}

// The place that lies `fromEnd` characters before the end, a CR LF counting as one.
int PositionFromEnd(const CString& text, int fromEnd) {
    int pos = text.GetLength();
    while (fromEnd > 0 && pos > 0) {
        --pos;
        if (text.GetAt(pos) == L'\n' && pos > 0 && text.GetAt(pos - 1) == L'\r') --pos;
        --fromEnd;
    }
    return pos;
}

// Puts the sentinel at the first marker (other markers become a blank); without a marker
// at the place `caretOffset` characters before the end when the expansion reported one.
// False when the text has no caret.
bool PlaceSentinel(CString& text, const wchar_t* marker, int caretOffset) {
    text.Remove(kCaretSentinel);
    int at = text.Find(marker);
    if (at >= 0) {
        text.Delete(at, static_cast<int>(wcslen(marker)));
        text.Replace(marker, L" ");
        text.Insert(at, kCaretSentinel);
        return true;
    }
    if (caretOffset <= 0) return false;
    text.Insert(PositionFromEnd(text, caretOffset), kCaretSentinel);
    return true;
}

CString DataTypeName(int dataType) {
    switch (dataType) {
        case VXL_DATA_RTF:
            return LoadUiString(IDS_INSERT_FORMATTED_TEXT);
        case VXL_DATA_EXEC:
            return LoadUiString(IDS_EXECUTE_APPLICATION);
        default:
            return LoadUiString(IDS_INSERT_PLAIN_TEXT);
    }
}

CString LanguageName(LANGID language) {
    wchar_t name[128] = {};
    if (!GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), LOCALE_SLANGUAGE, name, 128)) return CString();
    return CString(name).MakeUpper();
}

CString FloatPaneTip() {
    return LoadUiString(IDS_CMD_FLOAT_PANE) + L"\n" + MakeEmDashes(12) + L"\n" + MakeSpaces(5) + L"\u00bb " +
           LoadUiString(IDS_ALL_HISTORY_ITEMS) + L"\u2026";
}

void ReportException(const wchar_t* text, DWORD code) {
    LogError(FormatExceptionReport(text, code));
}

bool AppendWithInfo(HMENU menu, UINT flags, UINT_PTR idOrSubmenu, std::unique_ptr<M_INFO> info) {
    // The record rides in as the owner-draw item data, so no item ever exists without it.
    if (!AppendMenuW(menu, flags | MF_OWNERDRAW, idOrSubmenu, reinterpret_cast<const wchar_t*>(info.get())))
        return false;
    info.release();
    return true;
}

bool AppendPopup(HMENU menu, HMENU submenu, UINT flags, const CString& caption, DWORD marks, DWORD isHistory) {
    auto info = std::make_unique<M_INFO>();
    info->SetCaption(caption);
    info->kindFlags = kMenuItemOpensSubmenu;
    info->index = static_cast<DWORD>(ItemCount(menu));
    info->marks = marks;
    info->isHistoryItem = isHistory;
    if (AppendWithInfo(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(submenu), std::move(info))) return true;
    CleanupMenu(submenu);
    DestroyMenu(submenu);
    return false;
}

bool AppendExtraItem(HMENU menu, UINT id, UINT flags, const CString& caption, const CString& tip) {
    auto info = std::make_unique<M_INFO>();
    info->SetCaption(caption);
    info->SetTip(tip);
    return AppendWithInfo(menu, flags, id, std::move(info));
}

void FreeItems(HMENU menu) {
    const int count = ItemCount(menu);
    for (int pos = 0; pos < count; ++pos) {
        if (HMENU sub = GetSubMenu(menu, pos)) FreeItems(sub);
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_DATA;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(pos), TRUE, &info) || !info.dwItemData) continue;
        delete reinterpret_cast<M_INFO*>(info.dwItemData);
        info.dwItemData = 0;
        SetMenuItemInfoW(menu, static_cast<UINT>(pos), TRUE, &info);
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Separators and cleanup

bool AddMenuSeparator(HMENU menu) {
    auto info = std::make_unique<M_INFO>();
    info->kindFlags = kMenuItemSeparator;
    return AppendWithInfo(menu, MF_SEPARATOR, 0, std::move(info));
}

bool AddMenuSeparatorIfNeeded(HMENU menu) {
    if (ItemCount(menu) == 0 || EndsWithSeparator(menu)) return false;
    return AddMenuSeparator(menu);
}

bool AddLabelledSeparator(HMENU menu, const CString& label, DWORD marks) {
    if (EndsWithSeparator(menu) && !DeleteMenuItemWithInfo(menu, ItemCount(menu) - 1)) return false;
    auto info = std::make_unique<M_INFO>();
    info->kindFlags = kMenuItemSeparator;
    info->SetRightText(label);
    info->marks = marks;
    return AppendWithInfo(menu, MF_SEPARATOR, 0, std::move(info));
}

bool DeleteMenuItemWithInfo(HMENU menu, int position) {
    if (position < 0 || position >= ItemCount(menu)) return false;
    M_INFO* info = GetMenuItemInfoRecord(menu, static_cast<UINT>(position), true);
    HMENU sub = GetSubMenu(menu, position);
    if (!RemoveMenu(menu, static_cast<UINT>(position), MF_BYPOSITION)) return false;
    delete info;
    if (sub) {
        CleanupMenu(sub);
        DestroyMenu(sub);
    }
    return true;
}

void CleanupMenu(HMENU menu) {
    if (!menu || !IsMenu(menu)) return;
    DWORD code = 0;
    if (!RunGuarded([menu] { FreeItems(menu); }, &code))
        ReportException(L"Crash: on IDataNeededHander_MenuSelf::CleanupMenu", code);
}

// ---------------------------------------------------------------------------------------
// Texts of a phrase

CPhraseCaption MakePhraseCaption(const CVXLCommand& record, const CPhraseMenuContext& context) {
    CPhraseCaption result;
    if (record.IsFolder()) {
        result.text = ShortenCaption(GroupName(record), kCaptionChars);
        return result;
    }
    const CString& command = record.GetCommand();
    const LCID locale = TargetLocale(context.layout);

    CString caption = GetLocalizedItemName(record);
    if (command.Find(L"%SELECTED_TEXT%") >= 0)
        caption += Bracketed(ShortenCaption(context.selectedText, kCaptionChars));
    if (command.Find(L"%CLIPBOARD_TEXT%") >= 0)
        caption += Bracketed(ShortenCaption(context.clipboardText, kCaptionChars));

    bool captionHasCaret = false;
    int caretOffset = 0;
    if (record.GetDataType() == VXL_DATA_RTF) {
        CString rtf(command);
        rtf.Replace(kMacroCursorPos, kCaretMarkerRtf);
        ExpandMacrosRtf(rtf, context.selectedText, context.clipboardText, &caretOffset, nullptr, locale);
        caption = RtfToPlainText(rtf);
        captionHasCaret = PlaceSentinel(caption, kCaretMarker, 0);
    } else {
        CString expanded(command);
        expanded.Replace(kMacroCursorPos, kCaretMarker);
        int replaced =
            ExpandMacros(expanded, context.selectedText, context.clipboardText, &caretOffset, nullptr, locale);
        if (record.GetDataType() == VXL_DATA_TEXT && replaced > 0) {
            caption = expanded;
            captionHasCaret = PlaceSentinel(caption, kCaretMarker, caretOffset);
        }
        // A caption that stays the name has no place for the caret: none is marked.
    }

    caption = FlattenLines(caption);
    CString visible(caption);
    visible.Remove(kCaretSentinel);
    visible.Trim(L" \t\r\n\v\b");
    if (visible.IsEmpty()) {
        result.text = ShortenCaption(GroupName(record), kCaptionChars);
        return result;
    }
    caption = ShortenCaption(caption, kCaptionChars);
    int at = captionHasCaret ? caption.Find(kCaretSentinel) : -1;
    if (at >= 0) caption.SetAt(at, L' ');
    caption.Remove(kCaretSentinel);
    result.text = caption;
    result.caretPos = at;
    return result;
}

CString MakePhraseRightText(const CVXLCommand& record) {
    CString abbrev = GetLayoutMacroAbbrev(record.GetCommand());
    return abbrev.IsEmpty() ? CString() : L"+" + abbrev;
}

CString MakePhraseTip(const CVXLCommand& record, const CString& caption, const CPhraseMenuContext& context) {
    const int dataType = record.GetDataType();
    CString tip = DataTypeName(dataType) + L" \u00bb " + caption;

    CString preview = dataType == VXL_DATA_RTF ? RtfToPlainText(record.GetCommand()) : record.GetCommand();
    ExpandMacros(preview, context.selectedText, context.clipboardText, nullptr, nullptr, TargetLocale(context.layout));
    preview.Replace(L"%SELECTED_TEXT%", context.selectedText);
    preview.Replace(L"%CLIPBOARD_TEXT%", context.clipboardText);
    StripLayoutMacros(preview);
    if (dataType != VXL_DATA_EXEC) tip += L"\n" + GetCharCountText(preview.GetLength());
    if (!preview.IsEmpty()) tip += L"\r\n\r\n" + preview;

    CString command(record.GetCommand());
    LANGID layout = StripLayoutMacros(command);
    if (layout) tip += L"\r\n+ " + LoadUiString(IDS_ACTIVATE_LAYOUT) + L"   " + LanguageName(layout);
    return tip;
}

CString MakeHistoryTip(IMenuHistorySource& history, int index) {
    CString hint;
    if (history.GetMenuHint(index, hint)) return hint;

    const int kind = history.GetKind(index);
    if (history.HasSisterMetaInfo(index))
        hint = LoadUiString(IDS_CMD_PUT_INTO_CLIPBOARD);
    else
        hint = DataTypeName(kind == kHistoryKindFormattedText ? VXL_DATA_RTF : VXL_DATA_TEXT);
    hint += L": " + LoadUiString(IDS_DATA_FROM_HISTORY);

    CString text = history.GetPlainText(index);
    const int lines = CountLinesW(text, text.GetLength());
    if (kind >= kHistoryKindAnsiText && kind <= kHistoryKindFormattedText) {
        hint += L"\n\t" + GetCharCountText(text.GetLength());
        if (lines > 0) hint += L", " + FormatLinesCount(lines);
    }
    if (!text.IsEmpty()) {
        if (lines > 0)
            text = CutMiddleLines(text, lines);
        else
            ShortenTextForDisplay(text, 1000);
        hint += L"\n\n" + text;
    }
    CString url = history.GetSourceUrl(index);
    if (!url.IsEmpty()) hint = L"\tURL: " + url + L"\n\n" + hint;
    history.StoreMenuHint(index, hint);
    return hint;
}

// ---------------------------------------------------------------------------------------
// The menu

CPhraseMenuOptions CPhraseMenuOptions::FromSettings(CVXLSettings& settings, bool isAdmin) {
    CPhraseMenuOptions options;
    options.addLastUsed = settings.AddLastUsedMenuToBegin;
    options.columns = settings.GetMenuPerColEnabled();
    options.perColumn = static_cast<int>(settings.GetMenuPerColValue());
    options.insertHistory = settings.InsertCHIntoMenu;
    options.historyAsSubmenu = settings.AppendCHAsSubMenu;
    options.maxHistoryItems = settings.GetMaxHistoryItemsInMenu();
    options.editSettingsCommand = settings.GetExtMenuCommand(0);
    options.selectionToPhraseCommand = settings.GetExtMenuCommand(1);
    options.supportCommand = settings.GetExtMenuCommand(2);
    options.floatPaneCommand = settings.GetExtMenuCommand(3);
    options.isAdmin = isAdmin;
    return options;
}

CPhraseMenuBuilder::CPhraseMenuBuilder(const CPhraseMenuContext& context, const CPhraseMenuOptions& options)
    : m_context(context), m_options(options) {
    m_options.perColumn = std::max(1, std::min(100, m_options.perColumn));
}

HMENU CPhraseMenuBuilder::MakeMenu() {
    HMENU menu = nullptr;
    DWORD code = 0;
    // Every phrase and folder is named in the UI language: the language file is read once.
    CLanguagePrefixScope languagePrefix;
    if (RunGuarded([this, &menu] { MakeMenuUnguarded(menu); }, &code)) return menu;
    ReportException(L"ERROR: Exception in IDataNeededHander_MenuSelf::MakeMenu", code);
    if (menu) {
        CleanupMenu(menu);
        DestroyMenu(menu);
    }
    return nullptr;
}

void CPhraseMenuBuilder::MakeMenuUnguarded(HMENU& menu) {
    m_floatPaneCommandAdded = false;
    menu = CreatePopupMenu();
    if (!menu) {
        LogError(L"IDataNeededHander_MenuSelf::MakeMenu: CreatePopupMenu failed");
        return;
    }
    if (m_options.addLastUsed && AddLastUsedSection(menu) > 0)
        AddLabelledSeparator(menu, LoadUiString(IDS_OTHER_COMMANDS), 0);
    if (m_context.tree) {
        int columnCounter = 0;
        AddGroup(menu, m_context.tree->GetRecords(), m_options.columns ? &columnCounter : nullptr);
    }
    if (m_options.insertHistory && m_context.history) AddClipboardHistoryIntoMenu(true, menu);
    if (ItemCount(menu) == 0) {
        CleanupMenu(menu);
        DestroyMenu(menu);
        menu = nullptr;
        return;
    }
    AddExtraCommands(menu);
}

bool CPhraseMenuBuilder::AddPhraseItem(HMENU menu, const CVXLCommand& record, UINT flags, int index, DWORD marks,
                                       int number) {
    auto info = std::make_unique<M_INFO>();
    CPhraseCaption caption = MakePhraseCaption(record, m_context);
    info->SetCaption(caption.text);
    info->caretPos = caption.caretPos;
    info->dataType = static_cast<DWORD>(record.GetDataType());
    info->commandId = record.GetID();
    info->index = static_cast<DWORD>(index);
    info->SetRightText(MakePhraseRightText(record));
    info->SetCommandText(record.GetCommand());
    info->marks = marks;
    info->number = number;
    info->SetTip(MakePhraseTip(record, caption.text, m_context));
    return AppendWithInfo(menu, flags, record.GetID(), std::move(info));
}

void CPhraseMenuBuilder::AddGroup(HMENU menu, const CVXLCommandVector& records, int* columnCounter) {
    const int limit = m_options.perColumn;
    auto columnBreak = [columnCounter, limit]() -> UINT {
        if (!columnCounter || *columnCounter < limit) return 0;
        *columnCounter = 0;
        return MF_MENUBREAK;
    };

    int index = 0;
    for (const CVXLCommand& record : records) {
        if (record.IsFolder() || !record.IsIncluded()) continue;
        const UINT id = record.GetID();
        if (id == 0) continue;
        if (!IsPhraseMenuId(id)) {
            LogWriteFormat(L"IDataNeededHander_MenuSelf::MakeMenu: phrase id %u beyond the menu's range, left out", id);
            continue;
        }
        if (MenuGetItemPosByID(menu, id) >= 0) continue;
        UINT flags = 0;
        if (record.IsDisabledWithoutSelection() && m_context.selectedText.IsEmpty()) flags |= MF_GRAYED;
        if (record.HasSeparatorBefore()) AddMenuSeparatorIfNeeded(menu);
        flags |= columnBreak();
        DWORD marks = static_cast<int>(id) == m_context.lastChosenId ? kMenuMarkDefault : 0;
        if (AddPhraseItem(menu, record, flags, index, marks, -1)) {
            ++index;
            if (columnCounter) ++*columnCounter;
        }
        if (record.HasSeparatorAfter()) AddMenuSeparatorIfNeeded(menu);
    }

    bool firstGroup = true;
    for (const CVXLCommand& record : records) {
        if (!record.IsFolder() || !record.IsIncluded() || !record.GetChildren()) continue;
        HMENU submenu = CreatePopupMenu();
        if (!submenu) continue;
        int subCounter = 0;
        AddGroup(submenu, *record.GetChildren(), columnCounter ? &subCounter : nullptr);
        if (ItemCount(submenu) == 0) {
            DestroyMenu(submenu);
            continue;
        }
        if (firstGroup && ItemCount(menu) > 0) AddMenuSeparatorIfNeeded(menu);
        firstGroup = false;
        if (record.HasSeparatorBefore()) AddMenuSeparatorIfNeeded(menu);
        UINT flags = columnBreak();
        DWORD marks = m_context.lastChosenId > 0 && record.ContainsID(static_cast<UINT>(m_context.lastChosenId))
                          ? kMenuMarkDefault
                          : 0;
        if (AppendPopup(menu, submenu, flags, FlattenLines(GroupName(record)), marks, 0) && columnCounter)
            ++*columnCounter;
        if (record.HasSeparatorAfter()) AddMenuSeparatorIfNeeded(menu);
    }
}

int CPhraseMenuBuilder::AddLastUsedSection(HMENU menu) {
    if (!m_context.tree || m_context.lastUsed.empty()) return 0;
    std::vector<UINT> shown;
    for (int id : m_context.lastUsed) {
        if (id <= 0 || IsExtraCommandId(id) || !IsPhraseMenuId(static_cast<UINT>(id))) continue;
        const UINT phraseId = static_cast<UINT>(id);
        const CVXLCommand* record = m_context.tree->FindByID(phraseId);
        if (!record || record->IsFolder()) {
            LogError(L"ERROR IDataNeededHander_MenuSelf::MakeMenu: a last-used phrase is gone");
            continue;
        }
        // A phrase the user took out of the menu stays out of this section too.
        if (!record->IsIncluded() || MenuGetItemPosByID(menu, phraseId) >= 0) continue;
        const int place = static_cast<int>(shown.size());
        UINT flags = 0;
        if (record->IsDisabledWithoutSelection() && m_context.selectedText.IsEmpty()) flags |= MF_GRAYED;
        DWORD marks = kMenuMarkSection | (place == 0 ? kMenuMarkDefault : 0);
        if (AddPhraseItem(menu, *record, flags, place, marks, place)) shown.push_back(phraseId);
    }
    int added = static_cast<int>(shown.size());

    std::vector<const CVXLCommand*> usedGroups;
    for (UINT id : shown) {
        if (static_cast<int>(usedGroups.size()) >= kMaxLatestGroups) break;
        const CVXLCommand* parent = nullptr;
        m_context.tree->FindByID(id, &parent);
        if (!parent || std::find(usedGroups.begin(), usedGroups.end(), parent) != usedGroups.end()) {
            LogWrite(L"\tOOOPS! Parent Group: NOT FOUND");
            continue;
        }
        usedGroups.push_back(parent);
        HMENU submenu = CreatePopupMenu();
        if (!submenu) continue;
        if (parent->GetChildren()) AddGroup(submenu, *parent->GetChildren(), nullptr);
        if (ItemCount(submenu) == 0) {
            DestroyMenu(submenu);
            usedGroups.pop_back();
            continue;
        }
        const bool first = usedGroups.size() == 1;
        if (first && AddLabelledSeparator(menu, LoadUiString(IDS_LATEST_GROUPS), kMenuMarkSection)) ++added;
        DWORD marks = kMenuMarkSection | (first ? kMenuMarkDefault : 0);
        if (AppendPopup(menu, submenu, 0, L"   \u00bb " + FlattenLines(GroupName(*parent)), marks, 0))
            ++added;
        else
            usedGroups.pop_back();
    }
    return added;
}

void CPhraseMenuBuilder::AddClipboardHistoryIntoMenu(bool withTips, HMENU menu) {
    DWORD code = 0;
    if (!RunGuarded([this, withTips, menu] { AddHistoryUnguarded(withTips, menu); }, &code))
        ReportException(L"ERROR: Exception in IDataNeededHander_MenuSelf::AddClipboardHistoryIntoMenu", code);
}

void CPhraseMenuBuilder::AddHistoryUnguarded(bool withTips, HMENU menu) {
    IMenuHistorySource* history = m_context.history;
    const int total = history ? history->GetCount() : 0;
    if (total <= 0) return;
    const bool limited = m_options.maxHistoryItems > 0;
    int shown = limited && m_options.maxHistoryItems < total ? m_options.maxHistoryItems : total;
    if (shown > kMaxClipsInMenu) {
        LogWriteFormat(L"IDataNeededHander_MenuSelf::AddClipboardHistoryIntoMenu: %d clips, the menu takes %d", shown,
                       kMaxClipsInMenu);
        shown = kMaxClipsInMenu;
    }

    if (ItemCount(menu) > 0) {
        CString label;
        label.Format(L"%s [%d/%d]", LoadUiString(IDS_CLIPBOARD).GetString(), shown, total);
        AddLabelledSeparator(menu, label, 0);
    }

    HMENU target = menu;
    if (m_options.historyAsSubmenu) {
        HMENU submenu = CreatePopupMenu();
        if (!submenu) return;
        CString count;
        if (limited)
            count.Format(L"%d\\%d", shown, total);
        else
            count.Format(L"%d", total);
        CString caption = LoadUiString(IDS_CLIPBOARD_HISTORY) + L" [" + count + L"]";
        LogWrite(L"History Sub Menu Text: " + caption);
        if (!AppendPopup(menu, submenu, 0, caption, 0, 1)) return;
        target = submenu;
    }

    for (int i = 0; i < shown; ++i) {
        if (i == kClipsBeforeMoreClips && !m_options.historyAsSubmenu) {
            HMENU submenu = CreatePopupMenu();
            if (!submenu) return;
            CString caption;
            caption.Format(L"%s [%d - %d]", LoadUiString(IDS_MORE_CLIPS).GetString(), kClipsBeforeMoreClips + 1, shown);
            if (!AppendPopup(menu, submenu, 0, caption, 0, 1)) return;
            target = submenu;
        }
        const int kind = history->GetKind(i);
        CString caption = history->GetMenuCaption(i);
        caption = ShortenCaption(caption, kHistoryCaptionChars);
        const UINT id = ClipMenuIdFromIndex(i);
        auto info = std::make_unique<M_INFO>();
        info->SetCaption(caption);
        info->dataType = kind == kHistoryKindFormattedText ? VXL_DATA_RTF : VXL_DATA_TEXT;
        info->commandId = id;
        info->isHistoryItem = 1;
        info->index = static_cast<DWORD>(i);
        info->isPictureItem = kind == kHistoryKindBitmap;
        info->isSisterFormatItem = kind == kHistoryKindSisterData;
        M_INFO* record = info.get();
        if (AppendWithInfo(target, 0, id, std::move(info)) && withTips) record->SetTip(MakeHistoryTip(*history, i));

        if (limited && i + 1 >= m_options.maxHistoryItems) {
            const int remaining = total - (i + 1);
            if (remaining > 0) {
                CString more =
                    GetAndMoreText(remaining) + L" " + LoadUiString(IDS_CLIPS) + L" " + LoadUiString(IDS_ON_FLOAT_PANE);
                if (AddFloatPaneItem(target, more)) m_floatPaneCommandAdded = true;
            }
            break;
        }
    }
}

bool CPhraseMenuBuilder::AddFloatPaneItem(HMENU menu, const CString& caption) {
    return AppendExtraItem(menu, ID_FLOAT_PANE, 0, caption, FloatPaneTip());
}

void CPhraseMenuBuilder::AddExtraCommands(HMENU menu) {
    if (ItemCount(menu) == 0) return;
    AddLabelledSeparator(menu, kProductName, 0);
    if (m_options.editSettingsCommand)
        AppendExtraItem(menu, ID_OPEN_EDITOR, 0, LoadUiString(IDS_EDIT_MENU_SETTINGS),
                        LoadUiString(IDS_EDIT_MENU_HINT));
    if (m_options.selectionToPhraseCommand) {
        const CString& selection = m_context.selectedText;
        CString caption = LoadUiString(IDS_CMD_SELECTION_INTO_PHRASE);
        if (!selection.IsEmpty()) caption += Bracketed(ShortenCaption(selection.Left(800), kCaptionChars));
        CString tip = LoadUiString(IDS_CMD_ADD_SELECTION);
        if (m_context.hasSelection && !m_context.targetProgram.IsEmpty())
            tip += L"\n" + MakeEmDashes(12) + L"\n" + MakeSpaces(6) + LoadUiString(IDS_COPIED_FROM) + L" \u00ab" +
                   m_context.targetProgram + L"\u00bb";
        if (!selection.IsEmpty()) tip += L"\n" + MakeEmDashes(12) + L"\n" + CutWithEllipsis(selection.Left(3120), 1040);
        AppendExtraItem(menu, ID_ADD_SELECTION_AS_PHRASE, m_context.hasSelection ? 0 : MF_GRAYED, caption, tip);
    }
    if (m_options.floatPaneCommand && !m_floatPaneCommandAdded)
        AddFloatPaneItem(menu, LoadUiString(IDS_SHOW_FLOAT_PANE));
    if (m_options.supportCommand) {
        AddLabelledSeparator(menu, kProductName, 0);
        AppendExtraItem(menu, ID_SUPPORT, 0, LoadUiString(IDS_TECHNICAL_SUPPORT), LoadUiString(IDS_CMD_SUPPORT));
    }
    if (!m_options.isAdmin)
        AppendExtraItem(menu, ID_RUN_AS_ADMIN, 0, GetUIStringSecondLine(IDS_CMD_RUN_AS_ADMIN),
                        GetUIStringFirstLine(IDS_CMD_RUN_AS_ADMIN));
    if (EndsWithSeparator(menu)) DeleteMenuItemWithInfo(menu, ItemCount(menu) - 1);
}
