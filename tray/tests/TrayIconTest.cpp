// The tray icon through a recording shell that behaves like the notification area:
// one icon per window and id, a second add of the same icon refused, a modify or delete
// of a missing icon refused, and a restart that forgets every icon. The texts run
// against the English string table linked into the test.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/Settings.h"
#include "core/SoundPlayer.h"
#include "core/tests/SettingsTestFolders.h"
#include "testkit/Poll.h"
#include "testkit/ProgramFolder.h"
#include "tray/TrayIcon.h"
#include "tray/TrayIconAnimation.h"
#include "tray/TrayShell.h"
#include "tray/TrayTexts.h"

namespace {

// Settings, language and sounds of the whole run come from an empty temporary program
// folder, never from the machine's.
class CTrayIconEnvironment : public ::testing::Environment {
public:
    void SetUp() override { m_folders = new CTempSettingsFolders(L"vxl_tray_icon"); }
    void TearDown() override { delete m_folders; }

private:
    CTempSettingsFolders* m_folders = nullptr;
};
::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(new CTrayIconEnvironment);

std::wstring Str(const CString& text) {
    return std::wstring(text.GetString(), static_cast<size_t>(text.GetLength()));
}

// ---------------------------------------------------------------------------------------
// The recording shell

struct ShellCall {
    DWORD message;
    NOTIFYICONDATAW record;
    BOOL result;
};

class CRecordingTrayShell final : public ITrayShell {
public:
    BOOL Notify(DWORD message, NOTIFYICONDATAW* record) override {
        std::lock_guard<std::mutex> lock(m_lock);
        const auto key = std::make_pair(record->hWnd, record->uID);
        const bool present = m_icons.count(key) != 0;
        BOOL result = FALSE;
        switch (message) {
            case NIM_ADD:
                if (!ready || refuseAdds > 0) {
                    if (refuseAdds > 0) --refuseAdds;
                } else if (present) {
                    ++duplicateAdds;
                } else {
                    m_icons.insert(key);
                    // A busy shell makes the icon and still reports a time-out.
                    result = !addReportsFailure;
                }
                break;
            case NIM_MODIFY:
            case NIM_SETVERSION:
                result = ready && present;
                break;
            case NIM_DELETE:
                result = ready && m_icons.erase(key) != 0;
                break;
        }
        if (onNotify) onNotify(message, *record);
        m_calls.push_back({message, *record, result});
        return result;
    }

    // The shell restarted: every icon is gone.
    void Restart() {
        std::lock_guard<std::mutex> lock(m_lock);
        m_icons.clear();
    }
    size_t IconCount() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_icons.size();
    }
    std::vector<ShellCall> Calls() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_calls;
    }
    size_t CountCalls(DWORD message) {
        std::lock_guard<std::mutex> lock(m_lock);
        return static_cast<size_t>(std::count_if(m_calls.begin(), m_calls.end(),
                                                 [message](const ShellCall& call) { return call.message == message; }));
    }
    void ClearCalls() {
        std::lock_guard<std::mutex> lock(m_lock);
        m_calls.clear();
    }

    // Set before the calls they shape.
    std::atomic<bool> ready{true};
    std::atomic<int> refuseAdds{0};
    std::atomic<bool> addReportsFailure{false};
    std::atomic<int> duplicateAdds{0};
    std::function<void(DWORD, const NOTIFYICONDATAW&)> onNotify;

private:
    std::mutex m_lock;
    std::set<std::pair<HWND, UINT>> m_icons;
    std::vector<ShellCall> m_calls;
};

class CFakeStatus final : public ITrayStatusSource {
public:
    CTrayStatusFacts GetTrayStatusFacts() override { return facts; }
    CTrayStatusFacts facts;
};

// A message-only window whose messages go to `handler` when it answers them.
class CTestWindow {
public:
    using Handler = std::function<bool(UINT, WPARAM, LPARAM, LRESULT&)>;

    explicit CTestWindow(HWND parent = HWND_MESSAGE) {
        static const ATOM atom = [] {
            WNDCLASSW windowClass = {};
            windowClass.lpfnWndProc = &CTestWindow::Proc;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = L"VxlTrayIconTestWindow";
            return RegisterClassW(&windowClass);
        }();
        m_window.reset(CreateWindowExW(0, reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(atom)), L"", WS_POPUP, 0, 0,
                                       10, 10, parent, nullptr, GetModuleHandleW(nullptr), nullptr));
        SetWindowLongPtrW(m_window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    HWND get() const { return m_window.get(); }
    Handler handler;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<CTestWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        LRESULT result = 0;
        if (self && self->handler && self->handler(message, wParam, lParam, result)) return result;
        return DefWindowProcW(window, message, wParam, lParam);
    }

    CWindowHandle m_window;
};

// Waits for the thread to end while this thread answers its sent messages.
bool PumpUntilThreadEnds(HANDLE thread, DWORD timeoutMs) {
    return testkit::PumpMessagesUntil(timeoutMs, [thread] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; });
}

DWORD ExitCodeOf(HANDLE thread) {
    DWORD code = STILL_ACTIVE;
    GetExitCodeThread(thread, &code);
    return code;
}

CTrayStatusFacts SampleFacts() {
    CTrayStatusFacts facts;
    facts.versionText = L"Vexlora 1.0.0.0";
    facts.isAdmin = true;
    facts.hookInstalled = true;
    facts.hotKeyText = L"CTRL+ALT+ENTER";
    facts.phrasesFolder = L"C:\\Phrases\\";
    facts.includedCount = 12;
    facts.totalCount = 15;
    return facts;
}

