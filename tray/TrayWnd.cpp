#include "tray/TrayWnd.h"

#include <mmsystem.h>
#include <wininet.h>
#include "core/AppSlots.h"

#include "core/AppTexts.h"
#include "core/Autostart.h"
#include "core/ClientLanguage.h"
#include "core/IconIds.h"
#include "core/Instance.h"
#include "core/LanguageMenu.h"
#include "core/Launch.h"
#include "core/Settings.h"
#include "core/SettingsArea.h"
#include "core/SettingsFile.h"
#include "core/ShellHelpers.h"
#include "core/SoundPlayer.h"
#include "core/UiStringIds.h"
#include "core/UiStrings.h"
#include "core/WindowHelpers.h"
#include "core/base/LogPath.h"
#include "core/base/Logger.h"
#include "core/base/NamedObjects.h"
#include "core/base/ProcessInfo.h"
#include "core/base/SharedEvents.h"
#include "core/base/WorkerThread.h"
#include "tray/QueryWait.h"

namespace {

const int kPhraseHotKeyId = 1;

// The delayed clipboard-history installer: every two seconds, at most 200 times.
const DWORD kDelayedInstallStepMs = 2000;
const int kDelayedInstallTries = 200;

struct CDelayedInstallJob {
    HWND window;
    CHandle exit;
};

DWORD DelayedClipboardInstaller(CDelayedInstallJob& job) {
    LogWrite(L"Start Delayed ClipboardHistory");
    for (int attempt = 1; attempt <= kDelayedInstallTries; ++attempt) {
        if (WaitForSingleObject(job.exit.get(), kDelayedInstallStepMs) != WAIT_TIMEOUT) return 0;
        DWORD_PTR installed = 0;
        if (!SendMessageTimeoutW(job.window, WM_VXL_INSTALL_CLIPBOARD_HISTORY, 1, 0, SMTO_NORMAL, 10000, &installed))
            installed = 0;
        LogWriteFormat(L"Try to delyaed install clipboard spy: success %d, try#%d", installed ? 1 : 0, attempt);
        if (installed) return 0;
    }
    return 0;
}

// The zero-terminated text at `text` when it lies in readable memory of this process, cut
// at the end of that memory and at kMaxReportChars.
bool ReadTextInProcess(const wchar_t* text, CString& out) {
    const int kMaxReportChars = 10000;
    MEMORY_BASIC_INFORMATION info = {};
    if (!text || !VirtualQuery(text, &info, sizeof info) || info.State != MEM_COMMIT) return false;
    const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                           PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    if (!(info.Protect & readable) || (info.Protect & PAGE_GUARD)) return false;
    const auto* end = static_cast<const BYTE*>(info.BaseAddress) + info.RegionSize;
    const size_t available = static_cast<size_t>(end - reinterpret_cast<const BYTE*>(text)) / sizeof(wchar_t);
    const size_t limit = available < static_cast<size_t>(kMaxReportChars) ? available : kMaxReportChars;
    size_t length = 0;
    while (length < limit && text[length]) ++length;
    out = CString(text, static_cast<int>(length));
    return true;
}

}  // namespace

CVXLTrayWnd::CVXLTrayWnd(HANDLE exitEvent, bool noInstall, const CVXLCommandLine* commandLine)
    : m_exitEvent(exitEvent), m_noInstall(noInstall), m_commandLine(commandLine) {
    SetStopSoundBeforePlay(true);
}

UINT CVXLTrayWnd::GetInstanceWatcherMessageId() {
    return GetInstanceWatcherMessage();
}

UINT CVXLTrayWnd::GetReportErrorMessageId() {
    return GetReportErrorMessage();
}

void CVXLTrayWnd::AddCollectedError(const CString& text) {
    m_collectedErrors.push_back(text);
}

bool CVXLTrayWnd::Create(HINSTANCE) {
    RECT rect = {-100, -100, -5, -5};
    return wtl::CWindowImplBase::Create(nullptr, rect, L"Vexlora", 0x008D0000) != nullptr;
}

