#include "tray/TrayMenu.h"

#include "core/AppTexts.h"
#include "core/LanguageFiles.h"
#include "core/MenuResourceIds.h"
#include "core/TrayIds.h"
#include "core/WebDestinations.h"
#include "core/base/Logger.h"
#include "core/base/PopupMenu.h"
#include "tray/MenuHistorySource.h"

namespace {

// Longer texts are cut: a language file may hold anything, and these items are read back
// to be extended each time the menu opens.
const int kItemTextChars = 259;

CString ReadItemText(HMENU menu, UINT item, UINT byFlag) {
    wchar_t buffer[kItemTextChars + 1] = {};
    if (GetMenuStringW(menu, item, buffer, kItemTextChars + 1, byFlag) <= 0) return CString();
    return CString(buffer);
}

void WriteItemText(HMENU menu, UINT item, bool byPosition, const CString& text) {
    if (!MenuSetItemText(menu, text, item, byPosition))
        LogWriteFormat(L"TrayMenu: cannot set the text of item %u", item);
}

CString CutBefore(const CString& text, wchar_t mark) {
    const int cut = text.Find(mark);
    CString head = cut >= 0 ? text.Left(cut) : text;
    head.TrimRight(L" \t");
    return head;
}

bool Holds(HMENU menu, UINT id) {
    return GetMenuState(menu, id, MF_BYCOMMAND) != static_cast<UINT>(-1);
}

void Check(HMENU menu, UINT id, bool on) {
    CheckMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void Grey(HMENU menu, UINT id, bool grey) {
    EnableMenuItem(menu, id, MF_BYCOMMAND | (grey ? MF_GRAYED : MF_ENABLED));
}

// The position in `menu` of the popup item whose submenu holds the id; -1 when none.
int FindPopupHolding(HMENU menu, UINT id) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        HMENU sub = GetSubMenu(menu, i);
        if (sub && Holds(sub, id)) return i;
    }
    return -1;
}

void FillHistoryItems(HMENU popup, IMenuHistorySource* history) {
    for (int i = GetMenuItemCount(popup) - 1; i >= 0; --i) {
        const UINT id = GetMenuItemID(popup, i);
        if (id >= kFirstTrayHistoryCommandId && id <= kLastTrayHistoryCommandId) DeleteMenu(popup, i, MF_BYPOSITION);
    }
    if (!history) return;
    const int limit = static_cast<int>(kLastTrayHistoryCommandId - kFirstTrayHistoryCommandId + 1);
    const int count = history->GetCount();
    if (count > limit) LogWriteFormat(L"TrayMenu: %d history items, the first %d are shown", count, limit);
    for (int i = 0; i < count && i < limit; ++i) {
        CString caption = history->GetMenuCaption(i).Left(kItemTextChars);
        AppendMenuW(popup, MF_STRING, kFirstTrayHistoryCommandId + i, caption);
    }
}

void ApplyInitStates(HMENU popup, const CTrayMenuFacts& facts, IMenuHistorySource* history) {
    Check(popup, ID_ENABLE_PHRASE_MENU, facts.hotKeyRegistered);
    if (Holds(popup, ID_START_WITH_WINDOWS)) {
        const CString text = ReadItemText(popup, ID_START_WITH_WINDOWS, MF_BYCOMMAND);
        const CString wanted = BuildAutostartText(text, facts.autoLoadDelaySeconds);
        if (wanted != text) WriteItemText(popup, ID_START_WITH_WINDOWS, false, wanted);
    }
    Check(popup, ID_START_WITH_WINDOWS, facts.autostart);
    Check(popup, ID_SOUNDS, facts.soundsOn);
    Check(popup, ID_MUTE_MODE, facts.muted);
    Grey(popup, ID_MUTE_MODE, !facts.soundsOn);
    Check(popup, ID_WRITE_LOG, facts.logging);
    Check(popup, ID_FLOAT_PANE_ON_START, facts.paneOnStart);
    Check(popup, ID_PINNED_ON_START, facts.pinnedOnStart);
    Grey(popup, ID_SAVE_PHRASE_FROM_CLIPBOARD, !facts.clipboardHasText);
    Grey(popup, ID_HISTORY_REKEEP, !facts.historyHandlerExists);
    if (Holds(popup, ID_REREAD_PHRASES)) {
        const CString text = ReadItemText(popup, ID_REREAD_PHRASES, MF_BYCOMMAND);
        WriteItemText(popup, ID_REREAD_PHRASES, false,
                      BuildRereadPhrasesText(text, facts.phrasesIncluded, facts.phrasesTotal));
    }
    const bool isHistoryPopup = Holds(popup, ID_HISTORY_KEEP) && !Holds(popup, ID_APP_EXIT);
    LogWriteFormat(L"bHistory=%d\n", isHistoryPopup ? 1 : 0);
    if (isHistoryPopup) FillHistoryItems(popup, history);
    Check(popup, ID_FLOAT_PANE, facts.paneExists);
    const int historyItem = FindPopupHolding(popup, ID_HISTORY_KEEP);
    if (historyItem >= 0) {
        const CString text = ReadItemText(popup, static_cast<UINT>(historyItem), MF_BYPOSITION);
        WriteItemText(popup, static_cast<UINT>(historyItem), true,
                      BuildHistoryPopupText(text, facts.historyCount, facts.historyMax));
        CheckMenuItem(popup, static_cast<UINT>(historyItem),
                      MF_BYPOSITION | (facts.historyOn ? MF_CHECKED : MF_UNCHECKED));
    }
    Check(popup, ID_HISTORY_KEEP, facts.historyOn);
    Grey(popup, ID_HISTORY_CLEAR, facts.historyCount == 0);
    Check(popup, ID_HISTORY_SAVE_ON_EXIT, facts.saveHistoryOnExit);
}