class CSoundsSetting {
public:
    explicit CSoundsSetting(bool on) : m_old(CVXLSettings::GetInstance().SoundOnEventsV094) {
        CVXLSettings::GetInstance().SoundOnEventsV094 = on;
    }
    ~CSoundsSetting() { CVXLSettings::GetInstance().SoundOnEventsV094 = m_old; }

private:
    bool m_old;
};

// ---------------------------------------------------------------------------------------
// Texts

const wchar_t kHint[] = L"Left click on the icon for showing of menu";

TEST(TrayTexts, StatusTextAndTipFollowTheStateAndRights) {
    struct Case {
        const wchar_t* name;
        std::function<void(CTrayStatusFacts&)> change;
        const wchar_t* status;
        const wchar_t* tip;  // as the field takes it
    } cases[] = {
        {L"ready as administrator", [](CTrayStatusFacts&) {},
         L"Hot key: CTRL+ALT+ENTER\r\nFolder: C:\\Phrases [12/15]\r\nLeft click on the icon for showing of menu",
         L"Vexlora 1.0.0.0^ - on\r\nHot key: CTRL+ALT+ENTER\r\nFolder: C:\\Phrases [12/15]\r\n"
         L"Left click on the icon for showing of menu"},
        {L"hook off: the off text in upper case", [](CTrayStatusFacts& f) { f.hookInstalled = false; },
         L"Hot key: CTRL+ALT+ENTER\r\nFolder: C:\\Phrases [12/15]\r\nLeft click on the icon for showing of menu",
         L"Vexlora 1.0.0.0^ - OFF\r\nHot key: CTRL+ALT+ENTER\r\nFolder: C:\\Phrases [12/15]\r\n"
         L"Left click on the icon for showing of menu"},
        {L"no rights: the mark in the status, the tip cut to its first line",
         [](CTrayStatusFacts& f) { f.isAdmin = false; },
         L"Hot key: CTRL+ALT+ENTER   -   NO ADMIN PRIVELEGIES\r\nFolder: C:\\Phrases [12/15]\r\n"
         L"Left click on the icon for showing of menu",
         L"Vexlora 1.0.0.0 - on"},
        {L"the administrator mark only once", [](CTrayStatusFacts& f) { f.versionText = L"Vexlora^ 1.0"; },
         L"Hot key: CTRL+ALT+ENTER\r\nFolder: C:\\Phrases [12/15]\r\nLeft click on the icon for showing of menu",
         L"Vexlora^ 1.0 - on\r\nHot key: CTRL+ALT+ENTER\r\nFolder: C:\\Phrases [12/15]\r\n"
         L"Left click on the icon for showing of menu"},
        {L"a folder with percent signs is text, not a format",
         [](CTrayStatusFacts& f) {
             f.phrasesFolder = L"D:\\100%d %s";
             f.includedCount = 0;
             f.totalCount = 0;
         },
         L"Hot key: CTRL+ALT+ENTER\r\nFolder: D:\\100%d %s [0/0]\r\nLeft click on the icon for showing of menu",
         L"Vexlora 1.0.0.0^ - on\r\nHot key: CTRL+ALT+ENTER\r\nFolder: D:\\100%d %s [0/0]\r\n"
         L"Left click on the icon for showing of menu"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTrayStatusFacts facts = SampleFacts();
        c.change(facts);
        const CString status = BuildTrayStatusText(facts);
        EXPECT_EQ(std::wstring(c.status), Str(status));
        EXPECT_EQ(std::wstring(c.tip), Str(FitTrayTip(BuildTrayTip(facts, status))));
    }
}

TEST(TrayTexts, TipIsCutAtItsFirstLineOnlyWhenLongerThan126) {
    const CString first = L"Vexlora 1.0 - on";
    auto tipOfLength = [&](int length) {
        CString tip = first + L"\r\n";
        while (tip.GetLength() < length) tip += L'x';
        return tip;
    };
    CString surrogates = CString(L'a', 126) + L"\xD83D\xDE00" + L"b";  // the pair at 126 and 127
    struct Case {
        const wchar_t* name;
        CString tip;
        CString fitted;
    } cases[] = {
        {L"126 characters stay whole", tipOfLength(126), tipOfLength(126)},
        {L"127 characters with a line break keep the first line", tipOfLength(127), first},
        {L"a long tip without a line break is truncated to 127", CString(L'y', 300), CString(L'y', 127)},
        {L"a pair of surrogates is not split by the truncation", surrogates, CString(L'a', 126)},
        {L"a bare \\n is a line break too", CString(L"one\ntwo") + CString(L'z', 130), L"one"},
        {L"empty", L"", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CString fitted = FitTrayTip(c.tip);
        EXPECT_EQ(Str(c.fitted), Str(fitted));
        EXPECT_LE(fitted.GetLength(), 127);
    }
}

TEST(TrayTexts, BalloonTitleIsTheTipsFirstLineAndTheText) {
    const CString tip = L"Vexlora 1.0.0.0^ - on\r\nHot key: X";
    struct Case {
        const wchar_t* balloon;
        CString title;
    } cases[] = {
        {nullptr, L"Vexlora 1.0.0.0^ - on"},
        {L"", L"Vexlora 1.0.0.0^ - on"},
        {L"Already works", L"Vexlora 1.0.0.0^ - on, Already works"},
        {L"A balloon text far longer than any title may be, cut to the field",
         L"Vexlora 1.0.0.0^ - on, A balloon text far longer than any title"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.balloon ? c.balloon : L"(none)");
        const CString title = BuildTrayInfoTitle(tip, c.balloon);
        EXPECT_EQ(Str(c.title), Str(title));
        EXPECT_LE(title.GetLength(), 63);
    }
    EXPECT_EQ(std::wstring(L"no line break"), Str(BuildTrayInfoTitle(L"no line break", nullptr)));
}

TEST(TrayTexts, CopyToFieldEndsTheTextInsideTheField) {
    wchar_t field[8];
    std::fill(std::begin(field), std::end(field), L'#');
    CopyToField(field, L"1234567890");
    EXPECT_EQ(std::wstring(L"1234567"), std::wstring(field));
    CopyToField(field, CString(L"123456") + L"\xD83D\xDE00");
    EXPECT_EQ(std::wstring(L"123456"), std::wstring(field));
    CopyToField(field, L"");
    EXPECT_EQ(std::wstring(), std::wstring(field));
}

TEST(TrayTexts, PictureFollowsTheStateAndTheRights) {
    struct Case {
        bool hookInstalled;
        bool isAdmin;
        UINT id;
    } cases[] = {{false, false, 201}, {false, true, 201}, {true, true, 249}, {true, false, 251}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "hook " << c.hookInstalled << ", admin " << c.isAdmin);
        EXPECT_EQ(c.id, GetTrayPictureId(c.hookInstalled, c.isAdmin));
    }
}

TEST(TrayTexts, ClicksOnTheIconAskForTheMenu) {
    struct Case {
        LPARAM lParam;
        TrayIconClick click;
    } cases[] = {
        {WM_LBUTTONUP, TrayIconClick::kReleaseAndPost},
        {WM_RBUTTONUP, TrayIconClick::kMenuAtCursor},
        {NIN_BALLOONUSERCLICK, TrayIconClick::kPost},
        {MAKELPARAM(WM_LBUTTONUP, kTrayIconId), TrayIconClick::kReleaseAndPost},
        {WM_LBUTTONDOWN, TrayIconClick::kNone},
        {WM_MOUSEMOVE, TrayIconClick::kNone},
        {NIN_BALLOONTIMEOUT, TrayIconClick::kNone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "lParam " << c.lParam);
        EXPECT_EQ(c.click, GetTrayIconClick(c.lParam));
    }
}

// ---------------------------------------------------------------------------------------
// Shell_Notify

static_assert(sizeof(void*) != 4 || kNotifyIconDataSize == 952, "the record every Windows from XP on accepts");

TEST(TrayShell, RecordIsSentWithTheOldSizeAndEndedFields) {
    CSoundsSetting sounds(true);
    CRecordingTrayShell shell;
    NOTIFYICONDATAW record = {};
    record.cbSize = sizeof(record);
    std::fill(std::begin(record.szTip), std::end(record.szTip), L'x');
    std::fill(std::begin(record.szInfo), std::end(record.szInfo), L'y');
    std::fill(std::begin(record.szInfoTitle), std::end(record.szInfoTitle), L'z');
    Shell_Notify(shell, NIM_ADD, record);
    const auto calls = shell.Calls();
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ(static_cast<DWORD>(offsetof(NOTIFYICONDATAW, hBalloonIcon)), calls[0].record.cbSize);
    EXPECT_EQ(127u, wcslen(calls[0].record.szTip));
    EXPECT_EQ(255u, wcslen(calls[0].record.szInfo));
    EXPECT_EQ(63u, wcslen(calls[0].record.szInfoTitle));
}

TEST(TrayShell, NoSoundFlagFollowsTheSoundsSetting) {
    struct Case {
        bool soundsOn;
        DWORD flags;
        DWORD sent;
    } cases[] = {
        {true, NIIF_INFO, NIIF_INFO},
        {false, NIIF_INFO, NIIF_INFO | NIIF_NOSOUND},
        {false, NIIF_WARNING, NIIF_WARNING | NIIF_NOSOUND},
        {true, NIIF_USER, NIIF_USER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "sounds " << c.soundsOn << ", flags " << c.flags);
        CSoundsSetting sounds(c.soundsOn);
        CRecordingTrayShell shell;
        NOTIFYICONDATAW record = {};
        record.uFlags = NIF_INFO;
        record.dwInfoFlags = c.flags;
        Shell_Notify(shell, NIM_MODIFY, record);
        ASSERT_EQ(1u, shell.Calls().size());
        EXPECT_EQ(c.sent, shell.Calls()[0].record.dwInfoFlags);
    }
}

// ---------------------------------------------------------------------------------------
// The icon

class TrayIcon : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(window.get());
        status.facts = SampleFacts();
        exitEvent.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        ASSERT_TRUE(exitEvent);
    }
    void TearDown() override { SetEvent(exitEvent.get()); }

    // The window forwards what the tray window would: the installer's request, the
    // shell's restart and the timers.
    void ForwardToIcon(CTrayIcon& icon) {
        window.handler = [this, &icon](UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
            if (message == WM_VXL_INSTALL_TRAY_ICON) {
                result = icon.InstallTrayIcon();
                return true;
            }
            if (message == CTrayIcon::GetTaskbarCreatedMessage()) {
                icon.OnTaskbarCreated(exitEvent.get(), kFast);
                return true;
            }
            if (message == WM_TIMER) return icon.OnTimer(wParam);
            return false;
        };
    }

    const CTrayInstallerTiming kFast{20, 10, 2000};
    CTestWindow window;
    CRecordingTrayShell shell;
    CFakeStatus status;
    CHandle exitEvent;
};