LRESULT CVXLTrayWnd::OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
    CAppObjects::SetMainWnd(m_hWnd);
    MakeSettingsLanguageCurrent();
    if (!CAppObjects::StartLngWriterThread()) LogError(L"CVXLTrayWnd::OnCreate: cannot start the language writer");
    // The hook library in the user's programs answers by WM_COPYDATA, also from programs
    // that run with less integrity than this one.
    ChangeWindowMessageFilter(WM_COPYDATA, MSGFLT_ADD);
    if (wtl::CMessageLoop* loop = wtl::Module().GetMessageLoop()) {
        loop->AddMessageFilter(this);
        loop->AddIdleHandler(this);
    }
    // Ends with the window: its stop event is the exit event that WM_DESTROY sets.
    if (!StartSoundThread(m_exitEvent)) LogError(L"CVXLTrayWnd::OnCreate: cannot start the sound thread");
    CreateEditRequestWatcher(m_exitEvent, m_hWnd, ID_OPEN_EDITOR);
    StartShowInstanceWatcher(m_exitEvent, m_hWnd, WM_VXL_SHOW_TRAY_MENU);
    StartCommandCheckForUpdatesWatcher(m_exitEvent, m_hWnd, ID_CHECK_FOR_UPDATES);
    // The window's own pictures, for the boxes it owns and the task switcher.
    HINSTANCE module = GetModuleHandleW(nullptr);
    m_smallIcon.reset(static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                                    GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
    m_bigIcon.reset(static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                                  GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0)));
    if (m_smallIcon) SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon.get()));
    if (m_bigIcon) SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon.get()));
    if (m_noInstall)
        AddCollectedError(L"No install on launch. Flag specifided");
    else
        StartServices();
    m_trayIcon = std::make_unique<CTrayIcon>(m_hWnd, *this, m_trayShell ? *m_trayShell : GetSystemTrayShell());
    // The shell may not be there yet (a start with Windows): the installer keeps asking.
    if (!StartTrayIconInstaller(m_hWnd, WM_VXL_INSTALL_TRAY_ICON, m_exitEvent)) m_trayIcon->InstallTrayIcon();
    EditorCoopWatcherContext coop = {m_exitEvent, m_hWnd, WM_VXL_EDITOR_ENDED};
    if (!StartEditorCoopWatcher(coop)) LogError(L"CVXLTrayWnd::OnCreate: cannot watch the editor's end");
    // A first run of this version makes the program start with Windows.
    if (CVXLSettings::GetInstance().IsVersionChanged() && !CAppObjects::StartAutostartWriterThread())
        LogError(L"CVXLTrayWnd::OnCreate: cannot start the autostart writer");
    if (CVXLSettings::GetInstance().ShowHistoryPaneOnStart && m_pane) m_pane->Show(3);
    ::SetWindowPos(m_hWnd, nullptr, -100, -100, 10, 10, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(SW_HIDE);
    if (m_sessionNotify.Register(m_hWnd, true))
        LogWrite(L"WTS_Notify successfully installed");
    else
        LogError(L"WTS_Notify NOT installed");
    // These wait until the desktop has settled after a start with Windows.
    if (!SetTimer(m_hWnd, kTimerStartLateWatchers, 3000, nullptr)) StartLateWatchers();
    if (m_commandLine) {
        if (m_commandLine->IsEdit()) PostMessage(WM_COMMAND, ID_OPEN_EDITOR);
        if (m_commandLine->IsShowMenu()) PostMessage(WM_VXL_SHOW_TRAY_MENU);
        if (m_commandLine->IsCfu()) PostMessage(WM_COMMAND, ID_CHECK_FOR_UPDATES);
    }
    if (!IsWelcomeAlreadyStarted()) StartWelcomeProgram(m_hWnd, true);
    return 0;
}

void CVXLTrayWnd::StartLateWatchers() {
    if (StartTimerStartedWatchers(m_exitEvent, m_hWnd, WM_VXL_LANGUAGE_CHANGED, ID_CHECK_FOR_UPDATES,
                                  WM_VXL_FLOAT_PANE_BLINK))
        LogWrite(L"CVXLTrayWnd::StartLateWatchers: language, update and blink requests are watched");
    else
        LogError(L"CVXLTrayWnd::StartLateWatchers: cannot watch language and update requests");
}

