// The waiter and the exit tool as the system runs them: real programs from the program
// folder, read back through their exit codes, the log file, the events they set, the
// box they show and the empty message the waiter posts to every top-level window.
#include <windows.h>

#include <string>

#include "core/base/NamedObjects.h"
#include "testkit/LogFile.h"
#include "testkit/Poll.h"
#include "testkit/ProgramFolder.h"
#include "testkit/TargetIds.h"
#include "testkit/TestKit.h"
#include "tools/ExeWaiter.h"
#include "tools/WaiterProgram.h"

using namespace testkit;

namespace {

CString WaiterPath() {
    return BuiltProgramPath(L"VxlWaitingFor.exe");
}

CString Decimal(DWORD value) {
    CString text;
    text.Format(L"%u", value);
    return text;
}

std::wstring Wide(const CString& text) {
    return std::wstring(text.GetString());
}

// Counts the empty messages that reach a hidden top-level window of the test.
class CBroadcastCatcher {
public:
    CBroadcastCatcher() {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = &Proc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"VxlToolsTestBroadcastCatcher";
        RegisterClassW(&windowClass);
        m_window = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                                   windowClass.hInstance, nullptr);
        SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~CBroadcastCatcher() { DestroyWindow(m_window); }
    CBroadcastCatcher(const CBroadcastCatcher&) = delete;
    CBroadcastCatcher& operator=(const CBroadcastCatcher&) = delete;

    bool valid() const { return m_window != nullptr; }
    // The empty messages that arrived since the last call. A broadcast posts before
    // the broadcasting program ends, so after its end they all wait in the queue.
    int Take() {
        MSG message;
        while (PeekMessageW(&message, m_window, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        const int count = m_received;
        m_received = 0;
        return count;
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NULL && wParam == 0 && lParam == 0) {
            auto* self = reinterpret_cast<CBroadcastCatcher*>(GetWindowLongPtrW(window, GWLP_USERDATA));
            if (self) ++self->m_received;
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    HWND m_window = nullptr;
    int m_received = 0;
};

bool WaiterIsInPlace() {
    CHandle instance(OpenEventW(SYNCHRONIZE, FALSE, kWaiterInstanceEventName));
    return instance.valid();
}

class Waiter : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(catcher_.valid());
        // A folder named in two scripts outside any one ANSI code page: the log path
        // reaches the waiter only through the wide command line.
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"vxl_waiter_Журнал_日本語_" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder_.c_str(), nullptr);
        logPath_ = folder_ + L"\\LogReport.txt";
        DeleteFileW(logPath_.c_str());
        catcher_.Take();
    }
    void TearDown() override {
        DeleteFileW(logPath_.c_str());
        RemoveDirectoryW(folder_.c_str());
    }

    // The switches as the main program writes them, with logging on.
    CString Arguments(DWORD processId) const {
        return CString(L"/logfile\"") + logPath_.c_str() + L"\" /pid" + Decimal(processId);
    }
    CString ExitArguments() const { return CString(L"/logfile\"") + logPath_.c_str() + L"\" /exit"; }

    // The waiter's lines once every waiter has ended.
    LogFileContent Log() const {
        LogFileContent log = ReadLogFile(logPath_);
        EXPECT_TRUE(log.hasByteOrderMark);
        return log;
    }
    std::wstring Line(const CString& text) const { return L"EXE_VxlWaitingFor: " + Wide(text); }

