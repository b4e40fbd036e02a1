#include "tray/TrayWnd.h"

#include <mmsystem.h>
#include <wininet.h>
#include "core/AppSlots.h"
#include "core/DialogCloser.h"

#include "core/AppTexts.h"
#include "core/Autostart.h"
#include "core/ClientLanguage.h"
#include "core/ClipboardAccess.h"
#include "core/CommandLine.h"
#include "core/IconIds.h"
#include "core/Instance.h"
#include "core/LanguageFiles.h"
#include "core/LanguageMenu.h"
#include "core/Launch.h"
#include "core/RunAsAdmin.h"
#include "core/Settings.h"
#include "core/SettingsArea.h"
#include "core/SettingsFile.h"
#include "core/ShellHelpers.h"
#include "core/ShellServices.h"
#include "core/SoundPlayer.h"
#include "core/SystemInfo.h"
#include "core/UiStringIds.h"
#include "core/UiStrings.h"
#include "core/WebDestinations.h"
#include "core/WindowHelpers.h"
#include "core/base/AppPaths.h"
#include "core/base/LogPath.h"
#include "core/base/Logger.h"
#include "core/base/NamedObjects.h"
#include "core/base/ProcessInfo.h"
#include "core/base/SharedEvents.h"
#include "core/base/WorkerThread.h"
#include "history/ClipboardWatcher.h"
#include "pages/AboutDlg.h"
#include "pages/UpdateCheck.h"
#include "pages/UpdateDlg.h"
#include "pages/UpdateResult.h"
#include "pages/WebDownload.h"
#include "phrases/Macros.h"
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
    : m_exitEvent(exitEvent),
      m_noInstall(noInstall),
      m_commandLine(commandLine),
      m_pulseOptionsChanged(&PulseOptionsChangedAsync) {
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
    StartUpdateChecks();
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
    CreateMenuToolTip();
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
    ApplyAltTabSetting();
    return 0;
}

