#include "tray/TrayIcon.h"

#include <memory>

#include "core/IconIds.h"
#include "core/Settings.h"
#include "core/SoundPlayer.h"
#include "core/base/Logger.h"
#include "core/base/WorkerThread.h"

namespace {

// True when the stop event was set (or cannot be waited on) within the time.
bool WaitForStop(HANDLE stop, DWORD ms) {
    if (!stop) {
        Sleep(ms);
        return false;
    }
    return WaitForSingleObject(stop, ms) != WAIT_TIMEOUT;
}

struct CInstallerContext {
    HWND window;
    UINT message;
    CHandle exitEvent;
    CTrayInstallerTiming timing;
};

DWORD RunInstaller(CInstallerContext& context) {
    for (int attempt = 1; attempt <= context.timing.maxTries; ++attempt) {
        if (context.exitEvent && WaitForSingleObject(context.exitEvent.get(), 0) != WAIT_TIMEOUT) return 0;
        DWORD_PTR answer = 0;
        // With a time limit: a window that hangs costs one try, not the thread.
        if (SendMessageTimeoutW(context.window, context.message, 0, 0, SMTO_NORMAL, context.timing.sendTimeoutMs,
                                &answer) &&
            answer) {
            LogWriteFormat(L"StartTrayIconInstaller: the tray icon is installed, try#%d", attempt);
            return 0;
        }
        if (attempt < context.timing.maxTries && WaitForStop(context.exitEvent.get(), context.timing.intervalMs))
            return 0;
    }
    CString line;
    line.Format(L"StartTrayIconInstaller: cannot install the tray icon after %d tries", context.timing.maxTries);
    LogError(line);
    return 1;
}

struct CBlinkContext {
    ITrayShell* shell;
    HWND window;
    UINT iconId;
    HICON picture;
    HICON blinkPicture;
    bool soundsOn;
    CHandle stop;
    DWORD stepMs;
};

void ShowPicture(const CBlinkContext& context, HICON picture) {
    NOTIFYICONDATAW record = {};
    record.hWnd = context.window;
    record.uID = context.iconId;
    record.uFlags = NIF_ICON;
    record.hIcon = picture;
    Shell_Notify(*context.shell, NIM_MODIFY, record);
}

DWORD RunBlink(CBlinkContext& context) {
    if (context.soundsOn) PlaySystemNotificationSound();
    for (int round = 0; round < kTrayBlinkCount; ++round) {
        if (round > 0 && WaitForStop(context.stop.get(), context.stepMs)) break;
        ShowPicture(context, context.blinkPicture);
        const bool stopped = WaitForStop(context.stop.get(), context.stepMs);
        ShowPicture(context, context.picture);
        if (stopped) break;
    }
    return 0;
}

}  // namespace

bool StartTrayIconInstaller(HWND window, UINT message, HANDLE exitEvent, const CTrayInstallerTiming& timing,
                            CHandle* thread) {
    auto context =
        std::make_unique<CInstallerContext>(CInstallerContext{window, message, DuplicateForWorker(exitEvent), timing});
    if (exitEvent && !context->exitEvent) return false;
    WorkerOptions options;
    options.stack = kWaitingThreadStack;
    return StartWorker(std::move(context), &RunInstaller, options, thread);
}

bool StartTrayIconBlink(ITrayShell& shell, HWND window, UINT iconId, HICON picture, HICON blinkPicture, bool soundsOn,
                        HANDLE stopEvent, DWORD stepMs, CHandle* thread) {
    auto context = std::make_unique<CBlinkContext>(
        CBlinkContext{&shell, window, iconId, picture, blinkPicture, soundsOn, DuplicateForWorker(stopEvent), stepMs});
    if (stopEvent && !context->stop) return false;
    WorkerOptions options;
    options.stack = kWaitingThreadStack;
    return StartWorker(std::move(context), &RunBlink, options, thread);
}

CTrayIcon::CTrayIcon(HWND window, ITrayStatusSource& status, ITrayShell& shell, HINSTANCE resources,
                     UINT callbackMessage)
    : m_window(window),
      m_status(status),
      m_shell(shell),
      m_resources(resources ? resources : GetModuleHandleW(nullptr)),
      m_callbackMessage(callbackMessage),
      m_animation(shell) {}

CTrayIcon::~CTrayIcon() {
    m_animation.Stop();
    EndBlink();
    if (IsWindow(m_window)) KillTimer(m_window, kTrayBalloonTimerId);
    if (m_onTray) RemoveTrayIcon();
}

UINT CTrayIcon::GetTaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

NOTIFYICONDATAW CTrayIcon::MakeRecord(UINT flags) const {
    NOTIFYICONDATAW record = {};
    record.hWnd = m_window;
    record.uID = kTrayIconId;
    record.uFlags = flags;
    return record;
}

HICON CTrayIcon::GetPicture(UINT resourceId) {
    auto found = m_pictures.find(resourceId);
    if (found != m_pictures.end()) return found->second.get();
    // Not shared: the object destroys what it loaded, and the resources may be a
    // library that is freed after it.
    CIconHandle picture(
        static_cast<HICON>(LoadImageW(m_resources, MAKEINTRESOURCEW(resourceId), IMAGE_ICON, 16, 16, 0)));
    if (!picture) return nullptr;
    HICON handle = picture.get();
    m_pictures.emplace(resourceId, std::move(picture));
    return handle;
}

HICON CTrayIcon::GetCurrentPicture() {
    const CTrayStatusFacts facts = m_status.GetTrayStatusFacts();
    return GetPicture(GetTrayPictureId(facts.hookInstalled, facts.isAdmin));
}