TEST_F(TrayIcon, ModesAddModifyWithBalloonOrModifyOnly) {
    CSoundsSetting sounds(true);
    CTrayIcon icon(window.get(), status, shell);
    const CString statusText = BuildTrayStatusText(SampleFacts());
    const CString tip = FitTrayTip(BuildTrayTip(SampleFacts(), statusText));

    EXPECT_TRUE(icon.UpdateTrayIcon(kTrayIconAdd));
    EXPECT_TRUE(icon.UpdateTrayIcon(kTrayIconModifyWithBalloon, L"Already works", true));
    EXPECT_TRUE(icon.UpdateTrayIcon(kTrayIconModify));
    EXPECT_FALSE(icon.UpdateTrayIcon(3));
    EXPECT_FALSE(icon.UpdateTrayIcon(-1));

    const auto calls = shell.Calls();
    ASSERT_EQ(4u, calls.size());
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), calls[0].message);
    EXPECT_EQ(static_cast<DWORD>(NIM_SETVERSION), calls[1].message);
    EXPECT_EQ(static_cast<UINT>(NOTIFYICON_VERSION), calls[1].record.uVersion);
    EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), calls[2].message);
    EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), calls[3].message);
    for (const ShellCall& call : calls) {
        EXPECT_EQ(window.get(), call.record.hWnd);
        EXPECT_EQ(kTrayIconId, call.record.uID);
    }
    const NOTIFYICONDATAW& add = calls[0].record;
    EXPECT_EQ(static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO), add.uFlags);
    EXPECT_EQ(static_cast<UINT>(WM_APP + 2), add.uCallbackMessage);
    EXPECT_EQ(Str(tip), std::wstring(add.szTip));
    EXPECT_EQ(Str(statusText), std::wstring(add.szInfo));
    EXPECT_EQ(std::wstring(L"Vexlora 1.0.0.0^ - on"), std::wstring(add.szInfoTitle));
    EXPECT_EQ(static_cast<DWORD>(NIIF_USER), add.dwInfoFlags);

    const NOTIFYICONDATAW& balloon = calls[2].record;
    EXPECT_EQ(static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO), balloon.uFlags);
    EXPECT_EQ(std::wstring(L"Vexlora 1.0.0.0^ - on, Already works"), std::wstring(balloon.szInfoTitle));
    EXPECT_EQ(static_cast<DWORD>(NIIF_WARNING), balloon.dwInfoFlags);

    const NOTIFYICONDATAW& modify = calls[3].record;
    EXPECT_EQ(static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP), modify.uFlags);
    EXPECT_EQ(Str(tip), std::wstring(modify.szTip));
    EXPECT_EQ(Str(tip), Str(icon.GetTip()));
}

