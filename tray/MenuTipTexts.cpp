#include "tray/MenuTipTexts.h"

#include "core/AppTexts.h"
#include "core/IconIds.h"
#include "core/TrayIds.h"
#include "core/UiStringIds.h"
#include "core/base/Logger.h"
#include "core/base/TextHelpers.h"
#include "tray/MenuHistorySource.h"
#include "tray/TrayMenu.h"

namespace {

const int kSeparatorDashes = 20;
const UINT kTrayMenuResource = 128;
const UINT kPaneMenuResource = 205;
const int kHistoryTextChars = 150;
const int kPreviewHalf = 50;

void AppendSeparator(CString& text) {
    AppendSeparatorLine(text, kSeparatorDashes, true);
}

CString Quoted(const CString& text) {
    return L"\"" + text + L"\"";
}

void TrimTrailingBreaks(CString& text) {
    text.TrimRight(L"\r\n\t");
}

bool IsWebCommand(UINT id) {
    switch (id) {
        case ID_HOW_TO_LOCALIZE:
        case ID_VISIT_WEB_SITE:
        case ID_VISIT_FORUM:
        case ID_EMAIL_TO_US:
        case ID_SUPPORT:
        case ID_RSS_FEED:
        case ID_VIDEO:
        case ID_VISIT_QUICK_START:
        case ID_VISIT_FAQ:
        case ID_FACEBOOK_GROUP:
        case ID_VKONTAKTE_GROUP:
        case ID_NEWSLETTER:
        case ID_TELEGRAM_GROUP:
        case ID_VISIT_BLOG:
            return true;
        default:
            return false;
    }
}

bool ShowsFocusedItem(UINT id) {
    return id == ID_PANE_COPY || id == ID_PANE_SAVE || id == ID_PANE_EDIT ||
           (id >= ID_PANE_SEARCH_FIRST && id <= ID_PANE_SEARCH_LAST) || id == ID_PANE_EDIT_WITH_NOTEPAD ||
           id == ID_PANE_MULTI_COPY;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Free helpers

CString MakeHtmlFragmentPreview(const CString& source, int form) {
    CString text = source;
    if (form == 1) {
        const wchar_t kStart[] = L"<!--StartFragment-->";
        const int start = text.Find(kStart, 1);
        if (start > 0) {
            const int from = start + static_cast<int>(wcslen(kStart));
            const int end = text.Find(L"<!--EndFragment-->", from);
            if (end >= from) text = text.Mid(from, end - from);
        }
    }
    text.Trim(L" \r\n");
    if (text.GetLength() <= 2 * kPreviewHalf) return text;
    const CString mark = form == 2 ? CString(L" \u2026 \u2026 ") : CString(L"\n        \u2026 \u2026 \n");
    return text.Left(kPreviewHalf) + mark + text.Right(kPreviewHalf);
}

CString MakeClipboardPreview(const CString& source) {
    CString text = source;
    TrimTrailingBreaks(text);
    const int breakAt = text.FindOneOf(L"\r\n\t");
    if (breakAt > 0) text = text.Left(breakAt) + L"\r\n...";
    return text;
}

CString BinaryTypeToName(DWORD type) {
    switch (type) {
        case SCS_32BIT_BINARY:
            return L"x32";
        case SCS_DOS_BINARY:
            return L"DOS";
        case SCS_WOW_BINARY:
            return L"Win x16";
        case SCS_POSIX_BINARY:
            return L"POSIX";
        case SCS_OS216_BINARY:
            return L"OS/2 x16";
        case SCS_64BIT_BINARY:
            return L"x64";
        default:
            return L"Wow! Unknown binary type";
    }
}

CString GetBinaryTypeName(const CString& path) {
    DWORD type = 0;
    if (path.IsEmpty() || !GetBinaryTypeW(path, &type)) return CString();
    return BinaryTypeToName(type);
}

// ---------------------------------------------------------------------------------------
// Pieces

CString CMenuTipTexts::CommandText(UINT id) {
    CString text = m_facts.UiString(id);
    const int lineEnd = text.Find(L'\n');
    if (lineEnd > 0) text = text.Left(lineEnd);
    return text;
}

CString CMenuTipTexts::OnOff(bool on) {
    return GetOnOffStateText(on, false, !on);
}

void CMenuTipTexts::AppendAccessLines(CString& text, const CString& folder) {
    text += L"\nRead Access: " + OnOff(m_facts.FolderAccess(folder, false));
    text += L"\nWrite Access: " + OnOff(m_facts.FolderAccess(folder, true));
}

void CMenuTipTexts::AppendSavedFormatsLine(CString& text) {
    static const wchar_t* const kNames[5] = {L"txt", L"rtf", L"bmp", L"dvn", L"html"};
    const CTipSettings settings = m_facts.Settings();
    CString names;
    int count = 0;
    for (int i = 0; i < 5; ++i) {
        if (!settings.formats[i]) continue;
        if (count++) names += L", ";
        names += kNames[i];
    }
    text += L"\n" + MakeEmDashes(kSeparatorDashes) + L"\n   \u00BB ";
    text += m_facts.UiString(IDS_FORMATS) + L" " + WrapSquareBrackets(IntToStr(count)) + L": " + names;
}

void CMenuTipTexts::AppendItemPreview(CString& text, int form) {
    const CString item = m_facts.FocusedItemText(form);
    if (item.IsEmpty()) return;
    text += L"\n" + MakeEmDashes(kSeparatorDashes) + L"\n" + MakeHtmlFragmentPreview(item, form);
}

CString CMenuTipTexts::TrackingMethodText() {
    switch (m_facts.TrackingMethod()) {
        case 0:
            return L"no try install service of clipboard history";
        case 1:
            return L"using unknow method";
        case 2:
            return L"using AddClipboardListener";
        case 3:
            return L"using SetClipboardViewer";
        default:
            return CString();
    }
}

CString CMenuTipTexts::PhrasesFolderTip() {
    const CString folder = m_facts.PhrasesFolder();
    CString text = m_facts.UiString(IDS_PHRASES_FOLDER) + L": " + WrapSquareBrackets(folder);
    AppendAccessLines(text, folder);
    text += L"\n" + MakeTitleLine(20, m_facts.UiString(IDS_TIP), 5) + L"\n";
    text += L"   \u2022  " + m_facts.UiString(IDS_OPEN_PHRASES_FOLDER_HINT) + L": " +
            WrapGuillemets(m_facts.TranslatedMenuText(kTrayMenuResource, ID_OPEN_PHRASES_FOLDER));
    text += L"\n\n   \u2022  " + m_facts.UiString(IDS_BACKUP_PHRASES_HINT);
    return text;
}

CString CMenuTipTexts::AutostartTip() {
    CString text = CommandText(ID_START_WITH_WINDOWS) + L" " + WrapSquareBrackets(OnOff(m_facts.AutostartSet()));
    const DWORD delay = m_facts.Settings().autoLoadDelaySeconds;
    CString delayText;
    if (delay == 0)
        delayText = OnOff(false);
    else
        delayText.Format(L"%d sec", static_cast<int>(delay));
    AppendSeparator(text);
    text += L"   \u2022 " + m_facts.UiString(IDS_AUTOSTART_DELAY) + L": " + delayText;
    return text;
}

CString CMenuTipTexts::UndoTip() {
    CString text = CommandText(ID_UNDO);
    CTipUndoRecord record;
    if (m_facts.LatestUndo(record)) {
        CString part = m_facts.ElapsedText(record.ageMs);
        if (!part.IsEmpty()) part += L" " + m_facts.UiString(IDS_AGO);
        if (!part.IsEmpty()) part += L"\n";
        part += record.description;
        if (!record.timeText.IsEmpty()) {
            if (!part.IsEmpty()) part += L"\n";
            part += record.timeText;
        }
        if (!part.IsEmpty()) {
            AppendSeparator(text);
            text += part;
        }
    }
    AppendSeparator(text);
    text += m_facts.UiString(IDS_UNDO_POOL_HINT);
    return text;
}

CString CMenuTipTexts::UpdateTip() {
    const CString lead = L"\r\n   \u2022 ";
    const CTipSettings settings = m_facts.Settings();
    CString text = CommandText(ID_CHECK_FOR_UPDATES);
    text += L"\r\n" + MakeEmDashes(23);
    text += lead + m_facts.UiString(IDS_LAST_UPDATE_CHECK) + L": " + m_facts.LastUpdateCheckText();
    text +=
        lead + m_facts.UiString(IDS_LATEST_FOUND_VERSION) + L": " + WrapSquareBrackets(m_facts.LatestFoundVersion());
    text += lead + m_facts.UiString(IDS_YOUR_VERSION) + L": " + m_facts.VersionWithBuild();
    text += lead + m_facts.UiString(IDS_AUTO_UPDATE_CHECK) + L": " + OnOff(settings.autoCheckForUpdates);
    if (settings.autoCheckForUpdates) {
        CString days;
        days.Format(L"%d", static_cast<int>(settings.daysCheckForUpdates));
        text += lead + m_facts.UiString(IDS_CHECK_EVERY_DAYS) + L": " + days;
        text += L" (" + m_facts.UiString(IDS_CHECK_PERIOD_HINT) + L")";
        text +=
            lead + m_facts.UiString(IDS_NEXT_CHECK) + L": " + m_facts.NextUpdateCheckText(settings.daysCheckForUpdates);
    }
    return text;
}

CString CMenuTipTexts::AboutTip() {
    CString text = CommandText(ID_APP_ABOUT) + L"\n" + MakeEmDashes(23);
    text += L"\n" + m_facts.ProductVersionText();
    text += L"\n" + m_facts.UiString(IDS_VERSION_RELEASED) + L" " + m_facts.BuildDateText();
    text += L"\n" + MakeEmDashes(23) + L"\n";
    std::vector<CString> lines = m_facts.SiblingFileLines();
    SYSTEMTIME releaseCandidate = {};
    releaseCandidate.wYear = 2024;
    releaseCandidate.wMonth = 12;
    releaseCandidate.wDay = 14;
    lines.push_back(L"\u2022 RC Start: " + WrapSquareBrackets(m_facts.DateText(releaseCandidate)));
    lines.push_back(L"\u2022 " + m_facts.UiString(IDS_LOG_MESSAGES) + L": " + IntToStr(m_facts.CollectedErrorCount()));
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) text += L"\n";
        text += L"\t" + lines[i];
    }
    return text;
}

