// Starting the sibling programs. A small test program stands in for each sibling: it is
// copied into a private program folder under the sibling's name and writes down the
// command line it was given; a window of the test records the launch thread's replies.
#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/Launch.h"
#include "core/Settings.h"
#include "core/SystemInfo.h"
#include "core/base/Logger.h"
#include "core/base/NamedObjects.h"
#include "core/tests/SettingsTestFolders.h"
#include "testkit/Poll.h"
#include "testkit/Process.h"

namespace {

const UINT kReplyMessage = WM_APP + 4;
const wchar_t kQuitEventName[] = L"Local\\VxlFakeSiblingQuit";

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 20000) {
    return testkit::PumpMessagesUntil(timeoutMs, done);
}

// A hidden window that records the wParam of every reply message.
class CReplyRecorder {
public:
    CReplyRecorder() {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"VxlLaunchReplyRecorder";
        RegisterClassW(&windowClass);
        m_window = CreateWindowW(windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 windowClass.hInstance, nullptr);
        SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~CReplyRecorder() { DestroyWindow(m_window); }
    CReplyRecorder(const CReplyRecorder&) = delete;
    CReplyRecorder& operator=(const CReplyRecorder&) = delete;

    HWND window() const { return m_window; }
    std::vector<WPARAM> replies;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<CReplyRecorder*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && message == kReplyMessage) {
            self->replies.push_back(wParam);
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    HWND m_window = nullptr;
};

// Stands in for the system where Wine cannot: whether this program is elevated and
// whether the user accepts the elevation prompt. The starts themselves are real.
class CRecordingStarter final : public IEditorStarter {
public:
    CRecordingStarter(bool admin, bool refuseElevation) : m_admin(admin), m_refuseElevation(refuseElevation) {}

    bool IsAdmin() override { return m_admin; }
    HANDLE ShellStart(const wchar_t* verb, const wchar_t* path, const wchar_t* parameters, DWORD* error) override {
        Record(verb);
        if (m_refuseElevation && wcscmp(verb, L"runas") == 0) {
            *error = ERROR_CANCELLED;
            return nullptr;
        }
        return GetSystemEditorStarter().ShellStart(verb, path, parameters, error);
    }
    HANDLE CreateProcessStart(const wchar_t* path, const wchar_t* parameters, DWORD* error) override {
        Record(L"create");
        return GetSystemEditorStarter().CreateProcessStart(path, parameters, error);
    }
    std::vector<std::wstring> Calls() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_calls;
    }

private:
    void Record(const wchar_t* call) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_calls.push_back(call);
    }

    bool m_admin;
    bool m_refuseElevation;
    std::mutex m_lock;
    std::vector<std::wstring> m_calls;
};