void PrepareLanguagePopup(HMENU menu, const CTrayMenuFacts& facts, std::vector<CString>& names) {
    const int position = FindPopupHolding(menu, ID_HOW_TO_LOCALIZE);
    if (position < 0) return;
    const CString text = ReadItemText(menu, static_cast<UINT>(position), MF_BYPOSITION);
    WriteItemText(menu, static_cast<UINT>(position), true, BuildLanguagePopupText(text, facts.languagePrefix));
    FillTrayLanguagePopup(GetSubMenu(menu, position), facts.languageFile, names);
}

// Not elevated, the restart as administrator is what the user most likely came for.
void ArrangeRunAsAdmin(HMENU menu, bool elevated) {
    if (elevated) {
        Grey(menu, ID_RUN_AS_ADMIN, true);
        return;
    }
    const int position = MenuGetItemPosByID(menu, ID_RUN_AS_ADMIN);
    if (position < 0) return;
    const CString text = ReadItemText(menu, static_cast<UINT>(position), MF_BYPOSITION);
    DeleteMenu(menu, static_cast<UINT>(position), MF_BYPOSITION);
    InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING, ID_RUN_AS_ADMIN, text);
    InsertMenuW(menu, 1, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    SetMenuDefaultItem(menu, ID_RUN_AS_ADMIN, FALSE);
}

void AddHotKeyTexts(HMENU menu, const CTrayMenuFacts& facts) {
    if (facts.hotKeyText.IsEmpty()) return;
    CString enable = ReadItemText(menu, ID_ENABLE_PHRASE_MENU, MF_BYCOMMAND);
    enable += L"\t" + facts.hotKeyText + L", " + GetOnOffStateText(facts.hotKeyRegistered, true, false);
    WriteItemText(menu, ID_ENABLE_PHRASE_MENU, false, enable);
    if (!facts.hotKeyRegistered) return;
    const CString show = ReadItemText(menu, ID_SHOW_PHRASES_MENU, MF_BYCOMMAND);
    WriteItemText(menu, ID_SHOW_PHRASES_MENU, false, show + L"\t" + facts.hotKeyText);
}

}  // namespace

CString BuildRereadPhrasesText(const CString& text, int included, int total) {
    CString counts;
    counts.Format(L" [%d/%d]", included, total);
    return CutBefore(text.Left(100), L'[') + counts;
}

CString BuildLanguagePopupText(const CString& text, const CString& prefix) {
    return CutBefore(text, L'[') + L"\t[" + prefix + L"]";
}

CString BuildHistoryPopupText(const CString& text, int count, int maximum) {
    CString counts;
    counts.Format(L" [%d/%d]", count, maximum);
    return CutBefore(text.Left(100), L'[') + counts;
}

