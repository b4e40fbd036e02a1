#include "tray/TrayWnd.h"

#include "core/AppSlots.h"
#include "core/Instance.h"
#include "core/SoundPlayer.h"
#include "core/base/Logger.h"
#include "core/base/NamedObjects.h"

namespace {

// Timer that starts the watchers which may wait until the desktop has settled.
const UINT_PTR kTimerStartLateWatchers = 1;

}  // namespace

CVXLTrayWnd::CVXLTrayWnd(HANDLE exitEvent, bool noInstall, const CVXLCommandLine* commandLine)
    : m_exitEvent(exitEvent), m_noInstall(noInstall), m_commandLine(commandLine) {
    SetStopSoundBeforePlay(true);
}

UINT CVXLTrayWnd::GetInstanceWatcherMessageId() {
    return GetInstanceWatcherMessage();
}

bool CVXLTrayWnd::Create(HINSTANCE) {
    RECT rect = {-100, -100, -5, -5};
    return wtl::CWindowImplBase::Create(nullptr, rect, L"Vexlora", 0x008D0000) != nullptr;
}

LRESULT CVXLTrayWnd::OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
    CAppObjects::SetMainWnd(m_hWnd);
    if (wtl::CMessageLoop* loop = wtl::Module().GetMessageLoop()) {
        loop->AddMessageFilter(this);
        loop->AddIdleHandler(this);
    }
    // Ends with the window: its stop event is the exit event that WM_DESTROY sets.
    if (!StartSoundThread(m_exitEvent)) LogError(L"CVXLTrayWnd::OnCreate: cannot start the sound thread");
    CreateEditRequestWatcher(m_exitEvent, m_hWnd, ID_OPEN_EDITOR);
    StartShowInstanceWatcher(m_exitEvent, m_hWnd, WM_VXL_SHOW_TRAY_MENU);
    StartCommandCheckForUpdatesWatcher(m_exitEvent, m_hWnd, ID_CHECK_FOR_UPDATES);
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
    if (wtl::CMessageLoop* loop = wtl::Module().GetMessageLoop()) {
        loop->RemoveMessageFilter(this);
        loop->RemoveIdleHandler(this);
    }
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