class Launch : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        s_logPath.Format(L"%svxl_launch_test_%lu.log", temp, GetCurrentProcessId());
        DeleteFileW(s_logPath);
        ASSERT_EQ(1, LogInit(s_logPath));
    }

    void SetUp() override {
        quit_.reset(CreateEventW(nullptr, TRUE, FALSE, kQuitEventName));
        ResetEvent(quit_.get());
        ASSERT_TRUE(LogWaitPending(20000));
        logStart_ = ::ReadUtf16File(s_logPath).size();
    }

    void TearDown() override {
        SetEvent(quit_.get());
        SetEditorStarterForTest(nullptr);
        // The stand-ins end on the quit event; their files can go once they have.
        for (const CString& installed : installed_) {
            testkit::PollUntil(20000, [&] { return DeleteFileW(installed) || !FileExists(installed); });
            DeleteFileW(installed + L".cmdline");
        }
        installed_.clear();
    }

    void Install(const wchar_t* siblingName) {
        CString target = folders.programFolder + siblingName;
        // A record left by an earlier start would be taken for this start's.
        DeleteFileW(target + L".cmdline");
        ASSERT_TRUE(CopyFileW(testkit::TestProgramPath(L"vxl_fake_sibling.exe"), target, FALSE)) << GetLastError();
        installed_.push_back(target);
    }

    // The command line the stand-in of that name was started with, once it has written it.
    CString CommandLineOf(const wchar_t* siblingName) {
        CString record = folders.programFolder + siblingName + L".cmdline";
        if (!testkit::PollUntil(20000, [&] { return FileExists(record); })) return L"<never started>";
        return CString(::ReadUtf16File(record).c_str());
    }

    // What the log got since the test began.
    std::wstring NewLogText() {
        EXPECT_TRUE(LogWaitPending(20000));
        std::wstring text = ::ReadUtf16File(s_logPath);
        return text.size() > logStart_ ? text.substr(logStart_) : std::wstring();
    }

    static std::string ReadSettingsArea() {
        CHandle mapping(OpenFileMappingW(FILE_MAP_READ, FALSE, kSettingsAreaName));
        if (!mapping) return "<no settings area>";
        CMappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, kSettingsAreaSize));
        return view ? std::string(static_cast<const char*>(view.get())) : std::string("<not mapped>");
    }

    static CString s_logPath;
    CTempSettingsFolders folders{L"vxl_launch"};
    CHandle quit_;
    std::vector<CString> installed_;
    size_t logStart_ = 0;
};

CString Launch::s_logPath;

bool EndsWith(const CString& text, const CString& end) {
    return text.GetLength() >= end.GetLength() && text.Right(end.GetLength()) == end;
}