LRESULT CVXLTrayWnd::OnTimer(UINT, WPARAM id, LPARAM, BOOL& handled) {
    if (m_trayIcon && m_trayIcon->OnTimer(id)) return 0;
    switch (id) {
        case kTimerStartLateWatchers:
            KillTimer(m_hWnd, id);
            StartLateWatchers();
            return 0;
        case kTimerFloatPaneItem:
            KillTimer(m_hWnd, id);
            // Still on the pane's item after a second: show the user where the pane is.
            if ((m_lastMenuItem == ID_FLOAT_PANE || m_lastMenuItem == ID_SHOW_FLOAT_PANE) && PaneWindow())
                m_pane->Blink(1);
            return 0;
        case kTimerShowPhraseMenu:
            KillTimer(m_hWnd, id);
            if (m_roads) m_roads->ShowPhraseMenuFromCommand();
            return 0;
        default:
            handled = FALSE;
            return 0;
    }
}

LRESULT CVXLTrayWnd::OnDestroy(UINT, WPARAM, LPARAM, BOOL&) {
    // Every watcher and worker thread waits on the exit event beside its own work.
    SetEvent(m_exitEvent);
    StopServices();
    // Takes the icon off the tray and frees its pictures.
    m_trayIcon.reset();
    if (wtl::CMessageLoop* loop = wtl::Module().GetMessageLoop()) {
        loop->RemoveMessageFilter(this);
        loop->RemoveIdleHandler(this);
    }
    if (m_sessionNotify.Unregister(m_hWnd))
        LogWrite(L"WTS_Notify successfully uninstalled");
    else
        LogError(L"WTS_Notify cannot uninstall");
    CAppObjects::SetMainWnd(nullptr);
    // However the window goes (the exit command, WM_CLOSE from another program, the end of
    // the session), the loop must end with it: a resident process without its window
    // would hold the instance event for ever.
    PostQuitMessage(0);
    return 0;
}

LRESULT CVXLTrayWnd::OnEndSession(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
    CString line;
    line.Format(L"WM_ENDSESSION wParam=%d lParam=%d", static_cast<int>(wParam), static_cast<int>(lParam));
    LogWrite(line);
    return 0;
}

LRESULT CVXLTrayWnd::OnCopyData(UINT, WPARAM, LPARAM lParam, BOOL&) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    CCommandReply reply;
    if (!ReadCommandReply(data, reply)) {
        LogWriteFormat(L"CVXLTrayWnd::OnCopyData: ignored, tag %u, %u bytes",
                       data ? static_cast<unsigned>(data->dwData) : 0u,
                       data ? static_cast<unsigned>(data->cbData) : 0u);
        return FALSE;
    }
    LogWriteFormat(L"CVXLTrayWnd::OnCopyData: command %d for a window of class %s", reply.commandId,
                   reply.className.GetString());
    if (m_roads) m_roads->OnCommandReply(reply.commandId, reply.target);
    return TRUE;
}

LRESULT CVXLTrayWnd::OnSessionChange(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
    if (m_history) {
        m_sessionRule.OnSessionChange(wParam, static_cast<DWORD>(lParam), *m_history);
    } else {
        LogWriteFormat(L"OnWmWTSSessionChange reason=%s sessionId=%d", WTSSessionChangeReason_2_Str(wParam).GetString(),
                       static_cast<int>(lParam));
    }
    return 0;
}

LRESULT CVXLTrayWnd::OnNotify(UINT, WPARAM, LPARAM lParam, BOOL& handled) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header || header->idFrom != kHistoryControlId) {
        handled = FALSE;
        return 0;
    }
    if (header->code == kHistoryNotifyCountChanged) {
        RefreshTrayTip();
        ReloadPaneList();
        return 0;
    }
    if (header->code != kHistoryNotifyChanged) return 0;
    const DWORD sequence = GetClipboardSequenceNumber();
    if (sequence == m_lastClipboardSequence) {
        LogWriteFormat(
            L"Event OnClipboardHistoryChanged, Sequences Numbers Is EQUAL: %u, do not query data from clipboard",
            sequence);
        return 0;
    }
    m_lastClipboardSequence = sequence;
    LogWriteFormat(L"Event OnClipboardHistoryChanged, new Sequences Number: %u", sequence);
    LogWriteFormat(L"Event OnClipboardHistoryChanged, Count=%d", m_history ? m_history->ItemCount() : 0);
    RefreshTrayTip();
    ReloadPaneList();
    const auto* notify = reinterpret_cast<const CHistoryChangedNotify*>(header);
    if (notify->reason == kHistoryCaptured) PlaySoundPaper();
    return 0;
}