TEST_F(TrayIcon, BalloonsCarryNoSoundFlagWhenSoundsAreOff) {
    for (bool soundsOn : {true, false}) {
        SCOPED_TRACE(soundsOn ? "sounds on" : "sounds off");
        CSoundsSetting sounds(soundsOn);
        CRecordingTrayShell recorder;
        CTrayIcon icon(window.get(), status, recorder);
        ASSERT_TRUE(icon.UpdateTrayIcon(kTrayIconAdd));
        ASSERT_TRUE(icon.UpdateTrayIcon(kTrayIconModifyWithBalloon, L"Exit...", false));
        ASSERT_TRUE(icon.ShowTrayBalloon(L"Check For Updates", 30000));
        const auto calls = recorder.Calls();
        ASSERT_EQ(4u, calls.size());
        const DWORD noSound = soundsOn ? 0 : NIIF_NOSOUND;
        EXPECT_EQ(NIIF_USER | noSound, calls[0].record.dwInfoFlags);
        EXPECT_EQ(NIIF_USER | noSound, calls[2].record.dwInfoFlags);
        EXPECT_EQ(NIIF_INFO | noSound, calls[3].record.dwInfoFlags);
        KillTimer(window.get(), kTrayBalloonTimerId);
    }
}

TEST_F(TrayIcon, BalloonIsRemovedByItsTimerAndTheTipStays) {
    CTrayIcon icon(window.get(), status, shell);
    ForwardToIcon(icon);
    ASSERT_TRUE(icon.UpdateTrayIcon(kTrayIconAdd));
    shell.ClearCalls();

    ASSERT_TRUE(icon.ShowTrayBalloon(L"Check For Updates", 100));
    const auto shown = shell.Calls();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(static_cast<UINT>(NIF_INFO | NIF_TIP), shown[0].record.uFlags);
    EXPECT_EQ(std::wstring(L"Check For Updates"), std::wstring(shown[0].record.szInfo));
    EXPECT_EQ(100u, shown[0].record.uTimeout);
    EXPECT_EQ(Str(icon.GetTip()), std::wstring(shown[0].record.szTip));

    ASSERT_TRUE(testkit::PumpMessagesUntil(5000, [&] { return shell.Calls().size() >= 2; }));
    // Once only: the timer ended with its balloon.
    testkit::PumpMessagesUntil(400, [] { return false; });
    const auto calls = shell.Calls();
    ASSERT_EQ(2u, calls.size());
    const NOTIFYICONDATAW& hide = calls[1].record;
    EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), calls[1].message);
    EXPECT_TRUE(calls[1].result);
    EXPECT_TRUE(hide.uFlags & NIF_INFO) << "only an empty info text takes a balloon away";
    EXPECT_EQ(std::wstring(), std::wstring(hide.szInfo));
    EXPECT_EQ(Str(icon.GetTip()), std::wstring(hide.szTip));
    EXPECT_FALSE(icon.GetTip().IsEmpty());
}