    CBroadcastCatcher catcher_;
    std::wstring folder_;
    std::wstring logPath_;
};

TEST_F(Waiter, EndsWithZeroWhenTheWatchedProcessEndsAndPostsTheEmptyMessage) {
    CTestProcess target;
    ASSERT_TRUE(target.Start(TestProgramPath(kTargetExe), L""));
    const CString targetPath = TestProgramPath(kTargetExe);
    const CString arguments = Arguments(target.id());
    CTestProcess waiter;
    ASSERT_TRUE(waiter.Start(WaiterPath(), arguments));
    ASSERT_TRUE(PollUntil(kWaitMs, &WaiterIsInPlace));
    EXPECT_TRUE(waiter.IsRunning());

    ASSERT_TRUE(target.Kill(0));
    const CResult<DWORD> exitCode = waiter.WaitForExit();
    ASSERT_TRUE(exitCode);
    EXPECT_EQ(static_cast<DWORD>(WTR_EXE_CLOSED_SUCCESS), exitCode.value());
    EXPECT_GE(catcher_.Take(), 1);

    const CString commandLine = L"\"" + WaiterPath() + L"\" " + arguments;
    const LogFileContent log = Log();
    const std::wstring expected[] = {
        Line(L"WinMain cmdLine: [" + commandLine + L"]"),
        Line(CString(L"CVXL_WF_CommandLineInfo::Trace: Log Enabled=1, LogFile: ") + logPath_.c_str() +
             L", Parent PID\t=" + Decimal(target.id()) + L", Path2Parent=" + targetPath),
        Line(L"EXE_VxlWaitingFor is started CommandLine: [" + commandLine + L"] LogFile [" + logPath_.c_str() + L"]"),
        Line(L"Parent process: " + Decimal(target.id())),
        Line(L"Parent process path: [" + targetPath + L"]"),
        Line(L"Parent process is opened successfully"),
        Line(L"CExe_Waiter::Wait_Next waitresult=H_PRC enumresult=WTR_EXE_CLOSED_SUCCESS"),
    };
    for (const std::wstring& line : expected) EXPECT_TRUE(log.Contains(line)) << line << "\nin:\n" << log.Joined();
    EXPECT_EQ(std::size(expected), log.entries.size()) << log.Joined();
}

TEST_F(Waiter, SecondWaiterLeavesWithOneAndAStopRequestEndsTheFirstWithThree) {
    CTestProcess target;
    ASSERT_TRUE(target.Start(TestProgramPath(kTargetExe), L""));
    CTestProcess first;
    ASSERT_TRUE(first.Start(WaiterPath(), Arguments(target.id())));
    ASSERT_TRUE(PollUntil(kWaitMs, &WaiterIsInPlace));

    CTestProcess second;
    ASSERT_TRUE(second.Start(WaiterPath(), Arguments(target.id())));
    const CResult<DWORD> secondExit = second.WaitForExit();
    ASSERT_TRUE(secondExit);
    EXPECT_EQ(static_cast<DWORD>(kWaiterExitAlreadyRunning), secondExit.value());
    EXPECT_TRUE(first.IsRunning());
    EXPECT_EQ(0, catcher_.Take()) << "a waiter that leaves at once posts nothing";

    CTestProcess stopper;
    ASSERT_TRUE(stopper.Start(WaiterPath(), ExitArguments()));
    const CResult<DWORD> stopperExit = stopper.WaitForExit();
    ASSERT_TRUE(stopperExit);
    EXPECT_EQ(static_cast<DWORD>(kWaiterExitStopRequested), stopperExit.value());

    const CResult<DWORD> firstExit = first.WaitForExit();
    ASSERT_TRUE(firstExit);
    EXPECT_EQ(static_cast<DWORD>(WTR_EVENT_EXIT_SIGNALED), firstExit.value());
    EXPECT_TRUE(target.IsRunning());
    EXPECT_GE(catcher_.Take(), 1);

    const LogFileContent log = Log();
    const std::wstring expected[] = {
        Line(L"Exit from VXLWaitingFor. Already is running"),
        Line(L"CExe_Waiter::Wait_Next waitresult=H_EVENT_EXIT enumresult=WTR_EVENT_EXIT_SIGNALED"),
        Line(L"WTR_EVENT_EXIT_SIGNALED, exit by command /exit from command line "),
    };
    for (const std::wstring& line : expected) EXPECT_TRUE(log.Contains(line)) << line << "\nin:\n" << log.Joined();
    EXPECT_EQ(1u, log.Count(Line(L"Parent process is opened successfully"))) << log.Joined();
}

// A stop request with no waiter to hear it changes nothing: the next waiter still
// waits for its process and ends with 0, not with 3.
TEST_F(Waiter, StopRequestWithoutWaiterEndsWithZeroAndLeavesNothingBehind) {
    CTestProcess stopper;
    ASSERT_TRUE(stopper.Start(WaiterPath(), L"/exit"));
    const CResult<DWORD> stopperExit = stopper.WaitForExit();
    ASSERT_TRUE(stopperExit);
    EXPECT_EQ(static_cast<DWORD>(kWaiterExitStopRequested), stopperExit.value());

    CTestProcess target;
    ASSERT_TRUE(target.Start(TestProgramPath(kTargetExe), L""));
    CTestProcess waiter;
    ASSERT_TRUE(waiter.Start(WaiterPath(), Arguments(target.id())));
    ASSERT_TRUE(PollUntil(kWaitMs, &WaiterIsInPlace));
    ASSERT_TRUE(target.Kill(0));
    const CResult<DWORD> exitCode = waiter.WaitForExit();
    ASSERT_TRUE(exitCode);
    EXPECT_EQ(static_cast<DWORD>(WTR_EXE_CLOSED_SUCCESS), exitCode.value());
}

TEST_F(Waiter, ProcessThatAlreadyEndedGivesFourWithoutTheEmptyMessage) {
    DWORD endedId = 0;
    {
        CTestProcess target;
        ASSERT_TRUE(target.Start(TestProgramPath(kTargetExe), L""));
        endedId = target.id();
        ASSERT_TRUE(target.Kill(0));
    }  // its last handle is closed here
    // Wine keeps an ended process openable for about half a second after its last
    // handle is closed: the waiter must meet an id that names no process any more.
    ASSERT_TRUE(PollUntil(kWaitMs, [endedId] { return !CHandle(OpenProcess(SYNCHRONIZE, FALSE, endedId)); }));

    CTestProcess waiter;
    ASSERT_TRUE(waiter.Start(WaiterPath(), Arguments(endedId)));
    const CResult<DWORD> exitCode = waiter.WaitForExit();
    ASSERT_TRUE(exitCode);
    EXPECT_EQ(static_cast<DWORD>(WTR_ERROR), exitCode.value());
    EXPECT_EQ(0, catcher_.Take());

    const LogFileContent log = Log();
    EXPECT_TRUE(log.Contains(L"ERROR: [Cannot open parent process PID=" + Wide(Decimal(endedId)) + L"]"))
        << log.Joined();
    EXPECT_FALSE(log.Contains(Line(L"Parent process is opened successfully"))) << log.Joined();
}

// Without a process id the waiter shows its one box and ends with 3 once the box has
// closed by itself after 7 s. Nobody touches the box: Wine ignores MessageBoxTimeoutW's
// time-out, so this also shows that the waiter's own timer ends it.
struct MissingIdCase {
    const char* name;
    const wchar_t* arguments;
};

class WaiterWithoutProcessId : public ::testing::TestWithParam<MissingIdCase> {};

TEST_P(WaiterWithoutProcessId, ShowsTheBoxThatClosesByItselfAndEndsWithThree) {
    const CString arguments = GetParam().arguments;
    CTestProcess waiter;
    ASSERT_TRUE(waiter.Start(WaiterPath(), arguments));
    const CResult<HWND> box = waiter.WaitForWindow({L"EXE_VxlWaitingFor", L"#32770"});
    ASSERT_TRUE(box);

    CString commandLine = L"\"" + WaiterPath() + L"\"";
    if (!arguments.IsEmpty()) commandLine += L" " + arguments;
    const CString expected =
        L"ERROR\n\n Parent process ID (PID) not specified in the command line.\nPID=0\nCommand Line: [" + commandLine +
        L"]";
    bool found = false;
    for (HWND child = FindWindowExW(box.value(), nullptr, L"Static", nullptr); child && !found;
         child = FindWindowExW(box.value(), child, L"Static", nullptr)) {
        const CResult<CString> text = ReadControlText(child);
        found = text.ok() && text.value() == expected;
    }
    EXPECT_TRUE(found) << "no static of the box reads: " << Wide(expected);

    const CResult<DWORD> exitCode = waiter.WaitForExit(30000);
    ASSERT_TRUE(exitCode);
    EXPECT_EQ(static_cast<DWORD>(kWaiterExitNoProcessId), exitCode.value());
    EXPECT_FALSE(WaiterIsInPlace());
}

const MissingIdCase kMissingIdCases[] = {
    {"nothing", L""},
    {"zero", L"/pid0"},
    {"letters", L"/pidabc"},
    {"too_big", L"/pid4294967296"},
};

INSTANTIATE_TEST_SUITE_P(Cases, WaiterWithoutProcessId, ::testing::ValuesIn(kMissingIdCases),
                         [](const ::testing::TestParamInfo<MissingIdCase>& info) { return info.param.name; });

// The exit tool sets whichever of the main program's two exit events exist and says
// how many it set; the events stay set for the main program to see.
TEST(ExitTool, ExitCodeCountsTheEventsItSetAndLeavesThemSet) {
    static const struct {
        const char* name;
        bool local;
        bool global;
        DWORD exitCode;
    } kCases[] = {
        {"none", false, false, 2},
        {"session only", true, false, 1},
        {"all sessions only", false, true, 1},
        {"both", true, true, 0},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        // As the main program makes them: manual reset, not set.
        CHandle local(c.local ? CreateSharedEvent(kExitEventName, true, false) : nullptr);
        CHandle global(c.global ? CreateSharedEvent(kExitAllEventName, true, false) : nullptr);
        ASSERT_EQ(c.local, local.valid());
        ASSERT_EQ(c.global, global.valid());

        CTestProcess tool;
        ASSERT_TRUE(tool.Start(BuiltProgramPath(L"VXL_Exit.exe"), L"/pid1 ignored"));
        const CResult<DWORD> exitCode = tool.WaitForExit();
        ASSERT_TRUE(exitCode);
        EXPECT_EQ(c.exitCode, exitCode.value());
        if (local) {
            EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(local.get(), 0));
        }
        if (global) {
            EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(global.get(), 0));
        }
    }
}

}  // namespace