LRESULT CVXLTrayWnd::OnReportError(UINT, WPARAM, LPARAM lParam, BOOL&) {
    // Sent by the float pane on this thread. The number is registered, so any program may
    // send or post it with any value: a send from another thread is refused, and the text
    // is read only as far as readable memory of this process goes.
    CString text;
    if (InSendMessage() || !ReadTextInProcess(reinterpret_cast<const wchar_t*>(lParam), text)) {
        LogError(L"CVXLTrayWnd::OnReportError: a report that is not a text of this program is ignored");
        return 0;
    }
    AddCollectedError(text);
    return 1;
}

LRESULT CVXLTrayWnd::OnInstanceRequest(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
    if (wParam == 0) {
        LogWrite(L"CVXLTrayWnd::OnInstanceRequest: Vexlora was started again while running");
        // Another start is the user asking for the program: make sure it can answer.
        if (!m_hook || !m_hook->IsInstalled()) StartServices();
        PlaySoundAlreadyWork();
        if (m_trayIcon) m_trayIcon->UpdateTrayIcon(kTrayIconModifyWithBalloon, LoadUiString(IDS_ALREADY_WORKS), true);
        return 0;
    }
    LogWrite(L"CVXLTrayWnd::OnInstanceRequest: exit requested");
    if (m_trayIcon) m_trayIcon->UpdateTrayIcon(kTrayIconModifyWithBalloon, LoadUiString(IDS_EXITING));
    Sleep(500);
    PostMessage(WM_COMMAND, ID_APP_EXIT, lParam);
    return 0;
}

LRESULT CVXLTrayWnd::OnShowTrayMenu(UINT, WPARAM, LPARAM, BOOL&) {
    LogWrite(L"CVXLTrayWnd::OnShowTrayMenu: show the tray menu requested");
    if (m_roads) m_roads->ShowTrayMenu();
    return 0;
}

LRESULT CVXLTrayWnd::OnLanguageChanged(UINT, WPARAM, LPARAM, BOOL&) {
    LogWrite(L"CVXLTrayWnd::OnLanguageChanged: the UI language was changed");
    ReloadLanguage();
    return 0;
}

LRESULT CVXLTrayWnd::OnFloatPaneBlink(UINT, WPARAM wParam, LPARAM, BOOL&) {
    if (PaneWindow()) m_pane->Blink(wParam);
    return 0;
}

LRESULT CVXLTrayWnd::OnAppExit(WORD, WORD, HWND, BOOL&) {
    // WM_DESTROY posts the quit message.
    DestroyWindow();
    return 0;
}

LRESULT CVXLTrayWnd::OnOpenEditor(WORD, WORD, HWND, BOOL&) {
    LogWrite(L"CVXLTrayWnd::OnOpenEditor: open the editor requested");
    return 0;
}

LRESULT CVXLTrayWnd::OnCheckForUpdates(WORD, WORD, HWND, BOOL&) {
    LogWrite(L"CVXLTrayWnd::OnCheckForUpdates: check for updates requested");
    return 0;
}

// ---------------------------------------------------------------------------------------
// Services

BOOL CVXLTrayWnd::RegisterPhraseHotKey(CString* errorText) {
    if (m_hotKeyRegistered) return FALSE;
    CVXLSettings& settings = CVXLSettings::GetInstance();
    UINT key = settings.HotkeyVk;
    UINT modifiers = settings.HotkeyModifiers;
    // Ctrl+Alt+Enter when nothing is set.
    if (key == 0) {
        key = VK_RETURN;
        if (modifiers == 0) modifiers = MOD_ALT | MOD_CONTROL;
    }
    m_hotKeyRegistered = RegisterHotKey(m_hWnd, kPhraseHotKeyId, modifiers, key);
    if (m_hotKeyRegistered) {
        WriteSettingsArea(key, modifiers, settings.Hotkey_Doubled, nullptr);
    } else {
        CString failure;
        failure.Format(L"Cannot register hotkey. Error: %d", static_cast<int>(GetLastError()));
        if (errorText) *errorText += L"\n" + failure;
        AddCollectedError(failure);
    }
    return m_hotKeyRegistered;
}

void CVXLTrayWnd::UnregisterPhraseHotKey() {
    if (m_hotKeyRegistered && UnregisterHotKey(m_hWnd, kPhraseHotKeyId)) m_hotKeyRegistered = FALSE;
}