CString CMenuTipTexts::FloatPaneTip() {
    CString text = m_facts.UiString(ID_FLOAT_PANE);
    AppendSeparator(text);
    text += L"\u2022 " + m_facts.UiString(ID_FLOAT_PANE_ON_START) + L": " +
            WrapSquareBrackets(OnOff(m_facts.Settings().paneOnStart));
    return text;
}

CString CMenuTipTexts::AdministratorText() {
    CString text;
    const CString recommended = m_facts.UiString(IDS_ADMIN_RECOMMENDED);
    const CString macros = m_facts.UiString(IDS_ADMIN_MACROS_HINT);
    if (!recommended.IsEmpty()) text += L"\t\u2022 " + recommended;
    if (!macros.IsEmpty()) text += L"\n\t\u2022 " + macros;
    const CString privileges = m_facts.PrivilegesText();
    if (!privileges.IsEmpty()) {
        const CString title = m_facts.UiString(IDS_PRIVILEGES);
        text += L"\n" + MakeTitleLine(26 - title.GetLength(), title, 2) + L"\n" + privileges;
    }
    return text;
}

CString CMenuTipTexts::ClipboardFormatList() {
    bool rtf = false, plain = false, html = false;
    m_facts.ClipboardFormats(rtf, plain, html);
    CString list;
    auto add = [&list](const CString& name) {
        if (!list.IsEmpty()) list += L", ";
        list += name;
    };
    if (rtf) add(L"Rich Text Format");
    if (plain) add(m_facts.UiString(IDS_PLAIN_TEXT));
    if (html) add(L"HTML Format");
    return list;
}

