#include "tray/MenuToolTipVXLClient.h"

#include "history/pane/PaneIcons.h"

#include <algorithm>

#include "core/AppPrivileges.h"
#include "core/AppTexts.h"
#include "core/Autostart.h"
#include "core/ClientLanguage.h"
#include "core/CommandLine.h"
#include "core/DateTimeTexts.h"
#include "core/DefaultPrograms.h"
#include "core/IconIds.h"
#include "core/LanguageFiles.h"
#include "core/Launch.h"
#include "core/Settings.h"
#include "core/SettingsFile.h"
#include "core/ShellHelpers.h"
#include "core/SoundPlayer.h"
#include "core/Statistics.h"
#include "core/SystemInfo.h"
#include "core/TrayIds.h"
#include "core/UiStrings.h"
#include "core/VersionInfo.h"
#include "core/WebDestinations.h"
#include "core/base/AppPaths.h"
#include "core/base/DateTimeFormat.h"
#include "core/base/FileIcons.h"
#include "core/base/LogPath.h"
#include "core/base/Logger.h"
#include "core/base/Security.h"
#include "core/base/TextHelpers.h"
#include "history/HistoryFiles.h"
#include "phrases/CommandTree.h"
#include "tray/MenuHistorySource.h"
#include "tray/TrayMenu.h"

namespace {

const int kMenuTextChars = 260;

CString TipUiString(UINT id) {
    return LoadUiString(id);
}

std::wstring SourceKey(const TipIconSource& source) {
    wchar_t key[64] = {};
    wsprintfW(key, L"%d/%u/%d/%d/", static_cast<int>(source.kind), source.resource, source.size, source.turns);
    std::wstring text = key;
    if (source.name) text += source.name;
    return text;
}

HICON LoadResourceIcon(UINT resource, int size) {
    return static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

CString VersionWithBuildOf(const CString& path) {
    CFileVersionInfo info(path);
    if (!info.Read()) return CString();
    const VS_FIXEDFILEINFO& fixed = info.GetFixedInfo();
    if (fixed.dwFileVersionMS == 0 && fixed.dwFileVersionLS == 0) return CString();
    CString text;
    text.Format(L"%u.%u.%u build %u", HIWORD(fixed.dwFileVersionMS), LOWORD(fixed.dwFileVersionMS),
                HIWORD(fixed.dwFileVersionLS), LOWORD(fixed.dwFileVersionLS));
    return text;
}

}  // namespace

MenuTipIcon ChooseTipIcon(UINT id, ITipIconLoader& loader) {
    for (const TipIconSource& source : GetTipIconPlan(id))
        if (HICON icon = loader.Load(source)) return reinterpret_cast<MenuTipIcon>(icon);
    return kMenuTipInfoIcon;
}

CString GetSystemFolderPath() {
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length > MAX_PATH) return CString();
    return WithTrailingBackslash(folder);
}

CString GetFileVersionLine(const CString& path) {
    CString line = L"\u2022 " + GetFileNameOfPath(path);
    const CString version = VersionWithBuildOf(path);
    if (!version.IsEmpty()) line += L" " + version;
    return line;
}

// ---------------------------------------------------------------------------------------
// CTrayTipFacts

CTrayTipFacts::CTrayTipFacts(CVXLCommandTree* tree, const std::vector<CString>* languageFiles,
                             IMenuHistorySource* history, const std::vector<CString>* collectedErrors)
    : m_tree(tree), m_languageFiles(languageFiles), m_history(history), m_errors(collectedErrors) {}

CString CTrayTipFacts::UiString(UINT id) {
    return LoadUiString(id);
}

CString CTrayTipFacts::OpenMenuText(UINT id) {
    wchar_t text[kMenuTextChars + 1] = {};
    if (!m_menu || !GetMenuStringW(m_menu, id, text, kMenuTextChars, MF_BYCOMMAND)) return CString();
    return text;
}