int CVXLTrayWnd::FailServices(const CString& errorText, bool unregisterHotKey) {
    AddCollectedError(errorText);
    InstallClipboardHistoryIfMissing();
    if (unregisterHotKey) UnregisterPhraseHotKey();
    if (m_query) m_query->CloseWaitObjects();
    return 0;
}

int CVXLTrayWnd::StartServices() {
    CVXLSettings& settings = CVXLSettings::GetInstance();
    // The log follows the setting, which a settings reload may have switched. A log that
    // is on stays open: closing and opening it would lose the lines still on their way.
    if (settings.WriteLog && !IsLogEnabled())
        LogInit(BuildLogReportPath());
    else if (!settings.WriteLog && IsLogEnabled())
        LogShutdown();
    m_phraseTree.Load(settings.GetPhrasesDirectory(), settings.Sorting);
    if (!m_hook || !m_query) {
        // Until the hook road exists in this program, the phrase menu has nothing to start.
        LogWrite(L"CVXLTrayWnd::StartServices: no hook service in this program");
        InstallClipboardHistoryIfMissing();
        return 0;
    }
    if (!m_query->CreateWaitObjects()) {
        LogError(L"ERROR: Cannot create wait objects");
        return FailServices(L"ERROR: Cannot create wait objects", false);
    }
    CString hotKeyError;
    if (!RegisterPhraseHotKey(&hotKeyError) && !m_hotKeyRegistered) {
        LogWrite(L"ERROR: Cannot register hot key");
        const CString text = L"ERROR: Cannot register hot key " + GetHotKeyText();
        LogWrite(text);
        return FailServices(text, false);
    }
    int error = 0;
    if (!m_hook->Install(m_hWnd, GetTargetQueryMessage(), kDataNeededEventName, kDataCompletedEventName,
                         kInterchangeAreaName, settings.WriteLog, error, false)) {
        const CString path = GetHookDllPath();
        const CString text =
            BuildHookInstallErrorText(error, path, GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES);
        if (error != 0)
            LogError(text);
        else
            LogWrite(text);
        return FailServices(text, true);
    }
    const bool queryThread = StartQueryThread();
    InstallClipboardHistoryIfMissing();
    if (!queryThread) {
        LogError(L"ERROR: Cannot start wait thread for query");
        AddCollectedError(L"ERROR: Cannot start wait thread for query");
    }
    PreloadPsapiAndNtdll();
    if (!queryThread) {
        UnregisterPhraseHotKey();
        m_query->CloseWaitObjects();
    }
    return queryThread ? 1 : 0;
}

bool CVXLTrayWnd::StartQueryThread() {
    return m_query && m_query->StartQueryThread(m_hWnd, m_exitEvent, WM_VXL_QUERY, WM_VXL_QUERY_ERROR);
}

void CVXLTrayWnd::StopServices() {
    if (m_hook && m_hook->IsInstalled()) m_hook->Uninstall();
    UnregisterPhraseHotKey();
    if (m_query) m_query->CloseWaitObjects();
}

void CVXLTrayWnd::InstallClipboardHistoryIfMissing() {
    if (!m_history || !CVXLSettings::GetInstance().ClipboardHistory || m_history->IsInstalled()) return;
    if (!m_history->Install(true)) StartDelayedClipboardInstaller();
}

void CVXLTrayWnd::StartDelayedClipboardInstaller() {
    WorkerOptions options;
    options.stack = kWaitingThreadStack;
    auto job = std::make_unique<CDelayedInstallJob>(CDelayedInstallJob{m_hWnd, DuplicateForWorker(m_exitEvent)});
    if (!job->exit || !StartWorker(std::move(job), &DelayedClipboardInstaller, options))
        LogError(L"CVXLTrayWnd: cannot start the delayed clipboard-history installer");
}

LRESULT CVXLTrayWnd::OnInstallClipboardHistory(UINT, WPARAM wParam, LPARAM, BOOL&) {
    if (!m_history || !CVXLSettings::GetInstance().ClipboardHistory) return 0;
    return m_history->Install(wParam != 0) ? 1 : 0;
}

LRESULT CVXLTrayWnd::OnQueryError(UINT, WPARAM, LPARAM, BOOL&) {
    LogError(L"Reveived message WM_WAIT_QUERY_COMPLETE_ERROR, wait of query complete with error");
    StartQueryThread();
    return 0;
}

