// The input-desktop test and the session-notification registrar. Wine never shows a
// secure desktop, always counts the input desktop as active and delivers no session
// notifications, so the locked and refused roads go through the desktop seam and a
// binder that stands in for "Wtsapi32.dll".
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "core/DesktopWatch.h"
#include "core/base/PlatformBinding.h"
#include "core/base/Security.h"
#include "core/base/TextConversions.h"
#include "core/base/TextHelpers.h"
#include "testkit/CaseLog.h"
#include "testkit/MessageWindow.h"

namespace {

HDESK FakeDesktop(ULONG_PTR value) {
    return reinterpret_cast<HDESK>(value);
}
const HDESK kDefault = FakeDesktop(0x40);
const HDESK kInput = FakeDesktop(0x44);

struct DesktopName {
    BOOL read;
    const wchar_t* name;
    DWORD error;
};

class CFakeDesktopApi final : public IDesktopApi {
public:
    CFakeDesktopApi() : m_previous(SetDesktopApiForTest(this)) {}
    ~CFakeDesktopApi() override { SetDesktopApiForTest(m_previous); }
    CFakeDesktopApi(const CFakeDesktopApi&) = delete;
    CFakeDesktopApi& operator=(const CFakeDesktopApi&) = delete;

    HDESK GetThreadDesktop(DWORD threadId) override {
        EXPECT_EQ(GetCurrentThreadId(), threadId);
        return threadDesktop;
    }
    HDESK OpenInputDesktop(DWORD flags, BOOL inherit, ACCESS_MASK access) override {
        EXPECT_EQ(0u, flags);
        EXPECT_FALSE(inherit);
        EXPECT_EQ(static_cast<ACCESS_MASK>(MAXIMUM_ALLOWED), access);
        return inputDesktop;
    }
    BOOL GetObjectInformation(HANDLE object, int index, void* info, DWORD length, DWORD* needed) override {
        EXPECT_EQ(UOI_NAME, index);
        EXPECT_EQ(1023u * sizeof(wchar_t), length);
        const DesktopName& answer = names[static_cast<HDESK>(object)];
        if (!answer.read) {
            *needed = 0;
            SetLastError(answer.error);
            return FALSE;
        }
        wcscpy(static_cast<wchar_t*>(info), answer.name);
        *needed = static_cast<DWORD>((wcslen(answer.name) + 1) * sizeof(wchar_t));
        return TRUE;
    }
    BOOL CloseDesktop(HDESK desktop) override {
        closed.push_back(desktop);
        return TRUE;
    }

    HDESK threadDesktop = nullptr;
    HDESK inputDesktop = nullptr;
    std::map<HDESK, DesktopName> names;
    std::vector<HDESK> closed;

private:
    IDesktopApi* m_previous;
};

}  // namespace