CString CTrayTipFacts::TranslatedMenuText(UINT menuResource, UINT id) {
    return GetClientMenuLng().GetMenuItemTextByID(menuResource, id, GetModuleHandleW(nullptr));
}

CTipSettings CTrayTipFacts::Settings() {
    const CVXLSettings& settings = CVXLSettings::GetInstance();
    CTipSettings tip;
    tip.writeLog = settings.WriteLog;
    tip.sounds = settings.SoundOnEventsV094;
    tip.paneOnStart = settings.ShowHistoryPaneOnStart;
    tip.pinnedOnStart = settings.Pinned_FloatPane_On_Start;
    tip.muted = IsSoundMuted();
    tip.clipboardHistory = settings.ClipboardHistory;
    for (int i = 0; i < 5; ++i) tip.formats[i] = settings.ClipboardFormats[i];
    tip.autoCheckForUpdates = settings.AutoCheckForUpdates;
    tip.historyMax = settings.ClipboardHistoryMax;
    tip.spyMethod = settings.ClipboardSpyMethod;
    tip.autoLoadDelaySeconds = settings.DelayAutoLoadSeconds;
    tip.daysCheckForUpdates = settings.GetDaysCheckForUpdates();
    return tip;
}

CString CTrayTipFacts::HotKeyText() {
    return GetHotKeyText();
}

bool CTrayTipFacts::HotKeyRegistered() {
    return m_main && SendMessageW(m_main, WM_VXL_IS_HOTKEY_REGISTERED, 0, 0) != 0;
}

void CTrayTipFacts::PhraseCounts(int& included, int& total) {
    included = total = 0;
    if (m_tree) m_tree->CountItems(total, included);
}

bool CTrayTipFacts::AutostartSet() {
    return CAppObjects::IsAutostartSet();
}

CString CTrayTipFacts::WebAddress(UINT id) {
    return GetTrayWebAddress(id);
}

CString CTrayTipFacts::LanguageItemTip(UINT id) {
    const size_t index = id - kFirstLanguageCommandId;
    if (!m_languageFiles || index >= m_languageFiles->size()) return CString();
    const CString path = GetProgramFolder() + (*m_languageFiles)[index];
    CLngFileInfo info;
    if (!ReadLngFileInfo(path, info) || info.localizedName.IsEmpty()) return CString();
    return info.localizedName + L"\r\n" + (*m_languageFiles)[index] + L", " +
           WrapSquareBrackets(info.prefix.IsEmpty() ? CString(L"Lang prefix not defined") : info.prefix);
}

CString CTrayTipFacts::PhrasesFolder() {
    return CVXLSettings::GetInstance().GetPhrasesDirectory();
}

CString CTrayTipFacts::PhrasesFolderText() {
    return GetPhrasesFolderText();
}

CString CTrayTipFacts::HistoryFolder() {
    return GetClipboardHistoryFolder();
}

CString CTrayTipFacts::SettingsFilePath() {
    return GetSettingsFilePath();
}

CString CTrayTipFacts::LogReportPath() {
    return GetLogReportPath();
}

CString CTrayTipFacts::StatisticsFilePath() {
    return GetStatFilePath();
}

CString CTrayTipFacts::MsInfoPath() {
    wchar_t path[MAX_PATH + 1] = {};
    DWORD size = sizeof path - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\MSINFO32.EXE",
                     nullptr, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ, nullptr, path, &size) != ERROR_SUCCESS)
        return CString();
    return path;
}

CString CTrayTipFacts::SystemFolder() {
    return GetSystemFolderPath();
}

bool CTrayTipFacts::FolderAccess(const CString& folder, bool write) {
    return write ? IsFileWritable(folder) : IsFileReadable(folder);
}

CString CTrayTipFacts::NotepadPath() {
    return CAppObjects::GetNotepadPath();
}

CString CTrayTipFacts::BinaryTypeName(const CString& path) {
    return GetBinaryTypeName(path);
}