LRESULT CVXLTrayWnd::OnIsHotKeyRegistered(UINT, WPARAM, LPARAM, BOOL&) {
    return m_hotKeyRegistered;
}

// ---------------------------------------------------------------------------------------
// The rest of the message table

LRESULT CVXLTrayWnd::OnHotKey(UINT, WPARAM id, LPARAM, BOOL&) {
    if (id != kPhraseHotKeyId) return 0;
    // A lock screen or an elevation prompt has the input: nothing may be typed there.
    if (!IsInputDesktopActive()) {
        LogWrite(L"SKIP HOTKEY. Input desktop is INACTIVE");
        return 0;
    }
    LogWrite(L"Input desktop is active");
    if (m_roads) m_roads->OnPhraseHotKey();
    return 0;
}

LRESULT CVXLTrayWnd::OnMenuSelect(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
    handled = FALSE;
    if (m_roads && m_roads->IsPhraseMenuShown()) return 0;
    const UINT item = LOWORD(wParam);
    if (!(HIWORD(wParam) & MF_POPUP)) m_lastMenuItem = item;
    if (item == ID_FLOAT_PANE || item == ID_SHOW_FLOAT_PANE)
        SetTimer(m_hWnd, kTimerFloatPaneItem, 1000, nullptr);
    else
        KillTimer(m_hWnd, kTimerFloatPaneItem);
    return 0;
}

LRESULT CVXLTrayWnd::OnSysColorChange(UINT, WPARAM, LPARAM, BOOL&) {
    ClearSysColorCaches();
    return 0;
}

LRESULT CVXLTrayWnd::OnQuery(UINT, WPARAM wParam, LPARAM, BOOL&) {
    CQueryHandOverRef handOver(wParam);
    if (!m_roads || !handOver) return 0;
    // The worker stops waiting after a while, the menu may still be open then: the roads
    // work on this window's own records, and the answer goes back in one piece at the end.
    CWPQueryData query = handOver->query;
    CWPAnswerData answer;
    m_roads->OnQuery(reinterpret_cast<WPARAM>(&query), reinterpret_cast<LPARAM>(&answer));
    handOver->answer = std::move(answer);
    return 1;
}

LRESULT CVXLTrayWnd::OnEditorLaunch(UINT, WPARAM wParam, LPARAM, BOOL&) {
    switch (wParam) {
        case 0:
            ShowMessageBox(L"Cannot start settings module", MB_ICONHAND, false);
            StartPhraseEditorNow(true, false, false, CString());
            break;
        case 1:
            m_languageAtEditorStart = GetCurrentLngFile();
            break;
        case 2:
            ReloadAfterEditorEnded();
            break;
        default:
            break;
    }
    return 0;
}

LRESULT CVXLTrayWnd::OnEditorEnded(UINT, WPARAM, LPARAM, BOOL&) {
    ReloadAfterEditorEvent();
    if (HWND pane = PaneWindow()) ::PostMessageW(pane, WM_VXL_UPDATE_RESULT, 0, 0);
    LogWrite(L"CVXLTrayWnd::OnWmEditorEnded: Detected event: DezediDizava closed");
    return 0;
}

void CVXLTrayWnd::ReloadAfterEditorEnded() {
    CVXLSettings::GetInstance().Load();
    InstallClipboardHistoryIfMissing();
    if (m_roads) m_roads->ForgetFonts();
    UnregisterPhraseHotKey();
    RegisterPhraseHotKey();
    StopServices();
    StartServices();
    if (!m_trayIcon) return;
    // A new language changes every text of the icon; otherwise the tip is enough.
    if (GetCurrentLngFile().CompareNoCase(m_languageAtEditorStart) != 0)
        m_trayIcon->UpdateTrayIcon(kTrayIconModify);
    else
        RefreshTrayTip();
}

void CVXLTrayWnd::ReloadAfterEditorEvent() {
    CVXLSettings::GetInstance().Load();
    if (m_roads) m_roads->ForgetFonts();
    MakeSettingsLanguageCurrent();
    RefreshTrayTip();
    m_phraseTree.Load(CVXLSettings::GetInstance().GetPhrasesDirectory(), CVXLSettings::GetInstance().Sorting);
    RefreshTrayTip();
    if (m_trayIcon) m_trayIcon->BlinkTrayIcon();
    InstallClipboardHistoryIfMissing();
}