CString CMenuTipTexts::ExtraLine(UINT id) {
    if (id == ID_EMPTY_CLIPBOARD) return m_facts.UiString(IDS_DATA_STAYS_IN_PANE);
    if (id == ID_SHOW_PHRASES_MENU) {
        const bool registered = m_facts.HotKeyRegistered();
        CString text = m_facts.UiString(IDS_HOT_KEY) + L": " + m_facts.HotKeyText() + L" \u2014 " +
                       GetOnOffStateText(registered, false, !registered);
        text += L"\n    \u2022 " + m_facts.UiString(IDS_CHANGE_HOTKEY_HINT) + L" " +
                WrapGuillemets(m_facts.OpenMenuText(ID_OPEN_EDITOR));
        return text;
    }
    if (id == ID_PANE_EDIT_WITH_NOTEPAD) {
        CString text = m_facts.NotepadPath();
        const CString type = m_facts.BinaryTypeName(text);
        if (!type.IsEmpty()) text += L"  \u2014  (" + type + L")";
        return text;
    }
    return CString();
}

CString CMenuTipTexts::ClipboardPreview() {
    return MakeClipboardPreview(m_facts.ClipboardUnicodeText());
}

// ---------------------------------------------------------------------------------------
// The texts

void CMenuTipTexts::GetClipboardTrackingTip(CString& text) {
    text.Format(L" [max = %d]", m_facts.Settings().historyMax);
    if (m_connection == kTipConnectionError) {
        text += L"\nConnection Error!!!";
        if (!m_connectionError.IsEmpty()) text += L"\n" + m_connectionError;
    } else if (m_connection == kTipNotConnected) {
        text += L"\nNo";
    }
    text += L"\nMethod: " + TrackingMethodText();
    text.AppendFormat(L"\nGetClipboardSequenceNumber: %d", static_cast<int>(m_facts.ClipboardSequenceNumber()));
    text +=
        L"\n\n      " + m_facts.UiString(IDS_HISTORY_AT_STARTUP) + L": " + OnOff(m_facts.Settings().clipboardHistory);
    text += L"\n      " + m_facts.UiString(IDS_CHANGE_DEFAULTS_HINT) + L" " +
            Quoted(m_facts.TranslatedMenuText(kTrayMenuResource, ID_OPEN_EDITOR));
}