TEST_F(TrayIcon, BalloonHiddenEarlyLeavesNoTimerBehind) {
    CTrayIcon icon(window.get(), status, shell);
    ForwardToIcon(icon);
    ASSERT_TRUE(icon.UpdateTrayIcon(kTrayIconAdd));
    ASSERT_TRUE(icon.ShowTrayBalloon(L"Check For Updates", 100));
    ASSERT_TRUE(icon.ShowTrayBalloon(nullptr));
    shell.ClearCalls();
    testkit::PumpMessagesUntil(400, [] { return false; });
    EXPECT_EQ(0u, shell.Calls().size());
    EXPECT_FALSE(icon.OnTimer(kTrayBalloonTimerId + 1));
}

TEST_F(TrayIcon, InstallerKeepsTryingUntilTheShellAnswers) {
    CTrayIcon icon(window.get(), status, shell);
    ForwardToIcon(icon);
    shell.refuseAdds = 3;
    CHandle thread;
    ASSERT_TRUE(StartTrayIconInstaller(window.get(), WM_VXL_INSTALL_TRAY_ICON, exitEvent.get(), kFast, &thread));
    ASSERT_TRUE(PumpUntilThreadEnds(thread.get(), 5000));
    EXPECT_EQ(0u, ExitCodeOf(thread.get()));
    EXPECT_TRUE(icon.IsOnTray());
    EXPECT_EQ(1u, shell.IconCount());
    EXPECT_EQ(4u, shell.CountCalls(NIM_ADD));
    EXPECT_EQ(0, shell.duplicateAdds.load());
}

TEST_F(TrayIcon, InstallerGivesUpAfterItsTriesAndReports) {
    CTrayIcon icon(window.get(), status, shell);
    ForwardToIcon(icon);
    shell.ready = false;
    CHandle thread;
    ASSERT_TRUE(
        StartTrayIconInstaller(window.get(), WM_VXL_INSTALL_TRAY_ICON, exitEvent.get(), {10, 3, 2000}, &thread));
    ASSERT_TRUE(PumpUntilThreadEnds(thread.get(), 5000));
    EXPECT_EQ(1u, ExitCodeOf(thread.get()));
    EXPECT_EQ(3u, shell.CountCalls(NIM_ADD));
    EXPECT_FALSE(icon.IsOnTray());
}

TEST_F(TrayIcon, InstallerEndsWhenTheProgramEnds) {
    CTrayIcon icon(window.get(), status, shell);
    ForwardToIcon(icon);
    shell.ready = false;
    CHandle thread;
    ASSERT_TRUE(
        StartTrayIconInstaller(window.get(), WM_VXL_INSTALL_TRAY_ICON, exitEvent.get(), {60000, 200, 2000}, &thread));
    ASSERT_TRUE(testkit::PumpMessagesUntil(5000, [&] { return shell.CountCalls(NIM_ADD) >= 1; }));
    SetEvent(exitEvent.get());
    ASSERT_TRUE(PumpUntilThreadEnds(thread.get(), 5000));
    EXPECT_EQ(0u, ExitCodeOf(thread.get()));
    EXPECT_EQ(1u, shell.CountCalls(NIM_ADD));
}

TEST_F(TrayIcon, AnAddTheShellMadeButReportedFailedIsNotRepeated) {
    CTrayIcon icon(window.get(), status, shell);
    shell.addReportsFailure = true;
    EXPECT_TRUE(icon.InstallTrayIcon());
    EXPECT_TRUE(icon.IsOnTray());
    EXPECT_TRUE(icon.InstallTrayIcon());
    EXPECT_EQ(1u, shell.CountCalls(NIM_ADD));
    EXPECT_EQ(1u, shell.IconCount());
    EXPECT_EQ(0, shell.duplicateAdds.load());
}

TEST_F(TrayIcon, TaskbarCreatedAddsTheIconAgainWithoutADuplicate) {
    CTrayIcon icon(window.get(), status, shell);
    ForwardToIcon(icon);
    ASSERT_TRUE(icon.InstallTrayIcon());
    ASSERT_EQ(1u, shell.IconCount());

    // Explorer restarted: the icon is gone and comes back once.
    shell.Restart();
    SendMessageW(window.get(), CTrayIcon::GetTaskbarCreatedMessage(), 0, 0);
    ASSERT_TRUE(testkit::PumpMessagesUntil(5000, [&] { return icon.IsOnTray(); }));
    EXPECT_EQ(1u, shell.IconCount());
    EXPECT_EQ(2u, shell.CountCalls(NIM_ADD));

    // A shell that announces itself again without having lost the icon.
    SendMessageW(window.get(), CTrayIcon::GetTaskbarCreatedMessage(), 0, 0);
    ASSERT_TRUE(testkit::PumpMessagesUntil(5000, [&] { return icon.IsOnTray(); }));
    testkit::PumpMessagesUntil(200, [] { return false; });
    EXPECT_EQ(1u, shell.IconCount());
    EXPECT_TRUE(icon.IsOnTray());
    EXPECT_TRUE(icon.RemoveTrayIcon());
    EXPECT_EQ(0u, shell.IconCount());
    EXPECT_FALSE(icon.RemoveTrayIcon());
}