void CVXLTrayWnd::ReloadLanguage() {
    MakeSettingsLanguageCurrent();
    RefreshTrayTip();
}

void CVXLTrayWnd::RefreshTrayTip() {
    if (m_trayIcon && m_trayIcon->IsOnTray()) m_trayIcon->UpdateTrayIcon(kTrayIconModify);
}

void CVXLTrayWnd::ReloadPaneList() {
    if (PaneWindow()) m_pane->ReloadList();
}

CTrayStatusFacts CVXLTrayWnd::GetTrayStatusFacts() {
    int total = 0;
    int included = 0;
    m_phraseTree.CountItems(total, included);
    return GatherTrayStatusFacts(m_hook && m_hook->IsInstalled(), CVXLSettings::GetInstance().GetPhrasesDirectory(),
                                 included, total);
}

LRESULT CVXLTrayWnd::OnInstallTrayIcon(UINT, WPARAM, LPARAM, BOOL&) {
    return m_trayIcon ? m_trayIcon->InstallTrayIcon() : FALSE;
}

LRESULT CVXLTrayWnd::OnTrayIconNotify(UINT, WPARAM, LPARAM lParam, BOOL& handled) {
    switch (GetTrayIconClick(lParam)) {
        case TrayIconClick::kReleaseAndPost:
            ReleaseCapture();
            PostMessage(WM_VXL_SHOW_TRAY_MENU);
            break;
        case TrayIconClick::kMenuAtCursor:
            GetCursorPos(&m_lastTrayMenuPoint);
            if (m_roads) m_roads->ShowTrayMenu();
            break;
        case TrayIconClick::kPost:
            PostMessage(WM_VXL_SHOW_TRAY_MENU);
            break;
        case TrayIconClick::kNone:
            handled = FALSE;
            break;
    }
    return 0;
}

LRESULT CVXLTrayWnd::OnTaskbarCreated(UINT, WPARAM, LPARAM, BOOL&) {
    LogWrite(L"CVXLTrayWnd: the shell restarted; the tray icon is added again");
    if (m_trayIcon) m_trayIcon->OnTaskbarCreated(m_exitEvent);
    return 0;
}

LRESULT CVXLTrayWnd::OnHideBalloon(UINT, WPARAM, LPARAM, BOOL&) {
    if (m_trayIcon) m_trayIcon->ShowTrayBalloon(nullptr);
    return 0;
}

LRESULT CVXLTrayWnd::OnUpdateResult(UINT, WPARAM, LPARAM, BOOL&) {
    if (m_trayIcon) {
        m_trayIcon->ShowTrayBalloon(nullptr);
        m_trayIcon->StopPulse();
    }
    LogWrite(L"CVXLTrayWnd::OnUpdateResult: an update check ended");
    return 0;
}

LRESULT CVXLTrayWnd::OnRefreshAndCheck(UINT, WPARAM, LPARAM, BOOL&) {
    RefreshTrayTip();
    DWORD connection = 0;
    if (InternetGetConnectedState(&connection, 0)) PostMessage(WM_COMMAND, ID_CHECK_FOR_UPDATES);
    return 0;
}

LRESULT CVXLTrayWnd::OnGetPaneCaption(UINT, WPARAM, LPARAM lParam, BOOL&) {
    auto* caption = reinterpret_cast<CString*>(lParam);
    if (!caption) return 0;
    CString text;
    text.Format(L"Vexlora - %s [%d]", LoadUiString(172).GetString(), m_history ? m_history->ItemCount() : 0);
    *caption = text;
    return text.GetLength();
}

LRESULT CVXLTrayWnd::OnAltTab(UINT, WPARAM wParam, LPARAM, BOOL&) {
    switch (wParam) {
        case 0:
            LogWrite(L"CWndAltTabIcon::DAW_FROMHOOK");
            break;
        case 1:
            LogWrite(L"CWndAltTabIcon::DAW_ACTIVATE");
            break;
        default:
            LogWrite(L"CWndAltTabIcon::default");
            return 0;
    }
    if (m_pane) m_pane->Show(1);
    return 0;
}