TEST(InputDesktop, ActiveOnlyWhenTheThreadsDesktopTakesTheInput) {
    const DesktopName kNamedDefault = {TRUE, L"Default", 0};
    const std::wstring unreadable = std::wstring(L"b1=0, szName2=, dwLenNeed=0, LastError= 5, ") +
                                    GetErrorMessageText(ERROR_ACCESS_DENIED).GetString();
    struct Case {
        const char* name;
        HDESK thread, input;
        DesktopName threadName, inputName;
        bool active;
        std::vector<std::wstring> lines;
    } cases[] = {
        {"no desktop for the thread",
         nullptr,
         kInput,
         kNamedDefault,
         kNamedDefault,
         false,
         {L"Current Desktop is NULL"}},
        {"secure desktop shown: the input desktop cannot be opened",
         kDefault,
         nullptr,
         kNamedDefault,
         kNamedDefault,
         false,
         {L"Input Desktop is NULL"}},
        {"the same handle", kDefault, kDefault, kNamedDefault, kNamedDefault, true, {L"Current Desktop is active"}},
        {"two handles to one desktop",
         kDefault,
         kInput,
         kNamedDefault,
         kNamedDefault,
         true,
         {L"hDesk1=[Default,1] hDesk2=[Default,1]", L"Current Desktop is active"}},
        {"workstation locked",
         kDefault,
         kInput,
         kNamedDefault,
         {TRUE, L"Winlogon", 0},
         false,
         {L"hDesk1=[Default,1] hDesk2=[Winlogon,1]", L"Current Desktop is IS NOT active"}},
        {"input desktop's name unreadable",
         kDefault,
         kInput,
         kNamedDefault,
         {FALSE, nullptr, ERROR_ACCESS_DENIED},
         false,
         {unreadable, L"hDesk1=[Default,1] hDesk2=[,0]", L"Current Desktop is IS NOT active"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeDesktopApi api;
        api.threadDesktop = c.thread;
        api.inputDesktop = c.input;
        api.names[kDefault] = c.threadName;
        api.names[kInput] = c.inputName;
        CCaseLog log;
        EXPECT_EQ(c.active, IsInputDesktopActive());
        const CString text = log.Text();
        for (const std::wstring& line : c.lines) EXPECT_GE(text.Find(line.c_str()), 0) << WideToUtf8(line.c_str());
        // Only the input desktop was opened here; the thread's desktop is not ours to close.
        std::vector<HDESK> expectedClosed;
        if (c.thread && c.input) expectedClosed.push_back(c.input);
        EXPECT_EQ(expectedClosed, api.closed);
    }
}

TEST(InputDesktop, TheSystemsAnswerForThisSession) {
    // Wine, like an unlocked Windows session, gives input to the thread's own desktop.
    EXPECT_TRUE(IsInputDesktopActive());
}

// ---------------------------------------------------------------------------------------
// Session notifications

namespace {

struct NotifyCalls {
    std::vector<std::pair<HWND, DWORD>> registered;
    std::vector<HWND> unregistered;
    BOOL answer = TRUE;
} g_notify;

BOOL WINAPI FakeRegister(HWND window, DWORD flags) {
    g_notify.registered.push_back({window, flags});
    return g_notify.answer;
}

BOOL WINAPI FakeUnregister(HWND window) {
    g_notify.unregistered.push_back(window);
    return g_notify.answer;
}

// "Wtsapi32.dll" as the binder shows it: loadable or not, with the functions exported.
class CFakeWtsBinder final : public IPlatformBinder {
public:
    explicit CFakeWtsBinder(bool loadable, bool exports = true)
        : m_loadable(loadable), m_exports(exports), m_previous(SetPlatformBinderForTest(this)) {
        g_notify = NotifyCalls();
    }
    ~CFakeWtsBinder() override { SetPlatformBinderForTest(m_previous); }
    CFakeWtsBinder(const CFakeWtsBinder&) = delete;
    CFakeWtsBinder& operator=(const CFakeWtsBinder&) = delete;

    HMODULE FindLoaded(const wchar_t*) override { return nullptr; }
    HMODULE Load(const wchar_t* name) override {
        EXPECT_STREQ(L"Wtsapi32.dll", name);
        if (!m_loadable) return nullptr;
        ++loads;
        // Any real module will do: nothing is called through it.
        return GetModuleHandleW(nullptr);
    }
    void Release(HMODULE) override { ++frees; }
    FARPROC FindProc(HMODULE, const char* name) override {
        if (!m_exports) return nullptr;
        if (strcmp(name, "WTSRegisterSessionNotification") == 0)
            return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&FakeRegister));
        if (strcmp(name, "WTSUnRegisterSessionNotification") == 0)
            return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&FakeUnregister));
        return nullptr;
    }

    int loads = 0, frees = 0;

private:
    bool m_loadable, m_exports;
    IPlatformBinder* m_previous;
};

using testkit::CMessageWindow;

const DWORD kThisSession = 0, kAllSessions = 1;

}  // namespace