TEST_F(TrayIcon, TheIconLeavesTheTrayWithItsOwner) {
    {
        CTrayIcon icon(window.get(), status, shell);
        ASSERT_TRUE(icon.InstallTrayIcon());
        ASSERT_EQ(1u, shell.IconCount());
    }
    EXPECT_EQ(0u, shell.IconCount());
    EXPECT_EQ(1u, shell.CountCalls(NIM_DELETE));
}

// ---------------------------------------------------------------------------------------
// Blink

class CSoundRecorder final : public ISoundOutput {
public:
    CSoundRecorder() : m_previous(SetSoundOutputForTest(this)) {}
    ~CSoundRecorder() override { SetSoundOutputForTest(m_previous); }
    BOOL Play(const wchar_t* sound, DWORD) override {
        std::lock_guard<std::mutex> lock(m_lock);
        sounds.push_back(sound ? sound : L"<stop>");
        return TRUE;
    }
    BOOL Beep(UINT) override { return TRUE; }
    std::vector<std::wstring> Sounds() {
        std::lock_guard<std::mutex> lock(m_lock);
        return sounds;
    }

private:
    ISoundOutput* m_previous;
    std::mutex m_lock;
    std::vector<std::wstring> sounds;
};

TEST_F(TrayIcon, BlinkShowsTheBlinkPictureFourTimesAndEndsOnThePicture) {
    HICON picture = LoadIconW(nullptr, IDI_APPLICATION);
    HICON blink = LoadIconW(nullptr, IDI_WARNING);
    ASSERT_NE(picture, blink);
    for (bool soundsOn : {true, false}) {
        SCOPED_TRACE(soundsOn ? "sounds on" : "sounds off");
        CSoundsSetting sounds(true);
        CSoundRecorder recorder;
        CRecordingTrayShell blinkShell;
        CHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        CHandle thread;
        ASSERT_TRUE(StartTrayIconBlink(blinkShell, window.get(), kTrayIconId, picture, blink, soundsOn, stop.get(), 10,
                                       &thread));
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.get(), 5000));
        const auto calls = blinkShell.Calls();
        ASSERT_EQ(8u, calls.size());
        for (size_t i = 0; i < calls.size(); ++i) {
            SCOPED_TRACE(::testing::Message() << "call " << i);
            EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), calls[i].message);
            EXPECT_EQ(static_cast<UINT>(NIF_ICON), calls[i].record.uFlags);
            EXPECT_EQ(kTrayIconId, calls[i].record.uID);
            EXPECT_EQ(i % 2 == 0 ? blink : picture, calls[i].record.hIcon);
        }
        const auto played = recorder.Sounds();
        EXPECT_EQ(soundsOn ? 1 : 0, static_cast<int>(std::count(played.begin(), played.end(), L"SystemNotification")));
    }
}

TEST_F(TrayIcon, BlinkStoppedEarlyPutsThePictureBack) {
    HICON picture = LoadIconW(nullptr, IDI_APPLICATION);
    HICON blink = LoadIconW(nullptr, IDI_WARNING);
    CHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    CHandle thread;
    ASSERT_TRUE(StartTrayIconBlink(shell, window.get(), kTrayIconId, picture, blink, false, stop.get(), 2000, &thread));
    ASSERT_TRUE(testkit::PollUntil(5000, [&] { return shell.Calls().size() >= 1; }));
    SetEvent(stop.get());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.get(), 1000));
    const auto calls = shell.Calls();
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ(blink, calls[0].record.hIcon);
    EXPECT_EQ(picture, calls[1].record.hIcon);
}

TEST_F(TrayIcon, OneBlinkAtATime) {
    CTrayIcon icon(window.get(), status, shell);
    ASSERT_TRUE(icon.InstallTrayIcon());
    EXPECT_TRUE(icon.BlinkTrayIcon(200));
    EXPECT_FALSE(icon.BlinkTrayIcon(200));
}

// ---------------------------------------------------------------------------------------
// Pulse

TEST(TrayPulse, GreyerPixelsMoveHalfwayToTheirGrey) {
    struct Case {
        DWORD pixel;
        DWORD greyer;
    } cases[] = {
        {0xFFFF0000u, 0xFFAA2A2Au},                                                          // red: grey 85
        {0x80FF0000u, 0x80AA2A2Au},                                                          // alpha kept
        {0xFF00FF00u, 0xFF2AAA2Au}, {0xFF808080u, 0xFF808080u},                              // grey stays
        {0xFFFFFFFFu, 0xFFFFFFFFu}, {0x00000000u, 0x00000000u}, {0xFF102030u, 0xFF182028u},  // grey 32
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.pixel);
        EXPECT_EQ(c.greyer, MakeGreyerPixel(c.pixel));
    }
}

TEST(TrayPulse, FramesRunFromTheLastBackToTheFirst) {
    struct Case {
        int current;
        int count;
        int next;
    } cases[] = {{0, 4, 1}, {2, 4, 3}, {3, 4, 0}, {0, 1, 0}, {0, 0, 0}};
    for (const Case& c : cases) EXPECT_EQ(c.next, NextTrayFrame(c.current, c.count));
}