LRESULT CVXLTrayWnd::OnAllowWaitAnswer(UINT, WPARAM, LPARAM, BOOL&) {
    // The main program never lets the hook library wait for its answer.
    return 0;
}

LRESULT CVXLTrayWnd::OnCommandFromSelf(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
    LogWrite(L"CVXLTrayWnd::OnWmCommandFromSelf");
    if (m_roads) m_roads->OnCommandFromSelf(static_cast<int>(wParam), reinterpret_cast<HWND>(lParam));
    return 0;
}

LRESULT CVXLTrayWnd::OnIsMenuFree(UINT, WPARAM, LPARAM, BOOL&) {
    return m_roads && m_roads->IsPhraseMenuShown() ? 0 : 1;
}

LRESULT CVXLTrayWnd::OnGetHistoryHandler(UINT, WPARAM, LPARAM, BOOL&) {
    return reinterpret_cast<LRESULT>(m_history);
}

LRESULT CVXLTrayWnd::OnItemAction(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
    if (m_roads) m_roads->OnItemAction(wParam, lParam);
    return 0;
}

LRESULT CVXLTrayWnd::OnGetPaneSelectedText(UINT, WPARAM, LPARAM lParam, BOOL&) {
    auto* text = reinterpret_cast<CString*>(lParam);
    if (!text || !PaneWindow()) return 0;
    return m_pane->GetSelectedText(*text) && !text->IsEmpty() ? 1 : 0;
}

LRESULT CVXLTrayWnd::OnEditText(UINT, WPARAM, LPARAM lParam, BOOL&) {
    const auto* text = reinterpret_cast<const wchar_t*>(lParam);
    StartPhraseEditorNow(true, false, false, text ? CString(text) : CString());
    return 0;
}

LRESULT CVXLTrayWnd::OnGetPaneItemText(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
    auto* text = reinterpret_cast<CString*>(lParam);
    if (!text || !PaneWindow()) return 0;
    return m_pane->GetFocusedItemText(static_cast<int>(wParam), *text) ? 1 : 0;
}

LRESULT CVXLTrayWnd::OnGetPaneItemRecord(UINT, WPARAM, LPARAM, BOOL&) {
    HWND pane = PaneWindow();
    if (!pane || !::IsWindowVisible(pane)) return 0;
    return m_pane->GetFocusedItemRecord();
}

LRESULT CVXLTrayWnd::OnShowFloatPane(UINT, WPARAM wParam, LPARAM, BOOL&) {
    LogWriteFormat(L"CVXLTrayWnd::_On_Wm_Show_Float_Pane: ThreadIdFrom=%d tray=%d", static_cast<int>(wParam),
                   static_cast<int>(GetCurrentThreadId()));
    if (!m_pane) return 0;
    if (!m_pane->Window()) SendMessage(WM_COMMAND, ID_FLOAT_PANE);
    if (m_pane->Window()) m_pane->BringForward();
    return 0;
}

LRESULT CVXLTrayWnd::OnFillLanguageMenu(UINT, WPARAM wParam, LPARAM, BOOL&) {
    std::vector<CString> names;
    CAppObjects::FillLanguageMenu(reinterpret_cast<HMENU>(wParam), names);
    return 1;
}

int CVXLTrayWnd::ShowMessageBox(const CString& text, UINT flags, bool flash) {
    // A box of a hidden tray program must not play over the sound it explains.
    ::PlaySoundW(nullptr, nullptr, 0);
    const LONG_PTR exStyle = GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE);
    wchar_t oldTitle[256] = {};
    ::GetWindowTextW(m_hWnd, oldTitle, 256);
    if (flash) {
        int cut = text.Find(L'\n');
        const CString firstLine = cut >= 0 ? text.Left(cut) : text;
        SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, exStyle | WS_EX_APPWINDOW);
        ::SetWindowTextW(m_hWnd, L"Vexlora - " + firstLine);
        ShowWindow(SW_SHOWNA);
        FLASHWINFO info = {sizeof info, m_hWnd, FLASHW_ALL, 3, 0};
        FlashWindowEx(&info);
        flags &= ~0x40000u;
    }
    const int result = MessageBoxW(m_hWnd, text, L"Vexlora", flags);
    if (flash) {
        ShowWindow(SW_HIDE);
        SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, exStyle);
        ::SetWindowTextW(m_hWnd, oldTitle);
    }
    return result;
}