void CMenuTipTexts::BuildClipboardHistoryStateTip(CString& text, bool historyOn) {
    text = L"      " + GetTextWithState(CommandText(ID_HISTORY_KEEP), historyOn);
    text += L"\n\n" + GetTextWithState(m_facts.UiString(IDS_HISTORY_AT_STARTUP), m_facts.Settings().clipboardHistory);
    text += L"\n" + m_facts.UiString(IDS_CHANGE_DEFAULTS_HINT) + L" " +
            Quoted(m_facts.TranslatedMenuText(kTrayMenuResource, ID_OPEN_EDITOR));
}

void CMenuTipTexts::GetTipStringForClipboardHistory(CString& text, UINT id, CString& title) {
    title = m_facts.UiString(IDS_HISTORY_ITEM);
    CTipHistoryItem item;
    if (!m_facts.HistoryItem(static_cast<int>(id - kFirstTrayHistoryCommandId), item)) {
        text = L"The history item is gone";
        return;
    }
    CString itemText;
    CString kindName;
    switch (item.kind) {
        case kHistoryKindAnsiText:
        case kHistoryKindUnicodeText:
            itemText = item.text;
            kindName = m_facts.UiString(IDS_PLAIN_TEXT);
            break;
        case kHistoryKindFormattedText:
            itemText = item.text;
            kindName = m_facts.UiString(IDS_FORMATTED_TEXT_RTF);
            break;
        case kHistoryKindSisterData:
            itemText = item.text;
            kindName = m_facts.UiString(IDS_DORVANE_DATA);
            LogWrite(L"CMenuToolTipVXLClient::GetTipStringForClipboardHistory case CHDT_DORVANE");
            break;
        default:
            itemText = L"Ooops! Other data format";
            kindName = L"OOOPS! Unknow format";
            break;
    }
    CString source;
    if (!item.windowTitle.IsEmpty()) source = WrapSquareBrackets(item.windowTitle);
    if (!item.programFile.IsEmpty()) {
        if (!source.IsEmpty()) source += L", ";
        source += WrapSquareBrackets(item.programFile);
    }
    const int length = itemText.GetLength();
    TrimTrailingBreaks(itemText);
    if (itemText.GetLength() > kHistoryTextChars) itemText = itemText.Left(kHistoryTextChars) + L"\r\n...";

    text = m_facts.UiString(IDS_PUT_HISTORY_ITEM);
    text += L"\r\n" + m_facts.UiString(IDS_TEXT_LENGTH) + L": " + WrapSquareBrackets(IntToStr(length));
    text += L"\r\n" + m_facts.UiString(IDS_DATA_FORMAT) + L": " + kindName;
    text += L"\r\n" + m_facts.UiString(IDS_COPIED_FROM) + L": " +
            (source.IsEmpty() ? m_facts.UiString(IDS_SOURCE_UNKNOWN) : source);
    text += L"\r\n" + item.captureTime;
    if (!itemText.IsEmpty()) text += L"\r\n\r\n" + itemText;
    text += L"\n" + MakeEmDashes(kSeparatorDashes) + L"\n   \u00BB " + m_facts.UiString(IDS_SAVE_ITEM_HINT);
    if (item.kind == kHistoryKindSisterData && !item.metaText.IsEmpty()) {
        AppendSeparator(text);
        text += item.metaText;
    }
}