BOOL CTrayIcon::UpdateTrayIcon(int mode, const wchar_t* balloonText, bool warning) {
    if (mode != kTrayIconAdd && mode != kTrayIconModifyWithBalloon && mode != kTrayIconModify) return FALSE;
    const CTrayStatusFacts facts = m_status.GetTrayStatusFacts();
    const CString status = BuildTrayStatusText(facts);
    const CString tip = BuildTrayTip(facts, status);
    m_tip = FitTrayTip(tip);

    NOTIFYICONDATAW record = MakeRecord(NIF_MESSAGE | NIF_ICON | NIF_TIP);
    record.uCallbackMessage = m_callbackMessage;
    record.hIcon = GetPicture(GetTrayPictureId(facts.hookInstalled, facts.isAdmin));
    CopyToField(record.szTip, m_tip);
    if (mode != kTrayIconModify) {
        record.uFlags |= NIF_INFO;
        CopyToField(record.szInfo, status);
        CopyToField(record.szInfoTitle, BuildTrayInfoTitle(tip, balloonText));
        record.dwInfoFlags = warning ? NIIF_WARNING : NIIF_USER;
    }

    BOOL result = FALSE;
    if (mode == kTrayIconAdd) {
        result = Shell_Notify(m_shell, NIM_ADD, record);
        if (result) {
            m_onTray = true;
            record.uVersion = NOTIFYICON_VERSION;
            Shell_Notify(m_shell, NIM_SETVERSION, record);
        }
    } else {
        result = Shell_Notify(m_shell, NIM_MODIFY, record);
    }
    if (!result) {
        CString line;
        line.Format(L"CTrayIcon::UpdateTrayIcon: the shell refused mode %d, error %u", mode,
                    static_cast<unsigned>(GetLastError()));
        LogError(line);
    }
    return result;
}

BOOL CTrayIcon::ShowTrayBalloon(const wchar_t* text, UINT timeoutMs) {
    // Whichever way the balloon goes, its timer has nothing left to do.
    KillTimer(m_window, kTrayBalloonTimerId);
    // An empty info text with NIF_INFO is what takes a balloon away; NIF_TIP alone
    // leaves it standing.
    NOTIFYICONDATAW record = MakeRecord(NIF_INFO | NIF_TIP);
    CopyToField(record.szTip, m_tip);
    if (!text || !*text) {
        LogWrite(L"CTrayIcon::ShowTrayBalloon [2]: hide");
        return Shell_Notify(m_shell, NIM_MODIFY, record);
    }
    CopyToField(record.szInfo, CString(text));
    record.dwInfoFlags = NIIF_INFO;
    record.uTimeout = timeoutMs;
    LogWriteWithPrefix(text, L"CTrayIcon::ShowTrayBalloon [1]");
    const BOOL result = Shell_Notify(m_shell, NIM_MODIFY, record);
    // Without a time-out the shell's own default ends the balloon.
    if (result && timeoutMs) SetTimer(m_window, kTrayBalloonTimerId, timeoutMs, nullptr);
    return result;
}

bool CTrayIcon::OnTimer(UINT_PTR timerId) {
    if (timerId != kTrayBalloonTimerId) return false;
    KillTimer(m_window, kTrayBalloonTimerId);
    ShowTrayBalloon(nullptr);
    return true;
}

BOOL CTrayIcon::InstallTrayIcon() {
    if (m_onTray) return TRUE;
    if (UpdateTrayIcon(kTrayIconAdd)) {
        PlaySoundStart();
        return TRUE;
    }
    // A busy shell may report an add as failed after it has made it, and it refuses
    // to add the same icon twice: when a modify succeeds, the icon is there.
    if (UpdateTrayIcon(kTrayIconModify)) {
        m_onTray = true;
        LogWrite(L"CTrayIcon::InstallTrayIcon: the icon was on the tray already");
        return TRUE;
    }
    LogError(L"CTrayIcon::InstallTrayIcon: cannot install tray icon");
    return FALSE;
}

bool CTrayIcon::OnTaskbarCreated(HANDLE exitEvent, const CTrayInstallerTiming& timing) {
    LogWrite(L"CTrayIcon::OnTaskbarCreated: the shell restarted, the icon is added again");
    m_onTray = false;
    if (StartTrayIconInstaller(m_window, WM_VXL_INSTALL_TRAY_ICON, exitEvent, timing)) return true;
    InstallTrayIcon();
    return false;
}

BOOL CTrayIcon::RemoveTrayIcon() {
    NOTIFYICONDATAW record = MakeRecord(0);
    const BOOL result = Shell_Notify(m_shell, NIM_DELETE, record);
    m_onTray = false;
    return result;
}

bool CTrayIcon::BlinkTrayIcon(DWORD stepMs) {
    if (m_blinkThread && WaitForSingleObject(m_blinkThread.get(), 0) == WAIT_TIMEOUT) return false;
    m_blinkThread.reset();
    m_blinkStop.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_blinkStop) return false;
    return StartTrayIconBlink(m_shell, m_window, kTrayIconId, GetCurrentPicture(), GetPicture(IDI_BLINK),
                              CVXLSettings::GetInstance().SoundOnEventsV094, m_blinkStop.get(), stepMs, &m_blinkThread);
}

void CTrayIcon::EndBlink() {
    if (!m_blinkThread) return;
    SetEvent(m_blinkStop.get());
    // The blink thread only talks to the shell, never to this thread's windows.
    WaitForSingleObject(m_blinkThread.get(), INFINITE);
    m_blinkThread.reset();
    m_blinkStop.reset();
}

bool CTrayIcon::StartPulse(DWORD intervalMs) {
    return m_animation.Start(m_window, kTrayIconId, intervalMs, GetCurrentPicture(), m_window);
}
