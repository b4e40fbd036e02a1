// The main program's roads through start-up, run as the real Vexlora.exe from a
// private copy of the program folder with logging on.
#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <atomic>
#include <thread>

#include "core/Instance.h"
#include "core/base/Handles.h"
#include "core/base/NamedObjects.h"
#include "testkit/Poll.h"
#include "testkit/TestKit.h"

using namespace testkit;

namespace {

bool IsProcessRunning(DWORD id, const wchar_t* exeName) {
    CHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        if ((id == 0 || entry.th32ProcessID == id) && _wcsicmp(entry.szExeFile, exeName) == 0) return true;
    return false;
}

class Startup : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.Create());
        ASSERT_TRUE(folder_.WriteSettings(L"WriteLog=1\r\nDelayAutoLoadSeconds_NextRelease=60\r\n"));
        log_ = folder_.PathOf(L"LogReport.txt");
    }

    // Runs Vexlora.exe with the arguments to its end and returns the exit code.
    DWORD RunToEnd(const wchar_t* arguments) {
        CResult<DWORD> code = RunToExit(folder_.PathOf(L"Vexlora.exe"), arguments, 30000);
        EXPECT_TRUE(code);
        return code.ok() ? code.value() : 999;
    }

    // Starts the resident instance and waits until it runs its loop.
    void StartResident(CTestProcess& resident, const wchar_t* arguments = L"",
                       const wchar_t* program = L"Vexlora.exe") {
        ASSERT_TRUE(resident.Start(folder_.PathOf(program), arguments));
        ASSERT_TRUE(WaitForFileText(log_, L"VxlWaitingFor is stated succesfully", 30000));
    }

    // The program's last line is its end banner (the waiter may still write after it).
    void ExpectEndBannerLast() {
        CString text = ReadUtf16File(log_);
        int lastOwnLine = text.ReverseFind(L'\n');
        while (lastOwnLine > 0 && text.Mid(lastOwnLine + 1, 11) != L"EXE_Agent: ")
            lastOwnLine = CString(text.Left(lastOwnLine)).ReverseFind(L'\n');
        EXPECT_EQ(31, text.Mid(lastOwnLine + 1).Find(L"===End Vexlora=== ")) << text.Right(800);
    }

    int CountInLog(const wchar_t* what) {
        CString text = ReadUtf16File(log_);
        int count = 0;
        for (int at = text.Find(what); at >= 0; at = text.Find(what, at + 1)) ++count;
        return count;
    }

    void EndResident(CTestProcess& resident) {
        EXPECT_EQ(1u, RunToEnd(L"/exit")) << "the request goes to the running instance";
        CResult<DWORD> code = resident.WaitForExit(30000);
        ASSERT_TRUE(code);
        EXPECT_EQ(0u, code.value());
    }

    CPrivateProgramFolder folder_;
    CString log_;
};

}  // namespace

TEST_F(Startup, SecondStartIsForwardedAndExitEndsTheInstanceAndItsWaiter) {
    CTestProcess resident;
    StartResident(resident);
    CString expectedWaiterLine;
    expectedWaiterLine.Format(L"Start by CreateProcess: VxlWaitingFor.exe Result= 1 CmdLine:  /logfile\"%s\" /pid%lu",
                              log_.GetString(), resident.id());
    // Each log line has a writer thread of its own: the waiter's line may land after the
    // line that follows it in the code.
    EXPECT_TRUE(WaitForFileText(log_, expectedWaiterLine, 10000)) << "the waiter's command line";
    EXPECT_TRUE(IsProcessRunning(0, L"VxlWaitingFor.exe"));
    CString startLog = ReadUtf16File(log_);
    int start = startLog.Find(L"] Start Vexlora ");
    ASSERT_GE(start, 0);
    EXPECT_TRUE(iswdigit(startLog[start + 16])) << "the file version follows: " << startLog.Mid(start, 60);
    EXPECT_GE(startLog.Find(L"  on Windows"), 0);

    EXPECT_EQ(1u, RunToEnd(L""));
    EXPECT_TRUE(WaitForFileText(log_, L"Vexlora was started again while running"));

    EndResident(resident);
    ExpectEndBannerLast();
    EXPECT_TRUE(PollUntil(15000, [] { return !IsProcessRunning(0, L"VxlWaitingFor.exe"); }))
        << "the waiter ends with the program it watches";
}