CString CMenuTipTexts::TableText(UINT id, CString& title) {
    const CString T = CommandText(id);
    CString text;
    switch (id) {
        case ID_REPORT_MSINFO:
            text = m_facts.MsInfoPath();
            AppendSeparator(text);
            return text + m_facts.SystemFolder() + L"msinfo32.exe";
        case ID_REPORT_COPY_ALL:
            return m_facts.UiString(IDS_COPY_ALL_INFORMATION);
        case ID_REPORT_ZIP_LOG:
            text = m_facts.UiString(IDS_ZIP_LOG_AND_SETTINGS) + L"\n\n  " + m_facts.LogReportPath();
            text += L"\n  " + m_facts.SettingsFilePath() + L", [Settings]";
            return text + L"\n  " + m_facts.StatisticsFilePath() + L", [" + m_facts.UiString(IDS_STATISTIC) + L"]";
        case ID_COMMAND_LINE_KEYS:
            text = T;
            AppendSeparator(text);
            return text + m_facts.CommandLineKeysText();
        case ID_UNDO:
            return UndoTip();
        case ID_HISTORY_CLEAR:
        case ID_PANE_DELETE:
            return T + L"\n   " + MakeEmDashes(kSeparatorDashes) + L"\n   \u00BB " + m_facts.UiString(IDS_UNDO_HINT) +
                   L" " + Quoted(m_facts.TranslatedMenuText(kPaneMenuResource, ID_UNDO));
        case ID_APP_ABOUT:
            return AboutTip();
        case ID_COPY_EXCLUDE_SYMBOLS:
            return m_facts.FileNameReplacementsText();
        case ID_OPEN_SETTINGS_FILE:
            return T + L"\r\n" + m_facts.UiString(IDS_CLOSE_BEFORE_EDIT) + L"\r\n\r\n" + m_facts.SettingsFilePath();
        case ID_HISTORY_SAVE_ON_EXIT: {
            const CString folder = m_facts.HistoryFolder();
            text = T + L"\n" + MakeEmDashes(kSeparatorDashes) + L"\n   \u00BB " + m_facts.UiString(IDS_FOLDER) + L": " +
                   WrapSquareBrackets(folder);
            AppendAccessLines(text, folder);
            return text;
        }
        case ID_CHECK_FOR_UPDATES:
            return UpdateTip();
        case ID_START_WITH_WINDOWS:
            return AutostartTip();
        case ID_OPEN_PHRASES_FOLDER:
            text = T;
            AppendSeparator(text);
            return text + PhrasesFolderTip();
        case ID_OPEN_EDITOR: {
            text = T;
            AppendSeparator(text);
            text += PhrasesFolderTip();
            AppendSeparator(text);
            const CTipSettings settings = m_facts.Settings();
            text += L"Clipboard Tracking Method used: " + TrackingMethodText() + L" ";
            CString limit;
            limit.Format(L"max = %d", settings.historyMax);
            text += WrapSquareBrackets(limit);
            text += L"\nClipboard Tracking Method setting: ";
            if (settings.spyMethod == -1)
                text += L"Automatically (AddClipboardListener is available, or SetClipboardViewer in other)";
            else if (settings.spyMethod == 0)
                text += L"SetClipboardViewer (for old version of Windows)";
            else if (settings.spyMethod == 1)
                text += L"AddClipboardListener (for Windows Vista or later)";
            AppendSavedFormatsLine(text);
            title = m_facts.OpenMenuText(ID_OPEN_EDITOR);
            title.Remove(L'\u2026');
            title += L" - [" + m_facts.PhrasesFolderText() + L"]";
            return text;
        }
        case ID_ENABLE_PHRASE_MENU: {
            const bool registered = m_facts.HotKeyRegistered();
            int included = 0, total = 0;
            m_facts.PhraseCounts(included, total);
            text = T;
            AppendSeparator(text);
            text += L"   \u2022 " + m_facts.UiString(IDS_HOT_KEY) + L": " + WrapSquareBrackets(m_facts.HotKeyText()) +
                    L" \u2014 " + GetOnOffStateText(registered, false, !registered);
            CString counts;
            counts.Format(L"%d/%d", included, total);
            return text + L"\n   \u2022 " + m_facts.UiString(IDS_PHRASES) + L": [" + counts + L"]";
        }
        case ID_REREAD_PHRASES: {
            const CString folder = m_facts.PhrasesFolder();
            text = T;
            AppendSeparator(text);
            text += m_facts.UiString(IDS_PHRASES_FOLDER) + L": " + WrapSquareBrackets(folder);
            AppendAccessLines(text, folder);
            return text;
        }
        case ID_SAVE_PHRASE_FROM_CLIPBOARD: {
            text = T;
            const CString preview = ClipboardPreview();
            if (!preview.IsEmpty()) {
                AppendSeparator(text);
                text += preview;
            }
            const CString formats = ClipboardFormatList();
            if (!formats.IsEmpty())
                text += L"\r\n     " + MakeTitleLine(12, m_facts.UiString(IDS_FORMATS), 3) + L"\r\n" + formats;
            return text;
        }
        case ID_HISTORY_KEEP: {
            CString tracking;
            GetClipboardTrackingTip(tracking);
            text = T + tracking;
            AppendSavedFormatsLine(text);
            return text;
        }
        case ID_HISTORY_REKEEP:
            text = T;
            AppendSavedFormatsLine(text);
            return text;
        case ID_FLOAT_PANE:
        case ID_SHOW_FLOAT_PANE:
            return FloatPaneTip();
        case ID_WRITE_LOG:
            text = T;
            AppendSeparator(text);
            return text + L"      \u00BB " + m_facts.LogReportPath();
        case ID_RUN_AS_ADMIN: {
            const CString admin = AdministratorText();
            if (admin.IsEmpty()) return T;
            return T + L"\n" + MakeEmDashes(25) + L"\n" + admin;
        }
        case ID_PANE_COPY_SOURCE_URL:
        case ID_PANE_OPEN_SOURCE_URL:
            text = T;
            if (id == ID_PANE_OPEN_SOURCE_URL) {
                const CString opener = m_facts.FocusedItemOpener();
                if (!opener.IsEmpty()) text += L"\n\n " + opener;
            }
            AppendItemPreview(text, 2);
            return text;
        case ID_PANE_COPY_PLAIN:
        case ID_PANE_OPEN_AS_URL:
        case ID_PANE_COPY_RTF:
            text = T;
            AppendItemPreview(text, 0);
            return text;
        case ID_PANE_COPY_HTML:
        case ID_PANE_COPY_HTML_CODE:
            text = T;
            AppendItemPreview(text, 1);
            return text;
        default:
            break;
    }
    if (id >= kFirstLanguageCommandId && id <= kLastLanguageCommandId) return m_facts.LanguageItemTip(id);
    if (id >= kFirstTrayHistoryCommandId && id <= kLastTrayHistoryCommandId) {
        GetTipStringForClipboardHistory(text, id, title);
        return text;
    }
    return T;
}

