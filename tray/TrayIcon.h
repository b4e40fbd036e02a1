// The program's one notification-area icon, owned by the tray window: its picture and
// tip, the balloons, the installer that waits for the shell, the re-add after the shell
// restarted, the blink after the phrases were reloaded and the removal at the end.
//
// The tray window creates the icon object once it has its window handle, forwards the
// messages below to it, and destroys it (which removes the icon) before the window goes.
// At creation it starts StartTrayIconInstaller with WM_VXL_INSTALL_TRAY_ICON and the exit
// event, and calls InstallTrayIcon itself when no thread starts.
//   WM_VXL_INSTALL_TRAY_ICON            -> InstallTrayIcon
//   GetTaskbarCreatedMessage()          -> OnTaskbarCreated
//   WM_TIMER                            -> OnTimer (true when the timer was the icon's)
//   WM_VXL_TRAY_ICON_NOTIFY (callback)  -> GetTrayIconClick (TrayTexts.h)
//   WM_VXL_HIDE_TRAY_BALLOON            -> ShowTrayBalloon(nullptr)
//   WM_DESTROY                          -> RemoveTrayIcon, or the object's end
#pragma once

#include <windows.h>

#include <map>

#include "core/TrayIds.h"
#include "core/base/CString.h"
#include "core/base/Handles.h"
#include "tray/TrayIconAnimation.h"
#include "tray/TrayShell.h"
#include "tray/TrayTexts.h"

const UINT kTrayIconId = 10;
// The timer of the tray window that ends a balloon.
const UINT_PTR kTrayBalloonTimerId = 1245;

// UpdateTrayIcon's modes.
const int kTrayIconAdd = 0;
const int kTrayIconModifyWithBalloon = 1;
const int kTrayIconModify = 2;

// Where the icon's texts come from: the tray window answers with its current state.
class ITrayStatusSource {
public:
    virtual ~ITrayStatusSource() = default;
    virtual CTrayStatusFacts GetTrayStatusFacts() = 0;
};

// How the installer thread tries: the first try at once, then one every intervalMs,
// at most maxTries in all; each send waits at most sendTimeoutMs for the window.
struct CTrayInstallerTiming {
    DWORD intervalMs = 2000;
    int maxTries = 200;
    DWORD sendTimeoutMs = 10000;
};

// Starts the thread that sends `message` to the window until the answer is non-zero,
// waiting on the exit event between tries; it ends early when the event is set, and
// logs when every try failed. False when no thread started: the caller then makes the
// one try itself. `thread`, when given, receives the thread's handle.
bool StartTrayIconInstaller(HWND window, UINT message, HANDLE exitEvent, const CTrayInstallerTiming& timing = {},
                            CHandle* thread = nullptr);

const DWORD kTrayBlinkStepMs = 250;
const int kTrayBlinkCount = 4;

// Starts the blink thread: with sounds on the notification sound, then four times the
// blink picture for one step and the picture again, one step apart. The shell object
// must outlive the thread; the icons stay the caller's and must too. The thread also
// ends, with the picture put back, when stopEvent is set. `thread` receives its handle.
bool StartTrayIconBlink(ITrayShell& shell, HWND window, UINT iconId, HICON picture, HICON blinkPicture, bool soundsOn,
                        HANDLE stopEvent, DWORD stepMs = kTrayBlinkStepMs, CHandle* thread = nullptr);

class CTrayIcon {
public:
    // The pictures are loaded from `resources` (16 pixels); null means the program
    // file. Shell, status source and resources must outlive the object.
    CTrayIcon(HWND window, ITrayStatusSource& status, ITrayShell& shell = GetSystemTrayShell(),
              HINSTANCE resources = nullptr, UINT callbackMessage = WM_VXL_TRAY_ICON_NOTIFY);
    // Removes the icon when it is on the tray, ends the balloon timer and the blink,
    // stops the pulse and destroys every icon it loaded.
    ~CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // Mode 0 adds the icon (and asks for the version 3 behaviour), 1 modifies it with a
    // balloon (NIIF_WARNING with `warning`, else NIIF_USER), 2 modifies picture and tip
    // only. Modes 0 and 1 carry the status text in the balloon and the tip's first line
    // with the balloon text as its title. Other modes do nothing. The shell's result.
    BOOL UpdateTrayIcon(int mode, const wchar_t* balloonText = nullptr, bool warning = false);
    // With a text: shows it in a balloon and sets the tray window's timer to remove it
    // after timeoutMs. Without one: removes the balloon and puts the last tip back.
    BOOL ShowTrayBalloon(const wchar_t* text, UINT timeoutMs = 0);
    // The balloon timer's expiry removes the balloon. True when the id was the icon's.
    bool OnTimer(UINT_PTR timerId);

    // The installer's step: adds the icon unless it is already on the tray; an add the
    // shell refuses because the icon is there already counts as done. On a new add
    // plays the start sound; on failure logs. Non-zero when the icon is on the tray.
    BOOL InstallTrayIcon();
    // The shell restarted and lost its icons: the icon is added again by a new
    // installer thread (at once when none can start). True when the thread started.
    bool OnTaskbarCreated(HANDLE exitEvent, const CTrayInstallerTiming& timing = {});
    // Takes the icon off the tray (NIM_DELETE). False when it was not there.
    BOOL RemoveTrayIcon();
    bool IsOnTray() const { return m_onTray; }

    // Blinks the current picture with the blink picture on its own thread. False while
    // a blink still runs or when no thread starts.
    bool BlinkTrayIcon(DWORD stepMs = kTrayBlinkStepMs);

    // The pulse while an update check runs; its frames are made from the program icon.
    bool StartPulse(DWORD intervalMs = kTrayPulseIntervalMs);
    void StopPulse() { m_animation.Stop(); }
    CTrayIconAnimation& GetAnimation() { return m_animation; }

    // The tip last given to the shell, as it sits in the record.
    const CString& GetTip() const { return m_tip; }
    // The picture of an icon resource at 16 pixels, loaded once; null when missing.
    HICON GetPicture(UINT resourceId);
    HICON GetCurrentPicture();

    // "TaskbarCreated", registered once.
    static UINT GetTaskbarCreatedMessage();

private:
    NOTIFYICONDATAW MakeRecord(UINT flags) const;
    void EndBlink();

    HWND m_window;
    ITrayStatusSource& m_status;
    ITrayShell& m_shell;
    HINSTANCE m_resources;
    UINT m_callbackMessage;
    bool m_onTray = false;
    CString m_tip;
    std::map<UINT, CIconHandle> m_pictures;
    CTrayIconAnimation m_animation;
    CHandle m_blinkStop;
    CHandle m_blinkThread;
};