// An exit asked for as soon as the program says it runs, before its window or even its
// exit events exist, still ends it.
TEST_F(Startup, AnExitAskedForWhileTheProgramStartsIsNotLost) {
    CTestProcess resident;
    ASSERT_TRUE(resident.Start(folder_.PathOf(L"Vexlora.exe"), L""));
    ASSERT_TRUE(PollUntil(30000, [] { return CHandle(OpenEventW(SYNCHRONIZE, FALSE, kInstanceEventName)).valid(); }));
    EXPECT_EQ(1u, RunToEnd(L"/exit"));
    CResult<DWORD> code = resident.WaitForExit(30000);
    ASSERT_TRUE(code) << "the early exit was lost";
    EXPECT_EQ(0u, code.value());
}

TEST_F(Startup, ExitWithNothingRunningEndsWith1AndCreatesNothing) {
    EXPECT_EQ(1u, RunToEnd(L"/exit"));
    EXPECT_EQ(1u, RunToEnd(L"-UA"));
    CHandle instance(OpenEventW(SYNCHRONIZE, FALSE, kInstanceEventName));
    EXPECT_FALSE(instance.valid());
    EXPECT_FALSE(IsProcessRunning(0, L"VxlWaitingFor.exe"));
    EXPECT_LT(ReadUtf16File(log_).Find(L"===Start Vexlora"), 0) << "no resident start was logged";
}

TEST_F(Startup, RequestsReachTheRunningInstance) {
    CTestProcess resident;
    StartResident(resident);
    // A check-for-updates request is a pulse: only a watcher that waits at that moment sees it.
    ASSERT_TRUE(WaitForFileText(log_, L"language, update and blink requests are watched"));
    EXPECT_EQ(1u, RunToEnd(L"-CFU"));
    EXPECT_TRUE(WaitForFileText(log_, L"CVXLTrayWnd::OnCheckForUpdates: check for updates requested", 20000));

    // The folder has no editor: the resident tries every road and tells the user twice,
    // once that the start failed and once which file is missing.
    EXPECT_EQ(0u, RunToEnd(L"/edit"));
    EXPECT_TRUE(WaitForFileText(log_, L"Cannot start DezediDizava as NOT admin by ShellExecute", 20000));
    for (const wchar_t* told : {L"Cannot start settings module", L"VexloraEditor.exe"}) {
        CResult<HWND> box = WaitForTopLevelWindow({L"Vexlora", L"#32770", resident.id()}, 20000);
        ASSERT_TRUE(box) << CString(told);
        CResult<CString> text = ReadControlText(GetDlgItem(box.value(), 0xFFFF));
        ASSERT_TRUE(text);
        EXPECT_GE(text.value().Find(told), 0) << text.value();
        PostMessageW(box.value(), WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(PollUntil(10000, [&] { return !IsWindow(box.value()); }));
    }
    EndResident(resident);
}

// The menu of a second start is the resident's tray menu, open until the user closes it.
TEST_F(Startup, ShowMenuOfASecondStartOpensTheTrayMenuUntilEscape) {
    CTestProcess resident;
    StartResident(resident);
    EXPECT_EQ(1u, RunToEnd(L"/showmenu"));
    ASSERT_TRUE(WaitForFileText(log_, L"CVXLTrayWnd::OnShowTrayMenu: show the tray menu requested", 20000));
    HWND menu = nullptr;
    ASSERT_TRUE(PollUntil(20000, [&] {
        menu = FindWindowW(L"#32768", nullptr);
        return menu && IsWindowVisible(menu);
    })) << "the tray menu is on the screen";
    EXPECT_LT(ReadUtf16File(log_).Find(L"DisplayTrayMenuWithPoint"), 0) << "still open";
    // The menu's own loop reads the key from its thread's queue.
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitForFileText(log_, L"bLoad=1, bPOPUP=0", 20000)) << "closed without a command";
    EndResident(resident);
}

TEST_F(Startup, PlainStartWakesAWaitingAutostartAndEndsWith12) {
    CTestProcess waiting;
    ASSERT_TRUE(waiting.Start(folder_.PathOf(L"Vexlora.exe"), L"/autoload"));
    ASSERT_TRUE(WaitForFileText(log_, L"Starting waiting for automode...", 30000));
    EXPECT_EQ(12u, RunToEnd(L""));
    EXPECT_TRUE(WaitForFileText(log_, L"INFO: automode disabled WAIT_OBJECT_0"));
    ASSERT_TRUE(WaitForFileText(log_, L"VxlWaitingFor is stated succesfully", 30000)) << "the woken start goes on";
    EndResident(waiting);
}