void CMenuTipTexts::GetMenuTipText(CString& text, UINT id, CString& title) {
    title.Empty();
    text = TableText(id, title);

    const CTipSettings settings = m_facts.Settings();
    bool hasState = true;
    bool state = false;
    switch (id) {
        case ID_WRITE_LOG:
            state = settings.writeLog;
            break;
        case ID_SOUNDS:
            state = settings.sounds;
            break;
        case ID_FLOAT_PANE_ON_START:
            state = settings.paneOnStart;
            break;
        case ID_PINNED_ON_START:
            state = settings.pinnedOnStart;
            break;
        case ID_MUTE_MODE:
            state = settings.muted;
            break;
        default:
            hasState = false;
            break;
    }
    if (hasState) text += L", " + WrapSquareBrackets(OnOff(state));

    if (ShowsFocusedItem(id)) {
        const CString shortText = m_facts.FocusedItemShortText();
        if (!shortText.IsEmpty()) {
            AppendSeparator(text);
            text += shortText;
        }
    }

    const CString extra = ExtraLine(id);
    if (!extra.IsEmpty()) {
        AppendSeparator(text);
        text += L"     \u00BB " + extra;
    }

    if (IsWebCommand(id)) {
        const CString address = m_facts.WebAddress(id);
        if (!address.IsEmpty()) text += L"\n" + MakeEmDashes(kSeparatorDashes) + L"\n \u00BB " + address;
    }
}

