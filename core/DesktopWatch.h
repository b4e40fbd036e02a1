// Where the user's input goes, and the session changes the tray window wants to hear of.
// The hot key must do nothing while input goes to another desktop (a lock screen, an
// elevation prompt, another user's session on the console); the tray window registers
// for terminal-services session notifications (WM_WTSSESSION_CHANGE). "Wtsapi32.dll" is
// bound at run time, so that the program also starts where it is missing.
#pragma once

#include <windows.h>

#include <set>

#include "core/base/CString.h"
#include "core/base/PlatformBinding.h"

// True when the calling thread's desktop is the desktop that receives user input. False
// whenever that cannot be decided: the hot key is then ignored.
bool IsInputDesktopActive();

// Registers windows for session notifications. Owned by the tray window; UI thread only.
class CWTSNotify {
public:
    CWTSNotify() = default;
    // Unregisters every window still registered and frees the library.
    ~CWTSNotify();
    CWTSNotify(const CWTSNotify&) = delete;
    CWTSNotify& operator=(const CWTSNotify&) = delete;

    // NOTIFY_FOR_THIS_SESSION when thisSession, else NOTIFY_FOR_ALL_SESSIONS. False when
    // the window is not a window or is registered already, or the library or its
    // function is missing, or the system refused.
    bool Register(HWND window, bool thisSession);
    // True when the system unregistered the window; it then leaves the set.
    bool Unregister(HWND window);

private:
    bool LoadLibraryOnce();

    CBoundModule m_library;
    std::set<HWND> m_windows;
};

// The name of a WM_WTSSESSION_CHANGE reason (wParam): "WTS_SESSION_LOCK" for 7 and so
// on; a text with the value for any other.
CString WTSSessionChangeReason_2_Str(WPARAM reason);

// ---------------------------------------------------------------------------------------
// Test seam

// The desktop functions the input-desktop test calls. Wine never shows a secure desktop
// and always counts the input desktop as active, so tests put other answers in place.
class IDesktopApi {
public:
    virtual ~IDesktopApi() = default;
    virtual HDESK GetThreadDesktop(DWORD threadId) = 0;
    virtual HDESK OpenInputDesktop(DWORD flags, BOOL inherit, ACCESS_MASK access) = 0;
    // GetUserObjectInformationW.
    virtual BOOL GetObjectInformation(HANDLE object, int index, void* info, DWORD length, DWORD* needed) = 0;
    virtual BOOL CloseDesktop(HDESK desktop) = 0;
};

// Puts another desktop API in place (null: the system's again) and returns the previous one.
IDesktopApi* SetDesktopApiForTest(IDesktopApi* api);