TEST(SessionNotify, EachWindowIsRegisteredOnceAndUnregisteredAtTheEnd) {
    CMessageWindow first, second, third;
    ASSERT_TRUE(first.get() && second.get() && third.get());
    CFakeWtsBinder binder(true);
    {
        CWTSNotify notify;
        EXPECT_TRUE(notify.Register(first.get(), true));
        EXPECT_TRUE(notify.Register(second.get(), false));
        EXPECT_FALSE(notify.Register(first.get(), true)) << "already registered";
        HWND gone = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, nullptr, nullptr);
        DestroyWindow(gone);
        EXPECT_FALSE(notify.Register(gone, true)) << "not a window";
        std::vector<std::pair<HWND, DWORD>> expected = {{first.get(), kThisSession}, {second.get(), kAllSessions}};
        EXPECT_EQ(expected, g_notify.registered);

        EXPECT_TRUE(notify.Unregister(first.get()));
        EXPECT_TRUE(notify.Register(first.get(), true)) << "it left the set";

        g_notify.answer = FALSE;
        EXPECT_FALSE(notify.Register(third.get(), true)) << "the system refused";
        EXPECT_FALSE(notify.Unregister(second.get())) << "the system refused";
        g_notify.answer = TRUE;
        g_notify.unregistered.clear();
    }
    std::vector<HWND> atTheEnd = g_notify.unregistered;
    std::sort(atTheEnd.begin(), atTheEnd.end());
    std::vector<HWND> stillRegistered = {first.get(), second.get()};
    std::sort(stillRegistered.begin(), stillRegistered.end());
    EXPECT_EQ(stillRegistered, atTheEnd) << "the refused window was never in the set";
    EXPECT_EQ(1, binder.loads) << "loaded once, on first use";
    EXPECT_EQ(1, binder.frees);
}

TEST(SessionNotify, MissingLibraryOrFunctionsFailQuietly) {
    CMessageWindow window;
    ASSERT_TRUE(window.get());
    for (bool loadable : {false, true}) {
        SCOPED_TRACE(loadable ? "library without the functions" : "no library");
        CFakeWtsBinder binder(loadable, false);
        {
            CWTSNotify notify;
            EXPECT_FALSE(notify.Register(window.get(), true));
            EXPECT_FALSE(notify.Unregister(window.get()));
        }
        EXPECT_TRUE(g_notify.registered.empty());
        EXPECT_TRUE(g_notify.unregistered.empty());
        EXPECT_EQ(binder.loads, binder.frees);
    }
}

TEST(SessionNotify, TheSystemsLibraryRegistersAWindow) {
    CMessageWindow window;
    ASSERT_TRUE(window.get());
    CWTSNotify notify;
    EXPECT_TRUE(notify.Register(window.get(), true));
    EXPECT_FALSE(notify.Register(window.get(), true));
    // Wine's WTSUnRegisterSessionNotification is a stub that answers FALSE; the window
    // then stays registered until the registrar ends.
    const bool underWine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    EXPECT_EQ(!underWine, notify.Unregister(window.get()));
}

TEST(SessionNotify, ReasonNames) {
    const std::wstring unknown =
        L"\x041E\x043F\x043F\x0430-\x043D\x044C\x043A\x0438! \x0427\x0442\x043E \x0437\x0430 "
        L"\x043D\x0430\x0444\x0438\x0433 WTSSessionChangeReason_2_Str: wReason=";
    struct {
        WPARAM reason;
        std::wstring name;
    } cases[] = {
        {0, unknown + L"0"},
        {1, L"WTS_CONSOLE_CONNECT"},
        {2, L"WTS_CONSOLE_DISCONNECT"},
        {3, L"WTS_REMOTE_CONNECT"},
        {4, L"WTS_REMOTE_DISCONNECT"},
        {5, L"WTS_SESSION_LOGON"},
        {6, L"WTS_SESSION_LOGOFF"},
        {7, L"WTS_SESSION_LOCK"},
        {8, L"WTS_SESSION_UNLOCK"},
        {9, L"WTS_SESSION_REMOTE_CONTROL"},
        {10, unknown + L"10"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.name, std::wstring(WTSSessionChangeReason_2_Str(c.reason).GetString())) << c.reason;
}