TEST_F(Startup, HelpBoxShowsTheKeysInTheChosenLanguageAndEndsWith0AfterOk) {
    struct Case {
        const wchar_t* settings;
        const wchar_t* captionEnd;
        const wchar_t* expectedTexts[3];
    } cases[] = {
        {L"WriteLog=1\r\nLanguage=\r\n",
         L" : Command Line Keys",
         {L"check for updates", L"complete all previous running instances of Vexlora",
          L"Press Ctrl+C to copy into clipboard"}},
        {L"WriteLog=1\r\nLanguage=German.lng\r\n",
         L" : Befehlszeilenparameter",
         {L"nach Updates suchen", L"alle bereits laufenden Instanzen von Vexlora beenden",
          L"Mit Strg+C in die Zwischenablage kopieren"}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(folder_.WriteSettings(c.settings));
        CTestProcess help;
        ASSERT_TRUE(help.Start(folder_.PathOf(L"Vexlora.exe"), L"/?"));
        CResult<HWND> box = help.WaitForWindow(CWindowQuery{L"", L"#32770", help.id()}, 30000);
        ASSERT_TRUE(box);
        wchar_t caption[256] = {};
        GetWindowTextW(box.value(), caption, 256);
        EXPECT_NE(nullptr, wcsstr(caption, c.captionEnd)) << CString(caption);
        // The message text is the box's static control with id 0xFFFF.
        CResult<CString> text = ReadControlText(GetDlgItem(box.value(), 0xFFFF));
        ASSERT_TRUE(text);
        for (const wchar_t* key :
             {L"/exit", L"/autoload", L"/ua", L"/noinstall", L"/?", L"/edit", L"/asadmin", L"/showmenu", L"/cfu"})
            EXPECT_GE(text.value().Find(key), 0) << CString(key);
        for (const wchar_t* expected : c.expectedTexts) EXPECT_GE(text.value().Find(expected), 0) << CString(expected);
        PostMessageW(box.value(), WM_COMMAND, IDOK, 0);
        CResult<DWORD> code = help.WaitForExit(20000);
        ASSERT_TRUE(code);
        EXPECT_EQ(0u, code.value());
    }
}

// Another program may close the hidden window (WM_CLOSE destroys it): the instance must end
// as it does on the exit command, and leave the way free for the next start.
TEST_F(Startup, ClosingTheWindowFromOutsideEndsTheInstanceAndANewStartBecomesResident) {
    CTestProcess resident;
    StartResident(resident);
    // The window is hidden: found by its class.
    HWND window = nullptr;
    ASSERT_TRUE(
        PollUntil(30000, [&window] { return (window = FindWindowW(L"VexloraTrayWindow", nullptr)) != nullptr; }));
    PostMessageW(window, WM_CLOSE, 0, 0);
    CResult<DWORD> code = resident.WaitForExit(30000);
    ASSERT_TRUE(code) << "the process lived on without its window";
    EXPECT_EQ(0u, code.value());
    ExpectEndBannerLast();

    CTestProcess next;
    ASSERT_TRUE(next.Start(folder_.PathOf(L"Vexlora.exe"), L""));
    EXPECT_TRUE(PollUntil(30000, [this] { return CountInLog(L"VxlWaitingFor is stated succesfully") == 2; }))
        << "the next start did not become resident";
    EndResident(next);
}

// The sound thread runs with the window: without it a request is only stored and nothing
// plays. Wine has no sound device, so the resident instance is the probe (the main program
// with a recorder in the sound device's place) and the second start the real program.
TEST_F(Startup, SecondStartsSoundIsPlayedByTheSoundThread) {
    ASSERT_TRUE(CopyFileW(TestProgramPath(L"vxl_startup_probe.exe"), folder_.PathOf(L"vxl_startup_probe.exe"), FALSE));
    const CString played = folder_.PathOf(L"played.txt");
    ASSERT_TRUE(SetEnvironmentVariableW(L"VXL_PROBE_SOUND_LOG", played));
    CTestProcess resident;
    StartResident(resident, L"", L"vxl_startup_probe.exe");
    SetEnvironmentVariableW(L"VXL_PROBE_SOUND_LOG", nullptr);
    EXPECT_EQ(1u, RunToEnd(L""));
    EXPECT_TRUE(WaitForFileText(played, folder_.PathOf(L"already_work.wav"), 20000));
    EndResident(resident);
}

// Two starts at the same moment both find no instance; the one that creates the event
// second must learn that it was there already.
TEST(InstanceEvent, AnEventAnotherStartMadeFirstIsReported) {
    bool alreadyExists = true;
    CHandle first(CreateInstanceEvent_Vexlora_EXE(&alreadyExists));
    ASSERT_TRUE(first.valid());
    EXPECT_FALSE(alreadyExists);
    CHandle second(CreateInstanceEvent_Vexlora_EXE(&alreadyExists));
    ASSERT_TRUE(second.valid());
    EXPECT_TRUE(alreadyExists);
}

namespace {

// True while the shell holds the tray window's icon: a modify of a missing icon fails,
// whoever asks, so the test process can ask about another process's icon.
bool IsIconOnTray(HWND trayWindow) {
    NOTIFYICONDATAW data = {};
    data.cbSize = NOTIFYICONDATAW_V3_SIZE;
    data.hWnd = trayWindow;
    data.uID = 10;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

}  // namespace

// The user sees the program by its icon in the notification area: it comes with the
// resident start, stays one icon through a second start, and goes with /exit.
TEST_F(Startup, TheIconSitsInTheNotificationAreaUntilExit) {
    CTestProcess resident;
    StartResident(resident);
    HWND trayWindow = nullptr;
    ASSERT_TRUE(PollUntil(15000, [&] {
        trayWindow = FindWindowW(L"VexloraTrayWindow", nullptr);
        return trayWindow != nullptr;
    }));
    EXPECT_TRUE(PollUntil(30000, [&] { return IsIconOnTray(trayWindow); })) << "the icon never reached the tray";

    EXPECT_EQ(1u, RunToEnd(L""));
    EXPECT_TRUE(WaitForFileText(log_, L"Vexlora was started again while running"));
    EXPECT_TRUE(IsIconOnTray(trayWindow));

    EndResident(resident);
    EXPECT_FALSE(IsIconOnTray(trayWindow)) << "the icon outlived its program";
}

namespace {

// Clicks the left button where the notification area shows the first icon: the shell
// draws its icons from the right end of the taskbar, one small icon and a border each.
bool ClickFirstTrayIcon() {
    HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    RECT area = {};
    if (!taskbar || !GetClientRect(taskbar, &area)) return false;
    POINT point = {area.right - (GetSystemMetrics(SM_CXSMICON) + 4) / 2, (area.bottom - area.top) / 2};
    ClientToScreen(taskbar, &point);
    return ClickAt(point);
}

}  // namespace

// The user clicks the icon and picks a switch of the Settings popup by keys: the switch is
// saved in the program folder's settings file and the editor is told at once.
TEST_F(Startup, ClickOnTheIconOpensTheTrayMenuAndASwitchChosenByKeysIsSavedAndAnnounced) {
    CTestProcess resident;
    StartResident(resident);
    HWND trayWindow = nullptr;
    ASSERT_TRUE(PollUntil(15000, [&] {
        trayWindow = FindWindowW(L"VexloraTrayWindow", nullptr);
        return trayWindow && IsIconOnTray(trayWindow);
    }));
    CHandle optionsChanged(OpenEventW(SYNCHRONIZE, FALSE, kOptionsChangedEventName));
    ASSERT_TRUE(optionsChanged.valid()) << "the resident makes the event at start";

    ASSERT_TRUE(ClickFirstTrayIcon());
    DWORD residentId = resident.id();
    HWND menu = nullptr;
    ASSERT_TRUE(PollUntil(20000, [&] { return (menu = FindVisibleMenuWindowOf(residentId)) != nullptr; }))
        << "the click opened no menu";
    ASSERT_TRUE(WaitForFileText(log_, L"CVXLTrayWnd::OnInitMenuPopup", 20000));

    // Down walks the items and skips separators. Settings is the ninth item; a program
    // that is not elevated has Run As Administrator on top. Its fifth item is Float Panel
    // On Start, on by default.
    const int settingsDowns = 9 + (IsUserAnAdmin() ? 0 : 1);
    // The pulse wakes only those who wait at that moment: the waiter waits before the
    // first key is posted, long before the chosen command runs.
    DWORD announced = WAIT_FAILED;
    std::atomic<bool> waiting{false};
    std::thread waiter([&] {
        waiting = true;
        announced = WaitForSingleObject(optionsChanged.get(), 30000);
    });
    ASSERT_TRUE(PollUntil(5000, [&] { return waiting.load(); }));
    for (int i = 0; i < settingsDowns; ++i) PostKeyTo(menu, VK_DOWN);
    PostKeyTo(menu, VK_RIGHT);
    for (int i = 0; i < 4; ++i) PostKeyTo(menu, VK_DOWN);
    PostKeyTo(menu, VK_RETURN);
    waiter.join();
    EXPECT_EQ(WAIT_OBJECT_0, announced) << "the options-changed event was not pulsed";
    EXPECT_TRUE(PollUntil(10000, [&] {
        return GetPrivateProfileIntW(L"Settings", L"ShowHistoryPaneOnStart", 7, folder_.PathOf(L"Settings.ini")) == 0;
    })) << "the switch was not saved";
    EndResident(resident);
}