// A 16-pixel icon of one colour, with alpha.
CIconHandle MakeSolidIcon(DWORD pixel) {
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = 16;
    format.bmiHeader.biHeight = -16;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    CBitmapHandle color(CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!color || !bits) return CIconHandle();
    std::fill(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + 256, pixel);
    const BYTE opaque[32] = {};  // 16 rows of one word each
    CBitmapHandle mask(CreateBitmap(16, 16, 1, 1, opaque));
    ICONINFO info = {TRUE, 0, 0, mask.get(), color.get()};
    return CIconHandle(CreateIconIndirect(&info));
}

// The colour of the icon's middle pixel; 0 when it cannot be read.
DWORD MiddlePixel(HICON icon) {
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info)) return 0;
    CBitmapHandle color(info.hbmColor);
    CBitmapHandle mask(info.hbmMask);
    BITMAP bitmap = {};
    if (!color || !GetObjectW(color.get(), sizeof(bitmap), &bitmap)) return 0;
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = bitmap.bmWidth;
    format.bmiHeader.biHeight = -bitmap.bmHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<size_t>(bitmap.bmWidth) * static_cast<size_t>(bitmap.bmHeight));
    CClientDC screen(nullptr);
    if (GetDIBits(screen.get(), color.get(), 0, bitmap.bmHeight, pixels.data(), &format, DIB_RGB_COLORS) !=
        bitmap.bmHeight)
        return 0;
    return pixels[pixels.size() / 2 + static_cast<size_t>(bitmap.bmWidth) / 2];
}

int Spread(DWORD pixel) {
    const int red = (pixel >> 16) & 0xFF, green = (pixel >> 8) & 0xFF, blue = pixel & 0xFF;
    return std::max({red, green, blue}) - std::min({red, green, blue});
}

TEST(TrayPulse, FramesFadeToGreyThenShowTheIconOnTrayAndWindow) {
    CIconHandle program = MakeSolidIcon(0xFFFF0000u);
    ASSERT_TRUE(program);
    CIconHandle ownIcon = MakeSolidIcon(0xFF0000FFu);
    CTestWindow owner;
    SendMessageW(owner.get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(ownIcon.get()));
    SendMessageW(owner.get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(ownIcon.get()));

    CRecordingTrayShell shell;
    std::mutex lock;
    std::vector<std::pair<HICON, DWORD>> shown;  // icon and its middle pixel, while it is alive
    shell.onNotify = [&](DWORD message, const NOTIFYICONDATAW& record) {
        if (message != NIM_MODIFY) return;
        std::lock_guard<std::mutex> guard(lock);
        shown.emplace_back(record.hIcon, MiddlePixel(record.hIcon));
    };
    HWND trayWindow = owner.get();
    NOTIFYICONDATAW add = {};
    add.hWnd = trayWindow;
    add.uID = kTrayIconId;
    ASSERT_TRUE(shell.Notify(NIM_ADD, &add));

    CTrayIconAnimation animation(shell);
    ASSERT_TRUE(animation.Start(trayWindow, kTrayIconId, 20, program.get(), owner.get()));
    EXPECT_TRUE(animation.IsRunning());
    EXPECT_FALSE(animation.Start(trayWindow, kTrayIconId, 20, program.get(), owner.get()));
    HICON windowIconWhileRunning = nullptr;
    ASSERT_TRUE(testkit::PumpMessagesUntil(5000, [&] {
        std::lock_guard<std::mutex> guard(lock);
        return shown.size() >= 12;
    }));
    windowIconWhileRunning = reinterpret_cast<HICON>(SendMessageW(owner.get(), WM_GETICON, ICON_SMALL, 0));
    animation.Stop();
    EXPECT_FALSE(animation.IsRunning());

    std::vector<std::pair<HICON, DWORD>> seen;
    {
        std::lock_guard<std::mutex> guard(lock);
        seen = shown;
    }
    ASSERT_GE(seen.size(), 13u);
    std::set<HICON> frames;
    for (size_t i = 0; i < 8; ++i) {
        frames.insert(seen[i].first);
        EXPECT_EQ(seen[i].first, seen[i + 4].first) << "frame " << i;
    }
    EXPECT_EQ(4u, frames.size());
    EXPECT_TRUE(frames.count(windowIconWhileRunning)) << "the window shows the frames too";
    // Successively greyer copies, then the icon itself; alpha kept throughout.
    const int spreads[] = {Spread(seen[0].second), Spread(seen[1].second), Spread(seen[2].second),
                           Spread(seen[3].second)};
    EXPECT_GT(spreads[0], spreads[1]);
    EXPECT_GT(spreads[1], spreads[2]);
    EXPECT_GT(spreads[2], 0);
    EXPECT_EQ(255, spreads[3]);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(0xFFu, seen[i].second >> 24) << "frame " << i;
    // Stopped: the tray shows the program icon and the window its own icons again.
    EXPECT_EQ(program.get(), seen.back().first);
    EXPECT_EQ(ownIcon.get(), reinterpret_cast<HICON>(SendMessageW(owner.get(), WM_GETICON, ICON_SMALL, 0)));
    EXPECT_EQ(ownIcon.get(), reinterpret_cast<HICON>(SendMessageW(owner.get(), WM_GETICON, ICON_BIG, 0)));

    // It can run again.
    EXPECT_TRUE(animation.Start(trayWindow, kTrayIconId, 20, program.get(), owner.get()));
    animation.Stop();
}

