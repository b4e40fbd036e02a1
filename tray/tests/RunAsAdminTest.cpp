// The restart as administrator, through the seam on its start call: Wine starts
// "runas" without a prompt and counts the token as administrator, so the refused road
// can only be reached that way.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "core/AppSlots.h"
#include "core/Instance.h"
#include "core/RunAsAdmin.h"
#include "core/base/AppPaths.h"
#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "core/base/NamedObjects.h"
#include "testkit/Poll.h"
#include "testkit/ProgramFolder.h"

namespace {

struct StartCall {
    std::wstring file, parameters, folder;
    int calls = 0;
} g_call;
DWORD g_refusal = 0;

HINSTANCE RecordingStart(HWND, const wchar_t* file, const wchar_t* parameters, const wchar_t* folder) {
    g_call.file = file;
    g_call.parameters = parameters;
    g_call.folder = folder;
    ++g_call.calls;
    if (g_refusal) {
        SetLastError(g_refusal);
        return reinterpret_cast<HINSTANCE>(SE_ERR_ACCESSDENIED);
    }
    return reinterpret_cast<HINSTANCE>(42);
}

// Finds this process's message box titled "Vexlora", keeps its text and presses OK.
std::wstring CloseMessageBox() {
    std::wstring text;
    testkit::PollUntil(20000, [&] {
        HWND box = FindWindowW(L"#32770", L"Vexlora");
        DWORD owner = 0;
        if (!box || (GetWindowThreadProcessId(box, &owner), owner != GetCurrentProcessId())) return false;
        wchar_t buffer[2048] = {};
        GetDlgItemTextW(box, 0xFFFF, buffer, 2048);
        text = buffer;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return true;
    });
    return text;
}

class RunAsAdmin : public ::testing::Test {
protected:
    void SetUp() override {
        g_call = StartCall();
        SetElevatedStartForTest(&RecordingStart);
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        log_ = std::wstring(temp) + L"vxl_runasadmin_" + std::to_wstring(GetCurrentProcessId()) + L".txt";
        ASSERT_EQ(1, LogInit(log_.c_str()));
    }
    void TearDown() override {
        SetElevatedStartForTest(nullptr);
        g_refusal = 0;
        LogWaitPending(10000);
        LogShutdown();
        DeleteFileW(log_.c_str());
    }
    std::wstring log_;
};

}  // namespace

TEST_F(RunAsAdmin, RefusedStartKeepsTheInstanceAndTellsWhy) {
    g_refusal = ERROR_CANCELLED;
    std::wstring shown;
    std::thread closer([&] { shown = CloseMessageBox(); });
    EXPECT_FALSE(CAppObjects::RunAsAdmin(nullptr));
    closer.join();
    EXPECT_EQ(1, g_call.calls);
    EXPECT_EQ(0u, shown.find(L"Cannot start second instance of Vexlora\n" + std::wstring(30, L'\x2014') +
                             L"\nError Code: 1223\nWhat is it: "))
        << std::string(shown.begin(), shown.end());
    CHandle handOver(OpenEventW(SYNCHRONIZE, FALSE, kAdminHandOverEventName));
    EXPECT_FALSE(handOver.valid()) << "the hand-over event is gone after a failed start";
    ASSERT_TRUE(LogWaitPending(10000));
    CString log = testkit::ReadUtf16File(log_.c_str());
    EXPECT_GE(log.Find(L"ERROR: [CAppObjects::RunAsAdmin, 2447 Cannot start second instance of Vexlora "), 0)
        << "line breaks turned into blanks";
}

TEST_F(RunAsAdmin, LaunchedStartEndsThisInstanceAndHandsOverAtShutdown) {
    HWND main = CreateWindowExW(0, L"STATIC", L"main", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, main);
    CAppObjects::SetMainWnd(main);
    EXPECT_TRUE(CAppObjects::RunAsAdmin(nullptr));
    EXPECT_FALSE(IsWindow(main)) << "this instance's window is gone";
    EXPECT_EQ(GetOwnExecutablePath().GetString(), g_call.file);
    EXPECT_EQ(L"/asadmin", g_call.parameters);
    EXPECT_EQ(GetProgramFolder().GetString(), g_call.folder);

    // The elevated start waits for this event; it is set only at the end of shutdown.
    CHandle handOver(OpenEventW(SYNCHRONIZE, FALSE, kAdminHandOverEventName));
    ASSERT_TRUE(handOver.valid());
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(handOver.get(), 0));
    SignalHandOverEvent();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(handOver.get(), 0));
    CAppObjects::SetMainWnd(nullptr);
}

TEST_F(RunAsAdmin, ElevatedStartWaitsForTheHandOver) {
    DWORD error = 0;
    EXPECT_FALSE(WaitForHandOverEvent(100, &error)) << "no instance is handing over";
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), error);
    ASSERT_TRUE(CreateHandOverEvent());
    std::thread ending([] {
        Sleep(200);
        SignalHandOverEvent();
    });
    EXPECT_TRUE(WaitForHandOverEvent(10000, &error));
    ending.join();
}
