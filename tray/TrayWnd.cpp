#include "tray/TrayWnd.h"

#include "core/AppSlots.h"
#include "core/AppTexts.h"
#include "core/Instance.h"
#include "core/Settings.h"
#include "core/SettingsArea.h"
#include "core/ShellHelpers.h"
#include "core/SoundPlayer.h"
#include "core/base/LogPath.h"
#include "core/base/Logger.h"
#include "core/base/NamedObjects.h"
#include "core/base/ProcessInfo.h"
#include "core/base/WorkerThread.h"

namespace {

// Timer that starts the watchers which may wait until the desktop has settled.
const UINT_PTR kTimerStartLateWatchers = 1;

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
    if (m_noInstall)
        AddCollectedError(L"No install on launch. Flag specifided");
    else
        StartServices();
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
    if (id != kTimerStartLateWatchers) {
        handled = FALSE;
        return 0;
    }
    KillTimer(m_hWnd, kTimerStartLateWatchers);
    StartLateWatchers();
    return 0;
}

LRESULT CVXLTrayWnd::OnDestroy(UINT, WPARAM, LPARAM, BOOL&) {
    // Every watcher and worker thread waits on the exit event beside its own work.
    SetEvent(m_exitEvent);
    StopServices();
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
        PlaySoundAlreadyWork();
        return 0;
    }
    LogWrite(L"CVXLTrayWnd::OnInstanceRequest: exit requested");
    Sleep(500);
    PostMessage(WM_COMMAND, ID_APP_EXIT, lParam);
    return 0;
}

LRESULT CVXLTrayWnd::OnShowTrayMenu(UINT, WPARAM, LPARAM, BOOL&) {
    LogWrite(L"CVXLTrayWnd::OnShowTrayMenu: show the tray menu requested");
    return 0;
}

LRESULT CVXLTrayWnd::OnLanguageChanged(UINT, WPARAM, LPARAM, BOOL&) {
    LogWrite(L"CVXLTrayWnd::OnLanguageChanged: the UI language was changed");
    return 0;
}

LRESULT CVXLTrayWnd::OnFloatPaneBlink(UINT, WPARAM, LPARAM, BOOL&) {
    LogWrite(L"CVXLTrayWnd::OnFloatPaneBlink: blink requested");
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
    // The log follows the setting: a settings reload may have switched it.
    LogShutdown();
    if (settings.WriteLog) LogInit(BuildLogReportPath());
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