TEST(TrayPulse, NoIconNoPulse) {
    CRecordingTrayShell shell;
    CTestWindow owner;
    CTrayIconAnimation animation(shell);
    EXPECT_FALSE(animation.Start(owner.get(), kTrayIconId, 20, nullptr, owner.get()));
    EXPECT_FALSE(animation.IsRunning());
}

// ---------------------------------------------------------------------------------------
// The pictures in the built program

// Written out here rather than taken from the ids header, so that an icon dropped
// from the resources or the header shows.
const UINT kNamedIcons[] = {201, 202, 204, 206, 211, 212, 215, 223, 225, 230,
                            231, 234, 239, 240, 241, 246, 247, 249, 250, 251};

class ProgramIcons : public ::testing::Test {
protected:
    void SetUp() override {
        const CString path = testkit::BuiltProgramPath(L"Vexlora.exe");
        ASSERT_FALSE(path.IsEmpty()) << "run the test through the test harness";
        program.reset(LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE));
        ASSERT_TRUE(program) << "cannot open " << Str(path) << " as data";
    }

    // The bytes of the icon image the group offers for the size, as the shell picks it.
    std::vector<BYTE> ImageFor(UINT id, int size) {
        HRSRC group = FindResourceW(program.get(), MAKEINTRESOURCEW(id), RT_GROUP_ICON);
        if (!group) return {};
        auto* directory = static_cast<BYTE*>(LockResource(LoadResource(program.get(), group)));
        if (!directory) return {};
        const int imageId = LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
        HRSRC image = FindResourceW(program.get(), MAKEINTRESOURCEW(imageId), RT_ICON);
        if (!image) return {};
        const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(program.get(), image)));
        if (!bytes) return {};
        return std::vector<BYTE>(bytes, bytes + SizeofResource(program.get(), image));
    }

    CLibraryHandle program;
};

TEST_F(ProgramIcons, EveryNamedIconHasItsOwn32BitPictureAt16And32Pixels) {
    std::set<std::vector<BYTE>> pictures;
    for (UINT id : kNamedIcons) {
        for (int size : {16, 32}) {
            SCOPED_TRACE(::testing::Message() << "icon " << id << " at " << size);
            const std::vector<BYTE> image = ImageFor(id, size);
            ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
            BITMAPINFOHEADER header;
            std::copy(image.begin(), image.begin() + sizeof(header), reinterpret_cast<BYTE*>(&header));
            EXPECT_EQ(size, header.biWidth);
            EXPECT_EQ(2 * size, header.biHeight);  // colour and mask
            ASSERT_EQ(32, header.biBitCount);
            // Alpha: a transparent edge and an opaque inside somewhere.
            const size_t pixels = static_cast<size_t>(size) * static_cast<size_t>(size);
            ASSERT_GE(image.size(), sizeof(header) + pixels * 4);
            bool transparent = false, opaque = false;
            for (size_t i = 0; i < pixels; ++i) {
                const BYTE alpha = image[sizeof(header) + i * 4 + 3];
                transparent = transparent || alpha == 0;
                opaque = opaque || alpha == 255;
            }
            EXPECT_TRUE(transparent);
            EXPECT_TRUE(opaque);
            CIconHandle loaded(
                static_cast<HICON>(LoadImageW(program.get(), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0)));
            EXPECT_TRUE(loaded);
            if (size == 16) {
                EXPECT_TRUE(pictures.insert(image).second) << "the same picture as another icon";
            }
        }
    }
}

// Keeps the first numbered name and ends the walk.
BOOL CALLBACK TakeFirstNumberedName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) {
    if (!IS_INTRESOURCE(name)) return TRUE;
    *reinterpret_cast<UINT*>(found) = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name));
    return FALSE;
}

TEST_F(ProgramIcons, TheProgramIconIsTheFirstIconGroup) {
    UINT first = 0;
    EnumResourceNamesW(program.get(), RT_GROUP_ICON, &TakeFirstNumberedName, reinterpret_cast<LONG_PTR>(&first));
    EXPECT_EQ(201u, first);
}

TEST_F(ProgramIcons, TheTrayShowsThePicturesOfTheProgram) {
    CTestWindow window;
    CRecordingTrayShell shell;
    CFakeStatus status;
    status.facts = SampleFacts();
    CTrayIcon icon(window.get(), status, shell, program.get());
    struct Case {
        bool hookInstalled;
        bool isAdmin;
        UINT id;
    } cases[] = {{false, true, 201}, {true, true, 249}, {true, false, 251}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "icon " << c.id);
        status.facts.hookInstalled = c.hookInstalled;
        status.facts.isAdmin = c.isAdmin;
        shell.ClearCalls();
        icon.UpdateTrayIcon(kTrayIconModify);
        ASSERT_EQ(1u, shell.Calls().size());
        HICON shown = shell.Calls()[0].record.hIcon;
        ASSERT_TRUE(shown);
        EXPECT_EQ(icon.GetPicture(c.id), shown);
        EXPECT_EQ(shown, icon.GetCurrentPicture());
    }
    EXPECT_TRUE(icon.GetPicture(202));
    EXPECT_FALSE(icon.GetPicture(9999));
}

}  // namespace
