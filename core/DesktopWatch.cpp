#include "core/DesktopWatch.h"

#include <atomic>
#include <cwchar>

#include "core/base/Logger.h"
#include "core/base/Security.h"

namespace {

// Values of wtsapi32.h, written out so that nothing here depends on that header.
const DWORD kNotifyForThisSession = 0;  // NOTIFY_FOR_THIS_SESSION
const DWORD kNotifyForAllSessions = 1;  // NOTIFY_FOR_ALL_SESSIONS

using WTSRegisterSessionNotificationProc = BOOL(WINAPI*)(HWND, DWORD);
using WTSUnRegisterSessionNotificationProc = BOOL(WINAPI*)(HWND);

class CSystemDesktopApi final : public IDesktopApi {
public:
    HDESK GetThreadDesktop(DWORD threadId) override { return ::GetThreadDesktop(threadId); }
    HDESK OpenInputDesktop(DWORD flags, BOOL inherit, ACCESS_MASK access) override {
        return ::OpenInputDesktop(flags, inherit, access);
    }
    BOOL GetObjectInformation(HANDLE object, int index, void* info, DWORD length, DWORD* needed) override {
        return GetUserObjectInformationW(object, index, info, length, needed);
    }
    BOOL CloseDesktop(HDESK desktop) override { return ::CloseDesktop(desktop); }
};

CSystemDesktopApi g_systemDesktopApi;
std::atomic<IDesktopApi*> g_desktopApi{&g_systemDesktopApi};

const int kDesktopNameChars = 1023;

// Reads the desktop's name into `name` (kDesktopNameChars + 1 characters, zeroed);
// a failed read is logged with what was read so far.
BOOL ReadDesktopName(IDesktopApi& api, HDESK desktop, wchar_t* name, const wchar_t* label) {
    DWORD needed = 0;
    BOOL read = api.GetObjectInformation(desktop, UOI_NAME, name, kDesktopNameChars * sizeof(wchar_t), &needed);
    if (!read) {
        const DWORD error = GetLastError();
        LogWriteFormat(L"b1=%d, %s=%s, dwLenNeed=%d, LastError= %d, %s", read, label, name, static_cast<int>(needed),
                       static_cast<int>(error), GetErrorMessageText(error).GetString());
    }
    return read;
}

}  // namespace

bool IsInputDesktopActive() {
    IDesktopApi& api = *g_desktopApi;
    HDESK current = api.GetThreadDesktop(GetCurrentThreadId());
    if (!current) {
        LogWrite(L"Current Desktop is NULL");
        return false;
    }
    // Fails while a secure desktop (lock screen, elevation prompt) takes the input.
    HDESK input = api.OpenInputDesktop(0, FALSE, MAXIMUM_ALLOWED);
    if (!input) {
        LogWrite(L"Input Desktop is NULL");
        return false;
    }
    bool active = current == input;
    if (!active) {
        // Two handles to one desktop differ: only the names tell.
        wchar_t currentName[kDesktopNameChars + 1] = {};
        wchar_t inputName[kDesktopNameChars + 1] = {};
        BOOL currentRead = ReadDesktopName(api, current, currentName, L"szName1");
        BOOL inputRead = ReadDesktopName(api, input, inputName, L"szName2");
        LogWriteFormat(L"hDesk1=[%s,%d] hDesk2=[%s,%d]", currentName, currentRead, inputName, inputRead);
        active = currentRead && inputRead && wcscmp(currentName, inputName) == 0;
    }
    LogWrite(active ? L"Current Desktop is active" : L"Current Desktop is IS NOT active");
    api.CloseDesktop(input);
    return active;
}

// ---------------------------------------------------------------------------------------
// CWTSNotify

CWTSNotify::~CWTSNotify() {
    auto unregister =
        BindProc<WTSUnRegisterSessionNotificationProc>(m_library.get(), "WTSUnRegisterSessionNotification");
    if (unregister)
        for (HWND window : m_windows) unregister(window);
    m_windows.clear();
}

bool CWTSNotify::LoadLibraryOnce() {
    if (!m_library) m_library = CBoundModule(L"Wtsapi32.dll");
    return static_cast<bool>(m_library);
}

bool CWTSNotify::Register(HWND window, bool thisSession) {
    LoadLibraryOnce();
    if (!IsWindow(window) || !m_library || m_windows.count(window)) return false;
    auto registerWindow =
        BindProc<WTSRegisterSessionNotificationProc>(m_library.get(), "WTSRegisterSessionNotification");
    if (!registerWindow || !registerWindow(window, thisSession ? kNotifyForThisSession : kNotifyForAllSessions))
        return false;
    m_windows.insert(window);
    return true;
}

bool CWTSNotify::Unregister(HWND window) {
    if (!LoadLibraryOnce()) return false;
    auto unregister =
        BindProc<WTSUnRegisterSessionNotificationProc>(m_library.get(), "WTSUnRegisterSessionNotification");
    if (!unregister || !unregister(window)) return false;
    m_windows.erase(window);
    return true;
}

CString WTSSessionChangeReason_2_Str(WPARAM reason) {
    static const wchar_t* const kNames[] = {
        L"WTS_CONSOLE_CONNECT",   L"WTS_CONSOLE_DISCONNECT", L"WTS_REMOTE_CONNECT",
        L"WTS_REMOTE_DISCONNECT", L"WTS_SESSION_LOGON",      L"WTS_SESSION_LOGOFF",
        L"WTS_SESSION_LOCK",      L"WTS_SESSION_UNLOCK",     L"WTS_SESSION_REMOTE_CONTROL",
    };
    if (reason >= 1 && reason <= sizeof kNames / sizeof kNames[0]) return kNames[reason - 1];
    CString text;
    // An unknown reason: "Оппа-ньки! Что за нафиг" ("Whoa! What on earth?") and the value.
    text.Format(
        L"\x041E\x043F\x043F\x0430-\x043D\x044C\x043A\x0438! \x0427\x0442\x043E \x0437\x0430 "
        L"\x043D\x0430\x0444\x0438\x0433 WTSSessionChangeReason_2_Str: wReason=%d",
        static_cast<int>(reason));
    return text;
}

// ---------------------------------------------------------------------------------------
// Test seam

IDesktopApi* SetDesktopApiForTest(IDesktopApi* api) {
    return g_desktopApi.exchange(api ? api : &g_systemDesktopApi);
}