// ---------------------------------------------------------------------------------------
// Icons

std::vector<TipIconSource> GetTipIconPlan(UINT id) {
    using K = TipIconKind;
    std::vector<TipIconSource> plan;
    auto add = [&plan](TipIconSource source) { plan.push_back(source); };
    if (id == ID_HISTORY_REKEEP) id = ID_HISTORY_KEEP;
    if (id == ID_COPY_EXCLUDE_SYMBOLS) id = ID_PANE_COPY;

    if (id == ID_FACEBOOK_GROUP) add({K::EditorIcon, 0});
    if (id == ID_VKONTAKTE_GROUP) add({K::EditorIcon, 1});
    if (id == ID_TELEGRAM_GROUP) add({K::EditorIcon, 2});

    switch (id) {
        case ID_START_WITH_WINDOWS:
            add({K::SystemFile, 0, 16, 0, L"winver.exe"});
            break;
        case ID_REPORT_MSINFO:
            add({K::SystemFile, 0, 16, 0, L"msinfo32.exe"});
            break;
        case ID_COMMAND_LINE_KEYS:
            add({K::SystemFile, 0, 16, 0, L"cmd.exe"});
            break;
        case ID_OPEN_EDITOR:
            add({K::EditorProgram});
            break;
        case ID_PANE_MULTI_COPY:
            add({K::RotatedResource, IDI_COPY, 16, 1});
            break;
        case ID_OPEN_SETTINGS_FILE:
        case ID_WRITE_LOG:
        case ID_PANE_EDIT:
            add({K::TextFile});
            break;
        case ID_PANE_MINIMIZE_TO_CAPTION:
            add({K::Resource16, IDI_TO_CAPTION});
            break;
        case ID_REPORT_ZIP_LOG:
            add({K::ExtensionLarge, 0, 32, 0, L".zip"});
            break;
        case ID_REPORT_COPY_ALL:
        case ID_PANE_COPY:
        case ID_PANE_COPY_SOURCE_URL:
            add({K::Resource16, IDI_COPY});
            break;
        case ID_EMAIL_TO_US:
            add({K::ExtensionLarge, 0, 32, 0, L".eml"});
            break;
        case ID_PANE_PROTECT:
            add({K::Resource16, IDI_PROTECT});
            break;
        case ID_PANE_DELETE:
            add({K::Resource16, IDI_DELETE});
            break;
        case ID_PANE_COPY_PLAIN:
            add({K::ExtensionLarge, 0, 32, 0, L".txt"});
            break;
        case ID_SOUNDS:
            add({K::SystemFile, 0, 16, 0, L"SndVol.exe"});
            break;
        case ID_MUTE_MODE:
            add({K::SystemDllIcon, 120, 16, 0, L"SndVolSSO.dll"});
            break;
        case ID_VIDEO:
            add({K::Video});
            break;
        case ID_PANE_RUN:
        case ID_PANE_OPEN_WITH:
            add({K::Resource16, IDI_RUN});
            break;
        case ID_RUN_AS_ADMIN:
            add({K::Administrator});
            break;
        case ID_WELCOME:
            add({K::Welcome});
            add({K::ExtensionLarge, 0, 32, 0, L".eml"});
            break;
        case ID_PANE_EDIT_WITH_NOTEPAD:
            add({K::Notepad});
            break;
        case ID_PANE_OPEN_SOURCE_URL:
            add({K::Opener});
            break;
        case ID_PANE_COPY_RTF:
            add({K::ResourceSized, IDI_FORMATTED_TEXT, 32});
            add({K::ResourceSized, IDI_FORMATTED_TEXT, 16});
            break;
        case ID_PANE_COPY_HTML:
            add({K::ResourceSized, IDI_HTML, 32});
            break;
        case ID_PANE_COPY_HTML_CODE:
            add({K::ResourceSized, IDI_HTML_CODE, 32});
            break;
        case ID_PANE_SHOW_ALL_ITEMS:
            add({K::Resource16, IDI_SHOW_ALL});
            break;
        case ID_PANE_UPSIDE_DOWN:
            add({K::RotatedResource, IDI_TO_CAPTION, 16, 2});
            break;
        case ID_PANE_COLLAPSE:
            add({K::ResourceSized, IDI_TO_CAPTION, 16});
            break;
        case ID_OPEN_PHRASES_FOLDER:
            add({K::Folder});
            break;
        default:
            break;
    }

    if (id >= ID_PANE_SEARCH_FIRST && id <= ID_PANE_SEARCH_LAST) {
        static const UINT kSearchIcons[] = {IDI_WEB_SEARCH, IDI_WEB_SEARCH_2, IDI_ENCYCLOPEDIA, IDI_DEV_DOCS};
        add({K::MenuItemSlot, kSearchIcons[id - ID_PANE_SEARCH_FIRST]});
    } else {
        if (id == ID_CHECK_FOR_UPDATES) add({K::Resource16, IDI_WEB});
        struct Pair {
            UINT id;
            UINT resource;
        };
        static const Pair kPairs[] = {
            {ID_PANE_OPEN_AS_URL, IDI_WEB}, {ID_PANE_PIN, IDI_PIN},    {ID_PINNED_ON_START, IDI_PIN},
            {ID_HISTORY_CLEAR, IDI_DELETE}, {ID_APP_EXIT, IDI_DELETE}, {ID_HISTORY_KEEP, IDI_SHOW_ALL},
        };
        for (const Pair& pair : kPairs)
            if (pair.id == id) add({K::Resource16, pair.resource});
        if (IsWebCommand(id) && id != ID_EMAIL_TO_US) {
            add({K::MenuItemSlot, IDI_WEB});
            add({K::ExtensionSmall, 0, 16, 0, L".html"});
        }
    }
    add({K::Program});
    return plan;
}

std::vector<UINT> GetTipMenuItemSlots() {
    return {IDI_WEB, IDI_WEB_SEARCH, IDI_WEB_SEARCH_2, IDI_ENCYCLOPEDIA, IDI_DEV_DOCS};
}
