// The pulse of the tray icon while an update check runs: the program icon fades to grey
// in three steps and comes back, on the tray and on the tray window's own icons, until
// the check ends.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "core/base/Handles.h"
#include "tray/TrayShell.h"

// One 32-bit pixel (alpha in the high byte) moved halfway to its grey; alpha kept.
DWORD MakeGreyerPixel(DWORD pixel);
// A copy of the icon with every pixel MakeGreyerPixel'd; empty on failure.
CIconHandle CreateGreyerIcon(HICON icon);
// The frame after `current` of `count` frames, from the last back to the first.
int NextTrayFrame(int current, int count);

const DWORD kTrayPulseIntervalMs = 250;
const int kTrayPulseFrames = 4;

class CTrayIconAnimation {
public:
    explicit CTrayIconAnimation(ITrayShell& shell = GetSystemTrayShell());
    ~CTrayIconAnimation();
    CTrayIconAnimation(const CTrayIconAnimation&) = delete;
    CTrayIconAnimation& operator=(const CTrayIconAnimation&) = delete;

    // Makes the frames from the icon (16 pixels: three successively greyer copies, then
    // the icon itself) and starts the thread that shows them in turn on the tray icon
    // (window, iconId) and as the big and small icons of ownerWindow. The icon stays the
    // caller's and must live until Stop. False while running, or when the frames or the
    // thread cannot be made.
    bool Start(HWND window, UINT iconId, DWORD intervalMs, HICON icon, HWND ownerWindow);
    // Ends the thread, gives ownerWindow its own icons back, shows the program icon on
    // the tray again and destroys the frames. Call it on the owner window's thread:
    // it answers the thread's sent messages while it waits for it.
    void Stop();
    bool IsRunning() const { return m_imageList != nullptr; }

private:
    struct Context;
    static DWORD Run(Context& context);
    void ShowFrames();
    void DestroyFrames();

    ITrayShell& m_shell;
    HIMAGELIST m_imageList = nullptr;
    std::vector<CIconHandle> m_frames;
    int m_frame = 0;
    DWORD m_intervalMs = kTrayPulseIntervalMs;
    HWND m_window = nullptr;
    UINT m_iconId = 0;
    HWND m_ownerWindow = nullptr;
    HICON m_icon = nullptr;
    HICON m_savedBigIcon = nullptr;
    HICON m_savedSmallIcon = nullptr;
    CHandle m_stop;
    CHandle m_thread;
};