void CVXLTrayWnd::ApplyAltTabSetting() {
    // The entry stands for the float pane: without one, switching to it would show nothing.
    if (!CVXLSettings::GetInstance().ShowIconInAltTab_ForFP || !m_pane)
        m_altTab.Destroy();
    else if (!m_altTab.Create(m_hWnd, WM_VXL_ALT_TAB))
        LogError(L"CVXLTrayWnd: the Alt-Tab entry cannot be made");
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

void CVXLTrayWnd::CreateMenuToolTip() {
    m_menuTip =
        std::make_unique<CMenuToolTipVXLClient>(&m_phraseTree, &m_trayMenuLanguages, m_menuHistory, &m_collectedErrors);
    if (m_menuTipDelay) m_menuTip->SetDelay(std::move(m_menuTipDelay));
    if (!m_menuTip->Create(m_hWnd, LoadUiString(IDS_MENU_TIP_TITLE), GetModuleHandleW(nullptr), 0, nullptr)) {
        LogError(L"CVXLTrayWnd::OnCreate: cannot create the menu tool tip");
        m_menuTip.reset();
    }
}

LRESULT CVXLTrayWnd::OnDestroy(UINT, WPARAM, LPARAM, BOOL&) {
    // Every watcher and worker thread waits on the exit event beside its own work.
    SetEvent(m_exitEvent);
    m_altTab.Destroy();
    StopServices();
    m_menuTip.reset();
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
    ShowTrayMenuFromOutside();
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

LRESULT CVXLTrayWnd::OnAppExit(WORD, WORD, HWND sender, BOOL&) {
    // The About and the update dialog run their own message loops inside handlers of this
    // window (the update dialog inside the checking thread's SendMessage): they are closed
    // first, and the window goes once their loops have returned to the main one.
    if ((CAppObjects::GetAboutDlgHwnd() || CAppObjects::GetUpdateDlgHwnd()) && m_exitDeferrals < kMaxExitDeferrals) {
        ++m_exitDeferrals;
        CAppObjects::CloseOpenDialogs();
        PostMessage(WM_COMMAND, ID_APP_EXIT, reinterpret_cast<LPARAM>(sender));
        return 0;
    }
    // WM_DESTROY posts the quit message.
    DestroyWindow();
    return 0;
}

LRESULT CVXLTrayWnd::OnOpenEditor(WORD, WORD, HWND, BOOL&) {
    StartEditor(false);
    return 0;
}

// The launch thread answers with WM_VXL_EDITOR_LAUNCH: a failed start shows its box, the
// end of the editor reloads what it may have changed.
void CVXLTrayWnd::StartEditor(bool addFromClipboard) {
    if (!StartPhraseEditorThread(DuplicateForWorker(m_exitEvent), m_hWnd, WM_VXL_EDITOR_LAUNCH, addFromClipboard, false,
                                 CString()))
        LogError(L"CVXLTrayWnd::StartEditor: cannot start the editor's thread");
}

namespace {

// Runs on the worker thread of the check that ended.
void OnUpdateCheckCompleted(const UpdateCheckTaskInfo& task, int argument) {
    SYSTEMTIME now;
    GetSystemTime(&now);
    CVXLSettings::WriteLastCheckForUpdates(now);
    const CVXLSettings& settings = CVXLSettings::GetInstance();
    if (argument == 1 && settings.AutoCheckForUpdates &&
        !CheckForUpdates_Schedule(task.window, task.resultMessage, task.stopEvent, now, OnUpdateCheckCompleted,
                                  settings.GetDaysCheckForUpdates(), 1))
        LogError(L"OnUpdateCheckCompleted: cannot schedule the next check");
    PulseOptionsChangedAsync();
}

}  // namespace

void CVXLTrayWnd::StartUpdateChecks() {
    const CVXLSettings& settings = CVXLSettings::GetInstance();
    SYSTEMTIME last = {};
    CVXLSettings::GetLastCheckForUpdates(last);
    if (settings.AutoCheckForUpdates &&
        !CheckForUpdates_Schedule(m_hWnd, WM_VXL_UPDATE_RESULT, m_exitEvent, last, OnUpdateCheckCompleted,
                                  settings.GetDaysCheckForUpdates(), 1))
        LogError(L"CVXLTrayWnd::StartUpdateChecks: cannot schedule the check");
    if (!StartCommandCheckForUpdatesThread(m_exitEvent, m_hWnd, ID_CHECK_FOR_UPDATES))
        LogError(L"CVXLTrayWnd::StartUpdateChecks: cannot watch the editor's update requests");
}

LRESULT CVXLTrayWnd::OnCheckForUpdates(WORD, WORD, HWND, BOOL&) {
    LogWrite(L"CVXLTrayWnd::OnCheckForUpdates: check for updates requested");
    const CString home = CVXLUrl::Get_Home_Url();
    InternetGoOnlineW(const_cast<LPWSTR>(home.GetString()), m_hWnd, 0);
    if (IsOnline() != 0 && ShowMessageBox(LoadUiString(IDS_NO_INTERNET), MB_OKCANCEL | MB_ICONQUESTION, false) != IDOK)
        return 0;
    if (m_trayIcon) m_trayIcon->StartPulse();
    if (!CheckForUpdates_Start(m_hWnd, WM_VXL_UPDATE_RESULT, m_exitEvent, OnUpdateCheckCompleted, 0)) {
        LogError(L"CVXLTrayWnd::OnCheckForUpdates: cannot start the check");
        if (m_trayIcon) m_trayIcon->StopPulse();
        return 0;
    }
    if (m_trayIcon) m_trayIcon->ShowTrayBalloon(LoadUiString(IDS_CHECK_FOR_UPDATES_TITLE), 30000);
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
    if (!m_history->Install(m_hWnd, true)) StartDelayedClipboardInstaller();
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
    return m_history->Install(m_hWnd, wParam != 0) ? 1 : 0;
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

LRESULT CVXLTrayWnd::OnMenuSelect(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled) {
    handled = FALSE;
    if (m_roads && m_roads->IsPhraseMenuShown()) {
        if (m_menuTip) m_menuTip->Hide();
        return 0;
    }
    const UINT item = LOWORD(wParam);
    if (!(HIWORD(wParam) & MF_POPUP)) m_lastMenuItem = item;
    if (m_menuTip) m_menuTip->OnMenuSelect(item, HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
    if (item == ID_FLOAT_PANE || item == ID_SHOW_FLOAT_PANE)
        SetTimer(m_hWnd, kTimerFloatPaneItem, 1000, nullptr);
    else
        KillTimer(m_hWnd, kTimerFloatPaneItem);
    return 0;
}

LRESULT CVXLTrayWnd::OnEnterIdle(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
    if (m_menuTip) m_menuTip->OnEnterIdle(static_cast<UINT>(wParam), reinterpret_cast<HWND>(lParam));
    return 0;
}

LRESULT CVXLTrayWnd::OnHideMenuToolTip(UINT, WPARAM, LPARAM, BOOL&) {
    if (m_menuTip) m_menuTip->Hide();
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
    ApplyAltTabSetting();
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
    m_altTab.SetText();
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
            DisplayTrayMenuWithPoint(m_lastTrayMenuPoint.x, m_lastTrayMenuPoint.y);
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

LRESULT CVXLTrayWnd::OnUpdateResult(UINT, WPARAM, LPARAM lParam, BOOL&) {
    if (m_trayIcon) {
        m_trayIcon->ShowTrayBalloon(nullptr);
        m_trayIcon->StopPulse();
    }
    const auto* result = reinterpret_cast<const UpdateCheckResult*>(lParam);
    if (!result) return 0;
    // Switched off while the automatic check waited: its result is not wanted.
    if (result->scheduled == 1 && !CVXLSettings::GetInstance().AutoCheckForUpdates) return 0;
    CString line;
    line.Format(L"CVXLTrayWnd::OnUpdateResult: offered [%s], error [%s], %d news",
                JoinVersionNumbers(result->newVersion).GetString(), result->errorText.GetString(),
                static_cast<int>(result->news.size()));
    LogWrite(line);
    // The checking thread waits in its SendMessage until the dialog is closed.
    CUpdateDlg::ShowResult(*result);
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

// ---------------------------------------------------------------------------------------
// The tray menu

CTrayMenuFacts CVXLTrayWnd::GatherTrayMenuFacts() {
    CVXLSettings& settings = CVXLSettings::GetInstance();
    CTrayMenuFacts facts;
    facts.elevated = IsUserAdmin();
    facts.hotKeyRegistered = m_hotKeyRegistered != FALSE;
    facts.hotKeyText = GetHotKeyText();
    facts.autoCheckForUpdates = settings.AutoCheckForUpdates;
    facts.autoLoadDelaySeconds = settings.DelayAutoLoadSeconds;
    facts.autostart = CAppObjects::IsAutostartSet();
    facts.soundsOn = settings.SoundOnEventsV094;
    facts.muted = IsSoundMuted();
    facts.logging = IsLogEnabled();
    facts.paneOnStart = settings.ShowHistoryPaneOnStart;
    facts.pinnedOnStart = settings.Pinned_FloatPane_On_Start;
    facts.clipboardHasText = IsClipboardTextAvailable();
    facts.historyHandlerExists = m_history && m_history->IsInstalled();
    facts.historyOn = facts.historyHandlerExists;
    facts.historyCount = m_history ? m_history->ItemCount() : 0;
    facts.historyMax = settings.ClipboardHistoryMax;
    facts.saveHistoryOnExit = settings.SaveClipboardHistory;
    facts.paneExists = PaneWindow() != nullptr;
    m_phraseTree.CountItems(facts.phrasesTotal, facts.phrasesIncluded);
    facts.languageFile = settings.GetLanguage();
    const CString path = settings.GetLanguageFilePath();
    if (path.IsEmpty()) {
        facts.languagePrefix = L"En";
    } else {
        facts.languagePrefix = ReadLngPrefix(path);
        if (facts.languagePrefix.IsEmpty()) facts.languagePrefix = facts.languageFile;
    }
    return facts;
}

CTrayMenu CVXLTrayWnd::PrepareTrayMenu() {
    return ::PrepareTrayMenu(GetModuleHandleW(nullptr), GatherTrayMenuFacts(), &GetClientMenuLng(), m_menuHistory);
}

UINT CVXLTrayWnd::DisplayTrayMenuWithPoint(int x, int y) {
    CTrayMenu menu = PrepareTrayMenu();
    LogWriteFormat(L"ISWINDOW=%d", ::IsWindow(m_hWnd) ? 1 : 0);
    UINT chosen = 0;
    if (menu.popup) {
        EndMenu();
        // A menu of a window that is not in the foreground stays open when the user
        // clicks elsewhere.
        ::SetForegroundWindow(m_hWnd);
        ::SetFocus(m_hWnd);
        ::SetActiveWindow(m_hWnd);
        m_trayMenuLanguages = menu.languageFiles;
        chosen = static_cast<UINT>(TrackPopupMenu(menu.popup, TPM_RETURNCMD, x, y, 0, m_hWnd, nullptr));
        menu.resource.reset();
        EndMenu();
        if (m_menuTip) m_menuTip->Hide();
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
    }
    LogWriteFormat(L"DisplayTrayMenuWithPoint x=%d y=%d bLoad=%d, bPOPUP=%d", x, y, menu.popup ? 1 : 0,
                   static_cast<int>(chosen));
    if (chosen != 0) SendMessage(WM_COMMAND, chosen);
    return chosen;
}

void CVXLTrayWnd::ShowTrayMenuFromOutside() {
    HWND previous = ::GetForegroundWindow();
    DWORD previousProcess = 0;
    const DWORD previousThread = previous ? GetWindowThreadProcessId(previous, &previousProcess) : 0;
    const DWORD ownThread = GetCurrentThreadId();
    const bool attach = previousThread != 0 && previousThread != ownThread && previousProcess != GetCurrentProcessId();
    if (attach && !AttachThreadInput(ownThread, previousThread, TRUE)) LogWrite(L"ShowTrayMenuFromOutside: no attach");
    ::SetForegroundWindow(m_hWnd);
    ::SetActiveWindow(m_hWnd);
    MessageBeep(MB_ICONASTERISK);
    GetCursorPos(&m_lastTrayMenuPoint);
    DisplayTrayMenuWithPoint(m_lastTrayMenuPoint.x, m_lastTrayMenuPoint.y);
    if (previous && ::IsWindow(previous)) {
        ::SetActiveWindow(previous);
        ::SetForegroundWindow(previous);
    }
    if (attach) AttachThreadInput(ownThread, previousThread, FALSE);
}

LRESULT CVXLTrayWnd::OnInitMenuPopup(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
    LogWrite(L"CVXLTrayWnd::OnInitMenuPopup");
    HMENU popup = reinterpret_cast<HMENU>(wParam);
    if ((m_roads && m_roads->IsPhraseMenuShown()) || !popup || !::IsMenu(popup)) {
        handled = FALSE;
        return 0;
    }
    ApplyTrayMenuPopupStates(popup, GatherTrayMenuFacts(), m_menuHistory);
    CorrectFloatPanePlacement();
    return 0;
}

void CVXLTrayWnd::CorrectFloatPanePlacement() {
    HWND pane = PaneWindow();
    RECT rect = {};
    if (!pane || !::GetWindowRect(pane, &rect)) return;
    const int screenWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    bool outside = false;
    if (rect.right > screenWidth) {
        LogWrite(L"Float pane: right large SM_SXSCREEN");
        outside = true;
    }
    if (rect.top < 0) {
        LogWrite(L"Float pane: top < 0");
        outside = true;
    }
    if (rect.left < 0) {
        LogWrite(L"Float pane: left < 0");
        outside = true;
    }
    if (rect.bottom > screenHeight) {
        LogWrite(L"Float pane: bottom large by SM_SYSCREEN");
        outside = true;
    }
    CString place;
    place.Format(L" SM_CXVIRTUALSCREEN=%d SM_CYVIRTUALSCREEN=%d left=%d top=%d width=%d height=%d", screenWidth,
                 screenHeight, static_cast<int>(rect.left), static_cast<int>(rect.top),
                 static_cast<int>(rect.right - rect.left), static_cast<int>(rect.bottom - rect.top));
    if (!outside) {
        LogWrite(L"Well,well, float pane pos is correctly" + place);
        return;
    }
    LogError(L"Correct pos float pane from menu updating" + place);
    ::SetWindowPos(pane, HWND_TOPMOST, rect.left - rect.right + screenWidth - 5, GetSystemMetrics(SM_CYCAPTION), 0, 0,
                   SWP_NOSIZE);
    m_pane->Blink(1);
}

// ---------------------------------------------------------------------------------------
// The tray menu's commands

LRESULT CVXLTrayWnd::OnTrayCommand(WORD, WORD id, HWND, BOOL& handled) {
    using Command = void (CVXLTrayWnd::*)(WORD);
    struct Row {
        WORD id;
        Command run;
    };
    static const Row kCommands[] = {
        {ID_SHOW_PHRASES_MENU, &CVXLTrayWnd::ShowPhrasesMenuCommand},
        {ID_RUN_AS_ADMIN, &CVXLTrayWnd::RunAsAdminCommand},
        {ID_APP_ABOUT, &CVXLTrayWnd::AboutCommand},
        {ID_COMMAND_LINE_KEYS, &CVXLTrayWnd::CommandLineKeysCommand},
        {ID_VISIT_WEB_SITE, &CVXLTrayWnd::WebPageCommand},
        {ID_VISIT_QUICK_START, &CVXLTrayWnd::WebPageCommand},
        {ID_NEWSLETTER, &CVXLTrayWnd::WebPageCommand},
        {ID_VISIT_FORUM, &CVXLTrayWnd::WebPageCommand},
        {ID_VISIT_FAQ, &CVXLTrayWnd::WebPageCommand},
        {ID_VISIT_BLOG, &CVXLTrayWnd::WebPageCommand},
        {ID_RSS_FEED, &CVXLTrayWnd::WebPageCommand},
        {ID_VIDEO, &CVXLTrayWnd::WebPageCommand},
        {ID_FACEBOOK_GROUP, &CVXLTrayWnd::WebPageCommand},
        {ID_TELEGRAM_GROUP, &CVXLTrayWnd::WebPageCommand},
        {ID_VKONTAKTE_GROUP, &CVXLTrayWnd::WebPageCommand},
        {ID_SUPPORT, &CVXLTrayWnd::WebPageCommand},
        {ID_HOW_TO_LOCALIZE, &CVXLTrayWnd::WebPageCommand},
        {ID_EMAIL_TO_US, &CVXLTrayWnd::EmailCommand},
        {ID_WELCOME, &CVXLTrayWnd::WelcomeCommand},
        {ID_SAVE_PHRASE_FROM_CLIPBOARD, &CVXLTrayWnd::SaveFromClipboardCommand},
        {ID_START_WITH_WINDOWS, &CVXLTrayWnd::AutostartCommand},
        {ID_HISTORY_KEEP, &CVXLTrayWnd::KeepHistoryCommand},
        {ID_HISTORY_REKEEP, &CVXLTrayWnd::ReKeepHistoryCommand},
        {ID_HISTORY_SAVE_ON_EXIT, &CVXLTrayWnd::SaveHistoryOnExitCommand},
        {ID_HISTORY_CLEAR, &CVXLTrayWnd::ClearHistoryCommand},
        {ID_SOUNDS, &CVXLTrayWnd::SoundsCommand},
        {ID_MUTE_MODE, &CVXLTrayWnd::MuteCommand},
        {ID_WRITE_LOG, &CVXLTrayWnd::WriteLogCommand},
        {ID_FLOAT_PANE_ON_START, &CVXLTrayWnd::PaneOnStartCommand},
        {ID_PINNED_ON_START, &CVXLTrayWnd::PinnedOnStartCommand},
        {ID_REREAD_PHRASES, &CVXLTrayWnd::RereadPhrasesCommand},
        {ID_OPEN_PHRASES_FOLDER, &CVXLTrayWnd::OpenPhrasesFolderCommand},
        {ID_OPEN_SETTINGS_FILE, &CVXLTrayWnd::OpenSettingsFileCommand},
        {ID_FLOAT_PANE, &CVXLTrayWnd::FloatPaneCommand},
        {ID_SHOW_FLOAT_PANE, &CVXLTrayWnd::ShowFloatPaneCommand},
        {ID_ENABLE_PHRASE_MENU, &CVXLTrayWnd::EnablePhraseMenuCommand},
    };
    for (const Row& row : kCommands) {
        if (row.id != id) continue;
        (this->*row.run)(id);
        return 0;
    }
    LogWriteFormat(L"CVXLTrayWnd::OnTrayCommand: no handler for command %u", static_cast<unsigned>(id));
    handled = FALSE;
    return 0;
}

void CVXLTrayWnd::ShowPhrasesMenuCommand(WORD) {
    // The tray menu must be gone and the last target active again before the phrase
    // menu asks it for its place.
    if (!SetTimer(m_hWnd, kTimerShowPhraseMenu, 500, nullptr) && m_roads) m_roads->ShowPhraseMenuFromCommand();
}

void CVXLTrayWnd::RunAsAdminCommand(WORD) {
    HWND front = PaneWindow() ? PaneWindow() : m_hWnd;
    ::SetForegroundWindow(front);
    ::SetActiveWindow(front);
    ::SetFocus(front);
    CAppObjects::RunAsAdmin(m_hWnd);
}

void CVXLTrayWnd::AboutCommand(WORD) {
    if (HWND about = CAppObjects::GetAboutDlgHwnd()) {
        if (::IsIconic(about)) ::ShowWindow(about, SW_RESTORE);
        ::SetForegroundWindow(about);
        return;
    }
    CAboutDlg::Show(m_hWnd, GatherAboutInputs());
}

AboutReportInputs CVXLTrayWnd::GatherAboutInputs() const {
    const CVXLSettings& settings = CVXLSettings::GetInstance();
    AboutReportInputs inputs;
    inputs.phrasesFolder = settings.GetPhrasesDirectoryNoSlash();
    inputs.defaultFolder = settings.IsPhrasesDirectoryDefault();
    const CVXLTreeStatistics tree = m_phraseTree.GetTreeStatistics();
    inputs.statistics = {tree.records,     tree.included,   tree.folders,  tree.rtfPhrases,   tree.textPhrases,
                         tree.execPhrases, tree.totalUsage, tree.maxUsage, tree.maxUsageName, tree.charsSaved};
    inputs.collectedErrors = m_collectedErrors;
    inputs.hotKeyMenuActive = m_hotKeyRegistered != FALSE;
    const bool historyOn = m_history && m_history->IsInstalled();
    inputs.clipboardHistoryState = LoadUiString(historyOn ? IDS_TURN_ON : IDS_TURN_OFF);
    if (historyOn) inputs.clipboardHistoryState.AppendFormat(L", [%d]", m_history->ItemCount());
    inputs.hookLibraryPath = GetHookDllPath();
    if (m_hook) inputs.hookServiceImplName = m_hook->GetDllServiceImplName();
    // Only an installed watcher has a check running; asking the watcher otherwise would make one.
    if (historyOn) {
        const CClipboardSpy& spy = CClipboardSpy::GetInstance();
        inputs.clipboardReinstall = {spy.IsInstalled(), spy.GetTimerInterval()};
    }
    inputs.expandMacros = &ExpandMacrosSimple;
    return inputs;
}

void CVXLTrayWnd::CommandLineKeysCommand(WORD) {
    ShowCommandLineKeysBox(m_hWnd, GetProgramVersionText(true));
}

void CVXLTrayWnd::WebPageCommand(WORD id) {
    const CString address = GetTrayWebAddress(id);
    if (address.IsEmpty()) {
        LogWriteFormat(L"CVXLTrayWnd::WebPageCommand: no address for command %u", static_cast<unsigned>(id));
        return;
    }
    const INT_PTR result = reinterpret_cast<INT_PTR>(OpenUrl(m_hWnd, address));
    if (result <= 32)
        LogWriteFormat(L"CVXLTrayWnd::WebPageCommand: cannot open %s, error %d", address.GetString(),
                       static_cast<int>(result));
}

void CVXLTrayWnd::EmailCommand(WORD) {
    const INT_PTR result = reinterpret_cast<INT_PTR>(OpenSupportMail(m_hWnd));
    if (result <= 32)
        LogWriteFormat(L"CVXLTrayWnd::EmailCommand: cannot open the mail program, error %d", static_cast<int>(result));
}

void CVXLTrayWnd::WelcomeCommand(WORD) {
    if (!StartWelcomeProgram(m_hWnd, false)) LogWrite(L"CVXLTrayWnd::WelcomeCommand: not started");
}

void CVXLTrayWnd::SaveFromClipboardCommand(WORD) {
    StartEditor(true);
}

void CVXLTrayWnd::AutostartCommand(WORD) {
    if (!CAppObjects::SetAutostart(!CAppObjects::IsAutostartSet()))
        LogError(L"CVXLTrayWnd::AutostartCommand: cannot switch the autostart");
}

void CVXLTrayWnd::KeepHistoryCommand(WORD) {
    if (!m_history) {
        LogWrite(L"CVXLTrayWnd::KeepHistoryCommand: no clipboard history in this program");
        return;
    }
    if (m_history->IsInstalled()) {
        if (!m_history->Uninstall()) LogError(L"CVXLTrayWnd::KeepHistoryCommand: the history handler stays");
    } else if (!m_history->Install(m_hWnd, false))
        LogError(L"CVXLTrayWnd::KeepHistoryCommand: the history handler cannot be installed");
    RefreshTrayTip();
    PulseOptionsChanged();
}

void CVXLTrayWnd::ReKeepHistoryCommand(WORD) {
    if (!m_history) {
        LogWrite(L"CVXLTrayWnd::ReKeepHistoryCommand: no clipboard history in this program");
        return;
    }
    // The items stay with the handler object; its window and watcher are made anew.
    m_history->Uninstall();
    if (!m_history->Install(m_hWnd, false))
        LogError(L"CVXLTrayWnd::ReKeepHistoryCommand: the history handler cannot be installed");
    RefreshTrayTip();
}

void CVXLTrayWnd::SaveHistoryOnExitCommand(WORD) {
    CVXLSettings& settings = CVXLSettings::GetInstance();
    SwitchSetting(settings.SaveClipboardHistory, L"SaveClipboardHistory_v198", false);
    if (settings.SaveClipboardHistory && m_history) m_history->SaveNow();
}

void CVXLTrayWnd::ClearHistoryCommand(WORD) {
    if (!m_history || !m_history->ClearHistory()) return;
    ReloadPaneList();
}

LRESULT CVXLTrayWnd::OnHistoryItemCommand(WORD, WORD id, HWND, BOOL&) {
    const int index = static_cast<int>(id - kFirstTrayHistoryCommandId);
    if (!m_history || !m_history->PutBackItem(index))
        LogError(L"CVXLTrayWnd::OnHistoryItemCommand: the history item is not on the clipboard");
    RefreshTrayTip();
    return 0;
}

void CVXLTrayWnd::SoundsCommand(WORD) {
    CVXLSettings& settings = CVXLSettings::GetInstance();
    SwitchSetting(settings.SoundOnEventsV094, L"SoundOnEventsV094", false);
    if (settings.SoundOnEventsV094 && IsSoundMuted()) RIZedarOred_DLL_Support::SU2_SetMute_Current_Process(0);
    MessageBeep(MB_OK);
}

void CVXLTrayWnd::MuteCommand(WORD) {
    const bool unmute = IsSoundMuted();
    RIZedarOred_DLL_Support::SU2_SetMute_Current_Process(unmute ? 0 : 1);
    if (unmute) MessageBeep(static_cast<UINT>(-1));
}

void CVXLTrayWnd::WriteLogCommand(WORD) {
    if (IsLogEnabled())
        LogShutdown();
    else
        LogInit(BuildLogReportPath());
    CVXLSettings& settings = CVXLSettings::GetInstance();
    settings.SetWriteLog(IsLogEnabled());
    if (!CVXLSettings::WriteInt(settings.WriteLog ? 1 : 0, GetWriteLogKeyName()))
        LogError(L"CVXLTrayWnd::WriteLogCommand: cannot write the setting");
}

void CVXLTrayWnd::PaneOnStartCommand(WORD) {
    SwitchSetting(CVXLSettings::GetInstance().ShowHistoryPaneOnStart, L"ShowHistoryPaneOnStart", true);
}

void CVXLTrayWnd::PinnedOnStartCommand(WORD) {
    SwitchSetting(CVXLSettings::GetInstance().Pinned_FloatPane_On_Start, L"Pinned_FloatPane_On_Start", true);
}

void CVXLTrayWnd::SwitchSetting(bool& value, const wchar_t* key, bool pulse) {
    value = !value;
    if (!CVXLSettings::WriteInt(value ? 1 : 0, key))
        LogError(CString(L"CVXLTrayWnd::SwitchSetting: cannot write ") + key);
    if (pulse) PulseOptionsChanged();
}

void CVXLTrayWnd::PulseOptionsChanged() {
    if (m_pulseOptionsChanged && !m_pulseOptionsChanged())
        LogError(L"CVXLTrayWnd::PulseOptionsChanged: the editor cannot be told");
}

void CVXLTrayWnd::RereadPhrasesCommand(WORD) {
    CVXLSettings& settings = CVXLSettings::GetInstance();
    m_phraseTree.Load(settings.GetPhrasesDirectory(), settings.Sorting);
    if (m_trayIcon) m_trayIcon->UpdateTrayIcon(kTrayIconModify);
}

void CVXLTrayWnd::OpenPhrasesFolderCommand(WORD) {
    const CString parameters = L"/select,\"" + CVXLSettings::GetInstance().GetPhrasesDirectoryNoSlash() + L"\"";
    OpenWithShell(L"explorer.exe", parameters);
}

void CVXLTrayWnd::OpenSettingsFileCommand(WORD) {
    OpenWithShell(GetSettingsFilePath(), nullptr);
}

bool CVXLTrayWnd::OpenWithShell(const CString& file, const wchar_t* parameters) {
    const INT_PTR result =
        reinterpret_cast<INT_PTR>(ShellRun(m_hWnd, L"open", file, parameters, nullptr, SW_SHOWNORMAL));
    if (result > 32) return true;
    LogWriteFormat(L"CVXLTrayWnd::OpenWithShell: cannot open %s, error %d", file.GetString(), static_cast<int>(result));
    return false;
}

void CVXLTrayWnd::FloatPaneCommand(WORD) {
    if (m_pane)
        m_pane->Show(0);
    else
        LogWrite(L"CVXLTrayWnd::FloatPaneCommand: no float pane in this program");
}

void CVXLTrayWnd::ShowFloatPaneCommand(WORD) {
    if (m_pane)
        m_pane->Show(2);
    else
        LogWrite(L"CVXLTrayWnd::ShowFloatPaneCommand: no float pane in this program");
}

void CVXLTrayWnd::EnablePhraseMenuCommand(WORD) {
    if (m_hotKeyRegistered) {
        UnregisterPhraseHotKey();
    } else {
        CString error;
        if (!RegisterPhraseHotKey(&error) && !error.IsEmpty()) ShowMessageBox(L"ERROR\n\n" + error, MB_ICONHAND, false);
    }
    if (m_trayIcon) m_trayIcon->UpdateTrayIcon(kTrayIconModify);
}

LRESULT CVXLTrayWnd::OnLanguageCommand(WORD, WORD id, HWND, BOOL&) {
    const size_t index = id - kFirstLanguageCommandId;
    if (index >= m_trayMenuLanguages.size()) {
        LogWriteFormat(L"CVXLTrayWnd::OnLanguageCommand: no language file for command %u", static_cast<unsigned>(id));
        return 0;
    }
    ChooseLanguage(m_trayMenuLanguages[index], true);
    return 0;
}

LRESULT CVXLTrayWnd::OnLanguageChosen(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
    const auto* names = reinterpret_cast<const std::vector<CString>*>(lParam);
    const size_t index = static_cast<size_t>(wParam) - kFirstLanguageCommandId;
    if (!names || wParam < kFirstLanguageCommandId || index >= names->size()) {
        LogWrite(L"CVXLTrayWnd::OnLanguageChosen: no language file for the request");
        return 0;
    }
    ChooseLanguage((*names)[index], false);
    return 1;
}

void CVXLTrayWnd::ChooseLanguage(const CString& file, bool fromTrayMenu) {
    CVXLSettings& settings = CVXLSettings::GetInstance();
    if (!settings.SetLanguage(file)) LogError(L"CVXLTrayWnd::ChooseLanguage: cannot write the language " + file);
    settings.Load();
    ReloadLanguage();
    if (fromTrayMenu && ::GetFocus() == m_hWnd) DisplayTrayMenuWithPoint(m_lastTrayMenuPoint.x, m_lastTrayMenuPoint.y);
}