TEST(EditorSwitches, AreWrittenInTheirFixedOrderEachAfterABlank) {
    struct Case {
        bool addFromClipboard;
        bool firstRun;
        const wchar_t* selectedText;
        const wchar_t* expected;
    } cases[] = {
        {false, false, L"", L""},
        {false, false, nullptr, L""},
        {true, false, L"", L" /addfromcb"},
        {false, true, L"", L" /firstrun"},
        {false, false, L"x", L" /addseltext"},
        {true, true, L"selected", L" /addfromcb /firstrun /addseltext"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(W(c.expected), W(BuildPhraseEditorSwitches(c.addFromClipboard, c.firstRun, c.selectedText)))
            << c.addFromClipboard << c.firstRun;
}

TEST(SiblingPaths, AreTheProgramFolderAndTheFileName) {
    CTempSettingsFolders folders(L"vxl_paths");
    EXPECT_EQ(W(folders.programFolder + L"VexloraEditor.exe"), W(BuildPhraseEditorPath()));
    EXPECT_EQ(W(folders.programFolder + L"VxlWaitingFor.exe"), W(BuildWaiterPath()));
    EXPECT_EQ(W(folders.programFolder + L"Vexlora_Welcome.exe"), W(BuildWelcomePath()));
    EXPECT_EQ(W(folders.programFolder + L"VXL_Exit.exe"), W(BuildExitToolPath()));
}

TEST(WaiterCommandLine, NamesTheLogOnlyWhileLoggingIsOn) {
    EXPECT_EQ(W(L" /logfile\"C:\\x y\\LogReport.txt\" /pid4242"),
              W(BuildWaiterCommandLine(4242, L"C:\\x y\\LogReport.txt")));
    EXPECT_EQ(W(L" /pid4242"), W(BuildWaiterCommandLine(4242, nullptr)));
    EXPECT_EQ(W(L" /pid4242"), W(BuildWaiterCommandLine(4242, L"")));
    EXPECT_EQ(W(L" /pid7 /exit"), W(BuildWaiterCommandLine(7, L"", true)));
}

// Each road to the editor, with the replies the tray window gets on it.
TEST_F(Launch, EachRoadToTheEditorRepliesToTheTrayWindow) {
    struct Case {
        const char* road;
        bool admin;
        bool refuseElevation;
        bool editorPresent;
        bool addFromClipboard;
        const wchar_t* selectedText;
        std::vector<std::wstring> calls;
        WPARAM firstReply;
        std::vector<const wchar_t*> logLines;
    } cases[] = {
        {"elevated: no prompt, CreateProcess first",
         true,
         false,
         true,
         true,
         L"sel & <text>",
         {L"create"},
         kEditorRunning,
         {L"Start the DezediDizava at CreateProcess", L"Succcessfully start DezediDizava as CreateProcess"}},
        {"not elevated, the prompt accepted",
         false,
         false,
         true,
         false,
         L"\x0418\x0442",
         {L"runas"},
         kEditorRunning,
         {L"Start the DezediDizava at ShellExellExecute + query admin rights",
          L"Succcessfully start DezediDizava as admin"}},
        {"not elevated, the prompt refused",
         false,
         true,
         true,
         true,
         L"",
         {L"runas", L"create"},
         kEditorRunning,
         {L"Cannot start DezediDizava as admin by ShellExecute ", L"Start the DezediDizava at CreateProcess",
          L"Succcessfully start DezediDizava as CreateProcess"}},
        {"editor missing",
         false,
         false,
         false,
         false,
         L"",
         {L"runas", L"create", L"open"},
         kEditorNotStarted,
         {L"Cannot start DezediDizava as admin by ShellExecute ", L"Cannot start DezediDizava as CreateProcess ",
          L"Start the DezediDizava at ShellExellExecute + NO query admin rights",
          L"Cannot start DezediDizava as NOT admin by ShellExecute "}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.road);
        SetUp();
        if (c.editorPresent) Install(L"VexloraEditor.exe");
        CRecordingStarter starter(c.admin, c.refuseElevation);
        SetEditorStarterForTest(&starter);
        CReplyRecorder recorder;
        CHandle thread;
        ASSERT_TRUE(StartPhraseEditorThread(CHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr)), recorder.window(),
                                            kReplyMessage, c.addFromClipboard, false, c.selectedText, &thread));
        ASSERT_TRUE(PumpUntil([&] { return !recorder.replies.empty(); }));
        EXPECT_EQ(c.firstReply, recorder.replies[0]);
        EXPECT_EQ(c.calls, starter.Calls());

        std::string area = ReadSettingsArea();
        EXPECT_EQ(*c.selectedText != 0, area.find("<SelText>") != std::string::npos) << area;

        if (c.editorPresent) {
            CString switches = BuildPhraseEditorSwitches(c.addFromClipboard, false, c.selectedText);
            CString commandLine = CommandLineOf(L"VexloraEditor.exe");
            if (c.calls.back() == L"create") {
                EXPECT_EQ(W(switches), W(commandLine)) << "CreateProcess passes the switches alone";
            } else {
                EXPECT_TRUE(EndsWith(commandLine, switches)) << W(commandLine);
                EXPECT_GE(commandLine.Find(BuildPhraseEditorPath()), 0) << W(commandLine);
            }
            SetEvent(quit_.get());
        }
        // The replies are sent: the thread ends only while this thread takes them.
        ASSERT_TRUE(PumpUntil([&] { return WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0; }));
        std::vector<WPARAM> expected = {c.firstReply};
        if (c.editorPresent) expected.push_back(kEditorEnded);
        EXPECT_EQ(expected, recorder.replies);

        std::wstring log = NewLogText();
        for (const wchar_t* line : c.logLines) EXPECT_NE(std::wstring::npos, log.find(line)) << W(line);
        TearDown();
    }
}