CString CTrayTipFacts::FocusedItemShortText() {
    if (!m_main) return CString();
    // The pane answers with its record of the focused item.
    auto* record = reinterpret_cast<TextPair*>(SendMessageW(m_main, WM_VXL_GET_PANE_ITEM_RECORD, 0, 0));
    return record ? GetShortDisplayText(*record) : CString();
}

CString CTrayTipFacts::FocusedItemText(int form) {
    CString text;
    if (m_main)
        SendMessageW(m_main, WM_VXL_GET_PANE_ITEM_TEXT, static_cast<WPARAM>(form), reinterpret_cast<LPARAM>(&text));
    return text;
}

CString CTrayTipFacts::FocusedItemOpener() {
    const CString address = FocusedItemText(2);
    if (!address.IsEmpty()) return CAppObjects::GetHttpOpenExecutable();
    CString text = FocusedItemText(0);
    text.Trim();
    const int dot = text.ReverseFind(L'.');
    if (dot < 0 || text.FindOneOf(L"\r\n") >= 0) return CString();
    return CAppObjects::GetOpenProgramOfExtension(text.Mid(dot));
}

CString CTrayTipFacts::ClipboardUnicodeText() {
    CString text;
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            const size_t capacity = GlobalSize(data) / sizeof(wchar_t);
            size_t length = 0;
            while (length < capacity && chars[length]) ++length;
            text = CString(chars, static_cast<int>(length));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void CTrayTipFacts::ClipboardFormats(bool& rtf, bool& text, bool& html) {
    rtf = IsClipboardFormatAvailable(RegisterClipboardFormatW(L"Rich Text Format")) != FALSE;
    text = IsClipboardFormatAvailable(CF_TEXT) != FALSE;
    html = IsClipboardFormatAvailable(RegisterClipboardFormatW(L"HTML Format")) != FALSE;
}

int CTrayTipFacts::TrackingMethod() {
    // The handler does not tell its method yet; an unknown method shows no method text
    // rather than a wrong one.
    return -1;
}

DWORD CTrayTipFacts::ClipboardSequenceNumber() {
    using SequenceProc = DWORD(WINAPI*)();
    HMODULE user = GetModuleHandleW(L"user32.dll");
    if (!user) return 0;
    auto proc =
        reinterpret_cast<SequenceProc>(reinterpret_cast<void*>(GetProcAddress(user, "GetClipboardSequenceNumber")));
    return proc ? proc() : 0;
}

bool CTrayTipFacts::HistoryItem(int index, CTipHistoryItem& item) {
    if (!m_history || index < 0 || index >= m_history->GetCount()) return false;
    item.kind = m_history->GetKind(index);
    item.text = m_history->GetPlainText(index);
    SYSTEMTIME time = {};
    if (m_history->GetItemOrigin(index, item.windowTitle, item.programFile, time))
        item.captureTime = FormatDateTimeText(time, true);
    return true;
}

bool CTrayTipFacts::LatestUndo(CTipUndoRecord& record) {
    ULONGLONG tick = 0;
    SYSTEMTIME time = {};
    if (!m_history || !m_history->GetLatestUndo(record.description, tick, time)) return false;
    const ULONGLONG now = GetTickCount64();
    record.ageMs = now > tick ? static_cast<DWORD>(std::min<ULONGLONG>(now - tick, MAXDWORD)) : 0;
    record.timeText = FormatDateTimeText(time, true);
    return true;
}

CString CTrayTipFacts::ElapsedText(DWORD ms) {
    const CString prefix = GetLanguagePrefix();
    const LANGID language = prefix.IsEmpty() ? 0 : FindKeyboardLayoutByLangAbbrev(prefix);
    return FormatElapsedTime(ms, language ? MAKELCID(language, SORT_DEFAULT) : LOCALE_USER_DEFAULT);
}

CString CTrayTipFacts::LastUpdateCheckText() {
    SYSTEMTIME local = {};
    if (!CVXLSettings::GetLastCheckForUpdatesLocal(local)) return CString();
    return FormatDateTimeText(local, true);
}

CString CTrayTipFacts::NextUpdateCheckText(DWORD days) {
    SYSTEMTIME next = {};
    SYSTEMTIME local = {};
    if (!CVXLSettings::GetLastCheckForUpdates(next) || !AddDaysToSystemTime(&next, static_cast<int>(days)) ||
        !UtcToLocalTime(next, local))
        return CString();
    return FormatDateText(local, true);
}

CString CTrayTipFacts::LatestFoundVersion() {
    return GetLatestFoundCFUVersion();
}

CString CTrayTipFacts::VersionWithBuild() {
    return GetProgramVersionText(true);
}

CString CTrayTipFacts::ProductVersionText() {
    return GetProgramVersionText(false);
}

CString CTrayTipFacts::BuildDateText() {
    return GetBuildDateText();
}

std::vector<CString> CTrayTipFacts::SiblingFileLines() {
    const CString paths[] = {GetHookDllPath(),   BuildPhraseEditorPath(), BuildWaiterPath(),
                             BuildWelcomePath(), BuildExitToolPath(),     JoinProgramFolder(L"RIZedarOred.dll")};
    std::vector<CString> lines;
    for (const CString& path : paths) lines.push_back(GetFileVersionLine(path));
    return lines;
}

CString CTrayTipFacts::DateText(const SYSTEMTIME& day) {
    return FormatDateText(day, false);
}

int CTrayTipFacts::CollectedErrorCount() {
    return m_errors ? static_cast<int>(m_errors->size()) : 0;
}

CString CTrayTipFacts::CommandLineKeysText() {
    return BuildCommandLineKeysText(GetProgramVersionText(true));
}

CString CTrayTipFacts::FileNameReplacementsText() {
    return GetFileNameReplacementsText();
}

CString CTrayTipFacts::PrivilegesText() {
    return CAppObjects::Get_App_Privelegies_ToolTip();
}

// ---------------------------------------------------------------------------------------
// CMenuToolTipVXLClient

CMenuToolTipVXLClient::CMenuToolTipVXLClient(CVXLCommandTree* tree, const std::vector<CString>* languageFiles,
                                             IMenuHistorySource* history, const std::vector<CString>* collectedErrors)
    : CMenuToolTipClient(&TipUiString), m_facts(tree, languageFiles, history, collectedErrors), m_texts(m_facts) {}

CMenuToolTipVXLClient::~CMenuToolTipVXLClient() = default;

HWND CMenuToolTipVXLClient::Create(HWND owner, const wchar_t* defaultText, HINSTANCE instance, DWORD style,
                                   const wchar_t* title) {
    HWND tip = CMenuToolTipClient::Create(owner, defaultText, instance, style, title);
    m_facts.SetMainWindow(owner);
    if (tip && IsWindow(tip)) {
        for (UINT resource : GetTipMenuItemSlots()) Load({TipIconKind::MenuItemSlot, resource});
    }
    return tip;
}

MenuTipIcon CMenuToolTipVXLClient::GetTipIcon(UINT id) {
    const MenuTipIcon icon = ChooseTipIcon(id, *this);
    return icon == kMenuTipInfoIcon ? CMenuToolTipClient::GetTipIcon(id) : icon;
}

void CMenuToolTipVXLClient::GetText(CString& text, UINT id, HMENU menu, CString& title) {
    GetMenuTipText(text, id, menu, title);
}

void CMenuToolTipVXLClient::GetMenuTipText(CString& text, UINT id, HMENU menu, CString& title) {
    m_facts.SetOpenMenu(menu);
    m_texts.GetMenuTipText(text, id, title);
    m_facts.SetOpenMenu(nullptr);
}

HICON CMenuToolTipVXLClient::Load(const TipIconSource& source) {
    if (source.kind == TipIconKind::Opener) {
        bool owned = false;
        m_openerIcon.reset(LoadUncached(source, owned));
        return m_openerIcon.get();
    }
    const std::wstring key = SourceKey(source);
    auto shared = m_icons.find(key);
    if (shared != m_icons.end() && shared->second) return shared->second;
    auto kept = m_ownedIcons.find(key);
    if (kept != m_ownedIcons.end() && kept->second) return kept->second.get();
    bool owned = true;
    HICON icon = LoadUncached(source, owned);
    if (!icon) return nullptr;
    if (owned)
        m_ownedIcons[key].reset(icon);
    else
        m_icons[key] = icon;
    return icon;
}

HICON CMenuToolTipVXLClient::LoadUncached(const TipIconSource& source, bool& owned) {
    owned = true;
    switch (source.kind) {
        case TipIconKind::EditorIcon: {
            CLibraryHandle editor = LoadEditorAsData();
            HICON icon = editor ? LoadEditorIcon(static_cast<int>(source.resource), editor.get()) : nullptr;
            // An icon of a module is freed with it: a copy outlives the module.
            return icon ? CopyIcon(icon) : nullptr;
        }
        case TipIconKind::SystemFile:
            return GetFileIcon(GetSystemFolderPath() + source.name, 0);
        case TipIconKind::EditorProgram:
            return ::LoadEditorIcon(false).release();
        case TipIconKind::Resource16:
        case TipIconKind::MenuItemSlot:
            owned = false;
            return LoadProgramIcon(source.resource);
        case TipIconKind::ResourceSized:
            return LoadResourceIcon(source.resource, source.size);
        case TipIconKind::RotatedResource: {
            CIconHandle turned(LoadResourceIcon(source.resource, 16));
            for (int turn = 0; turn < source.turns && turned; ++turn) turned.reset(CreateRotatedIcon(turned.get()));
            return turned.release();
        }
        case TipIconKind::TextFile:
            return GetTextFileIcon().release();
        case TipIconKind::ExtensionLarge:
            return GetIconByExtension(source.name, true);
        case TipIconKind::ExtensionSmall:
            return GetIconByExtension(source.name, false);
        case TipIconKind::SystemDllIcon: {
            CLibraryHandle library(
                LoadLibraryExW(GetSystemFolderPath() + source.name, nullptr, LOAD_LIBRARY_AS_DATAFILE));
            HICON icon = library ? LoadIconW(library.get(), MAKEINTRESOURCEW(source.resource)) : nullptr;
            return icon ? CopyIcon(icon) : nullptr;
        }
        case TipIconKind::Video:
            return CAppObjects::GetVideoFilesIcon().release();
        case TipIconKind::Administrator: {
            if (HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP_READY_ADMIN))) {
                owned = false;
                return icon;
            }
            return GetFileIcon(GetSystemFolderPath() + L"winver.exe", 0);
        }
        case TipIconKind::Welcome:
            return FileExists(BuildWelcomePath()) ? GetFileIcon(BuildWelcomePath(), 0) : nullptr;
        case TipIconKind::Notepad: {
            const CString notepad = CAppObjects::GetNotepadPath();
            return !notepad.IsEmpty() && FileExists(notepad) ? GetFileIcon(notepad, 0) : nullptr;
        }
        case TipIconKind::Opener: {
            const CString opener = m_facts.FocusedItemOpener();
            return opener.IsEmpty() ? nullptr : GetFileIcon(opener, 0);
        }
        case TipIconKind::Folder:
            return GetFolderIcon();
        case TipIconKind::Program: {
            const UINT resource = IsUserAdmin() ? IDI_APP_READY_ADMIN : IDI_APP_READY;
            if (HICON icon = LoadResourceIcon(resource, 32)) return icon;
            return LoadResourceIcon(resource, 16);
        }
    }
    return nullptr;
}