CString BuildAutostartText(const CString& text, DWORD delaySeconds) {
    const int cut = text.Find(L" (+");
    CString head = (cut >= 0 ? text.Left(cut) : text).Left(200);
    if (delaySeconds == 0) return head;
    CString delay;
    delay.Format(L" (+%usec)", static_cast<unsigned>(delaySeconds > 600 ? 600 : delaySeconds));
    return head + delay;
}

void FillTrayLanguagePopup(HMENU languagePopup, const CString& currentFile, std::vector<CString>& names) {
    names.clear();
    if (!languagePopup) return;
    while (GetMenuItemCount(languagePopup) > 1) DeleteMenu(languagePopup, 1, MF_BYPOSITION);
    AppendMenuW(languagePopup, MF_SEPARATOR, 0, nullptr);
    EnumLanguageFiles(names, nullptr);
    const size_t limit = kLastLanguageCommandId - kFirstLanguageCommandId + 1;
    if (names.size() > limit) {
        LogWriteFormat(L"TrayMenu: %u language files, the first %u are shown", static_cast<unsigned>(names.size()),
                       static_cast<unsigned>(limit));
        names.resize(limit);
    }
    FillLanguageMenuItems(languagePopup, kFirstLanguageCommandId, names, currentFile);
}

void ApplyTrayMenuPopupStates(HMENU popup, const CTrayMenuFacts& facts, IMenuHistorySource* history) {
    if (!popup || !IsMenu(popup)) return;
    ApplyInitStates(popup, facts, history);
}

CTrayMenu PrepareTrayMenu(HINSTANCE module, const CTrayMenuFacts& facts, CLngMenu* translator,
                          IMenuHistorySource* history) {
    CTrayMenu menu;
    menu.resource.reset(LoadMenuW(module, MAKEINTRESOURCEW(IDR_TRAY_MENU)));
    menu.popup = menu.resource ? GetSubMenu(menu.resource.get(), 0) : nullptr;
    if (!menu.popup) return CTrayMenu();
    HMENU popup = menu.popup;
    SetMenuDefaultItem(popup, ID_OPEN_EDITOR, FALSE);
    if (translator) translator->TranslateMenu(popup);
    PrepareLanguagePopup(popup, facts, menu.languageFiles);
    Check(popup, ID_CHECK_FOR_UPDATES, facts.autoCheckForUpdates);
    MenuSetItemBitmapMbarClose(popup, ID_APP_EXIT);
    MenuSetItemBitmapPopupMaximize(popup, ID_OPEN_EDITOR);
    ArrangeRunAsAdmin(popup, facts.elevated);
    AddHotKeyTexts(popup, facts);
    AppendVersionToAboutItem(popup);
    // The states every popup gets as it opens, set now so that the menu is whole before
    // it is tracked.
    ApplyInitStates(popup, facts, history);
    const int count = GetMenuItemCount(popup);
    for (int i = 0; i < count; ++i)
        if (HMENU sub = GetSubMenu(popup, i)) ApplyInitStates(sub, facts, history);
    return menu;
}

CString GetTrayWebAddress(UINT commandId) {
    struct Page {
        UINT id;
        CString (*address)();
    };
    static const Page kPages[] = {
        {ID_VISIT_WEB_SITE, &CVXLUrl::Get_Home_Url},
        {ID_VISIT_QUICK_START, &CVXLUrl::Get_Quick_Start_Url_Full},
        {ID_NEWSLETTER, &CVXLUrl::Get_Subscribe_Url},
        {ID_VISIT_FORUM, &CVXLUrl::Get_Forum_Url},
        {ID_VISIT_FAQ, &CVXLUrl::Get_Faq_Url},
        {ID_VISIT_BLOG, &CVXLUrl::Get_Blog_Url},
        {ID_RSS_FEED, &CVXLUrl::Get_News_Xml_Url},
        {ID_VIDEO, &CVXLUrl::Get_Video_Url},
        {ID_FACEBOOK_GROUP, &CVXLUrl::Get_Facebook_Url},
        {ID_TELEGRAM_GROUP, &CVXLUrl::Get_Telegram_Url},
        {ID_VKONTAKTE_GROUP, &CVXLUrl::Get_VK_Url},
        {ID_SUPPORT, &CVXLUrl::Get_Support_Url},
        {ID_HOW_TO_LOCALIZE, &CVXLUrl::Get_Translate_Howto_Url},
    };
    for (const Page& page : kPages)
        if (page.id == commandId) return page.address();
    return CString();
}