TEST_F(Launch, TheSystemStarterStartsTheEditorWithExactlyItsSwitches) {
    // Wine counts every token as an administrator's: the road is CreateProcessW.
    Install(L"VexloraEditor.exe");
    CReplyRecorder recorder;
    CHandle thread;
    ASSERT_TRUE(StartPhraseEditorThread(CHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr)), recorder.window(),
                                        kReplyMessage, true, true, L"x", &thread));
    ASSERT_TRUE(PumpUntil([&] { return !recorder.replies.empty(); }));
    EXPECT_EQ(kEditorRunning, recorder.replies[0]);
    CString commandLine = CommandLineOf(L"VexloraEditor.exe");
    if (IsUserAdmin()) {
        EXPECT_EQ(W(L" /addfromcb /firstrun /addseltext"), W(commandLine));
    } else {
        EXPECT_TRUE(EndsWith(commandLine, L" /addfromcb /firstrun /addseltext")) << W(commandLine);
    }
    SetEvent(quit_.get());
    ASSERT_TRUE(PumpUntil([&] { return recorder.replies.size() == 2; }));
    EXPECT_EQ(kEditorEnded, recorder.replies[1]);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.get(), 20000));
}

TEST_F(Launch, AProgramThatEndsWhileTheEditorRunsGetsNoEndReply) {
    Install(L"VexloraEditor.exe");
    CRecordingStarter starter(true, false);
    SetEditorStarterForTest(&starter);
    CHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    HANDLE threadsOwn = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), stop.get(), GetCurrentProcess(), &threadsOwn, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    CReplyRecorder recorder;
    CHandle thread;
    ASSERT_TRUE(
        StartPhraseEditorThread(CHandle(threadsOwn), recorder.window(), kReplyMessage, false, false, L"", &thread));
    ASSERT_TRUE(PumpUntil([&] { return !recorder.replies.empty(); }));
    CommandLineOf(L"VexloraEditor.exe");

    SetEvent(stop.get());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.get(), 20000)) << "the thread ends with the program";
    SetEvent(quit_.get());
    PumpUntil([] { return true; });
    EXPECT_EQ(std::vector<WPARAM>{kEditorRunning}, recorder.replies);
}

TEST_F(Launch, TheEditorStartedAtOnceGetsItsSwitchesAfterItsPath) {
    Install(L"VexloraEditor.exe");
    EXPECT_TRUE(StartPhraseEditorNow(false, true, false, L"selected"));
    CString commandLine = CommandLineOf(L"VexloraEditor.exe");
    EXPECT_TRUE(EndsWith(commandLine, L" /addfromcb /addseltext")) << W(commandLine);
    EXPECT_GE(commandLine.Find(BuildPhraseEditorPath()), 0) << W(commandLine);
}

TEST_F(Launch, AMissingEditorIsLoggedAndNotStartedAtOnce) {
    EXPECT_FALSE(StartPhraseEditorNow(false, false, false, L""));
    EXPECT_NE(std::wstring::npos, NewLogText().find(W(L"Cannot find file\n" + BuildPhraseEditorPath())));
}

TEST_F(Launch, TheWelcomeProgramGetsAutoOnlyWhenStartedAutomatically) {
    Install(L"Vexlora_Welcome.exe");
    for (bool automatic : {true, false}) {
        DeleteFileW(folders.programFolder + L"Vexlora_Welcome.exe.cmdline");
        ASSERT_TRUE(StartWelcomeProgram(nullptr, automatic));
        CString commandLine = CommandLineOf(L"Vexlora_Welcome.exe");
        EXPECT_EQ(automatic, EndsWith(commandLine, L" /auto")) << W(commandLine);
        EXPECT_GE(commandLine.Find(BuildWelcomePath()), 0) << W(commandLine);
    }
}

TEST_F(Launch, AMissingWelcomeProgramIsNotReportedAsStarted) {
    EXPECT_FALSE(StartWelcomeProgram(nullptr, false));
}

TEST_F(Launch, TheWaiterGetsTheLogPathAndThisProcessId) {
    Install(L"VxlWaitingFor.exe");
    ASSERT_TRUE(StartWaiterProgram());
    CString expected;
    expected.Format(L" /logfile\"%s\" /pid%lu", s_logPath.GetString(), GetCurrentProcessId());
    EXPECT_EQ(W(expected), W(CommandLineOf(L"VxlWaitingFor.exe")));
}

}  // namespace
