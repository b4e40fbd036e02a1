// The hook service with the built hook library and with stand-ins by its name: the
// installation and its errors, the target the library follows, the query the library
// sends from a real target program through the wait thread, and the query built here on
// the 64-bit road.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/base/Handles.h"
#include "core/base/ProcessInfo.h"
#include "testkit/MessageWindow.h"
#include "testkit/Poll.h"
#include "testkit/Process.h"
#include "testkit/ProgramFolder.h"
#include "testkit/TargetIds.h"
#include "testkit/TargetProgram.h"
#include "tray/HookService.h"
#include "tray/QueryWait.h"
#include "tray/tests/QueryRecorder.h"

namespace {

const CWaitObjectNames kNames = {L"Local\\VxlTestServiceArea", L"Local\\VxlTestServiceNeeded",
                                 L"Local\\VxlTestServiceCompleted"};

UINT MonitoredMessage() {
    return RegisterWindowMessageW(L"VxlTestServiceMonitored");
}

int InstallInto(CVXLDLLService& service, HWND window, int& error) {
    return service.InstallDLLService(window, MonitoredMessage(), kNames.dataNeededName, kNames.dataCompletedName,
                                     kNames.mappingName, false, error, false);
}

bool EndsWith(const CString& text, const wchar_t* tail) {
    const int length = static_cast<int>(wcslen(tail));
    return text.GetLength() >= length && text.Right(length).CompareNoCase(tail) == 0;
}

TEST(HookService, TheBuiltLibraryIsInstalledOnceFollowsTheTargetAndAnswersThroughTheWaitThread) {
    const CString path = testkit::BuiltProgramPath(L"Vexlora.dll");
    CQueryRecorder recorder;
    CVXLDLLService service(MonitoredMessage(), path, false);
    CVXL_Wait_Objs objects(kNames);
    ASSERT_TRUE(objects.CreateWaitObjects());
    CHandle exit(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(objects.StartQueryThread(recorder.get(), exit.get(), kTestQueryMessage, kTestErrorMessage));

    int error = -1;
    ASSERT_EQ(1, InstallInto(service, recorder.get(), error)) << std::wstring(service.LastInstallNote());
    EXPECT_EQ(0, error);
    EXPECT_TRUE(service.IsInstalled());
    EXPECT_NE(-1, service.LastInstallNote().Find(L"Use v.2 WP_Install2"));
    EXPECT_EQ(0, InstallInto(service, recorder.get(), error));
    EXPECT_EQ(2, error);
    EXPECT_STREQ(L"DLL service is already installed, Error code: 2", BuildDllServiceErrorText(error));
    EXPECT_TRUE(service.IsInstalled()) << "the first installation stays";

    testkit::CTargetProgram target;
    ASSERT_TRUE(target.Start(L"/focus:edit").ok());
    SetForegroundWindow(target.window());
    HWND edit = target.Control(IDC_TARGET_EDIT);
    ASSERT_TRUE(testkit::PumpMessagesUntil(10000, [&] { return service.GetTargetWindow() == edit; }));

    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"hello world"));
    SendMessageW(edit, EM_SETSEL, 6, 11);
    CWPQueryData unused;
    EXPECT_EQ(kTargetMessagePosted, service.SendMessageToTargetWindow(1, unused));
    ASSERT_TRUE(testkit::PumpMessagesUntil(10000, [&] { return !recorder.queries.empty(); }));
    const CWPQueryData& query = recorder.queries[0];
    EXPECT_EQ(edit, query.m_targetWindow);
    EXPECT_STREQ(L"Edit", query.m_windowClassName);
    EXPECT_TRUE(EndsWith(query.m_appPath, kTargetExe)) << std::wstring(query.m_appPath);
    EXPECT_STREQ(L"world", query.m_selectedText);
    EXPECT_EQ(WPSEL_READ, query.m_selTextState);

    EXPECT_EQ(1, service.UninstallDLLService());
    EXPECT_FALSE(service.IsInstalled());
    EXPECT_EQ(nullptr, service.GetTargetWindow());
    EXPECT_EQ(0, service.UninstallDLLService()) << "nothing left to remove";
    SetEvent(exit.get());
}

TEST(HookService, LibrariesThatCannotInstallAreReportedAndLeftUnloaded) {
    testkit::CMessageWindow window;
    const struct {
        const wchar_t* name;
        CString path;
        HWND mainWindow;
        int result;
        int error;
        const wchar_t* text;
        const wchar_t* note;
    } kCases[] = {
        {L"first version", testkit::TestProgramPath(L"FakeHookV1\\Vexlora.dll"), window.get(), 1, 0,
         L"Success, Error code: 0", L"NULL == pfn_V2. Use v.1 WP_Install"},
        {L"first version's error", testkit::TestProgramPath(L"FakeHookV1\\Vexlora.dll"), nullptr, 0, 3,
         L"Cant install hook, Error code: 3", L"bSuccess= 0"},
        {L"no installer", testkit::TestProgramPath(L"FakeHookNoInstall\\Vexlora.dll"), window.get(), 0, 5,
         L"Cant GetProcAddress to install function of DLL, Error code: 5", L"NULL == check_pfnWP_Install not found"},
        {L"missing", testkit::TestProgramPath(L"NoSuchFolder\\Vexlora.dll"), window.get(), 0, 4,
         L"Cant load DLL, Error code: 4", L"NULL == hDLLCannot load DLL by "},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << std::wstring(c.name));
        CVXLDLLService service(MonitoredMessage(), c.path, false);
        int error = -1;
        EXPECT_EQ(c.result, InstallInto(service, c.mainWindow, error));
        EXPECT_EQ(c.error, error);
        EXPECT_STREQ(c.text, BuildDllServiceErrorText(error));
        EXPECT_NE(-1, service.LastInstallNote().Find(c.note)) << std::wstring(service.LastInstallNote());
        EXPECT_EQ(c.result == 1, service.IsInstalled());
        EXPECT_EQ(c.result == 1, GetModuleHandleW(c.path) != nullptr) << "loaded only while installed";
        // The first version cannot remove its hooks: the service stays installed.
        EXPECT_EQ(0, service.UninstallDLLService());
        EXPECT_EQ(c.result == 1, service.IsInstalled());
    }
}

TEST(HookService, WithoutAnyTargetNothingIsSent) {
    for (bool wow64 : {false, true}) {
        CVXLDLLService service(MonitoredMessage(), testkit::TestProgramPath(L"NoSuchFolder\\Vexlora.dll"), wow64,
                               [](HWND) { return CString(L"never"); });
        CWPQueryData query;
        EXPECT_EQ(kTargetMessageFailed, service.SendMessageToTargetWindow(0, query));
        EXPECT_STREQ(L"", query.m_selectedText);
        EXPECT_STREQ(wow64 ? L"Use x64 implementation Win7 like" : L"Use x32 implementation XP like",
                     service.GetDllServiceImplName());
    }
}

// On 64-bit Windows the library knows no 64-bit target: the window of the last focus
// event is the target, and the query is filled here with a real copy of its selection.
TEST(HookService, OnTheSixtyFourBitRoadTheQueryIsFilledHere) {
    testkit::CTargetProgram target;
    ASSERT_TRUE(target.Start(L"/focus:copier").ok());
    SetForegroundWindow(target.window());
    HWND copier = target.Control(IDC_TARGET_COPIER);
    ASSERT_TRUE(copier);
    CVXLDLLService service(MonitoredMessage(), testkit::TestProgramPath(L"NoSuchFolder\\Vexlora.dll"), true);
    const WinEventRecord focus = {EVENT_OBJECT_FOCUS, copier, 0, OBJID_CLIENT, CHILDID_SELF, 0};
    service.OnWinEvent(focus, 0);
    const WinEventRecord other = {EVENT_OBJECT_NAMECHANGE, target.window(), 0, OBJID_CLIENT, CHILDID_SELF, 0};
    service.OnWinEvent(other, 0);

    for (int round = 1; round <= 2; ++round) {
        CString text;
        text.Format(L"copied %d", round);
        ASSERT_TRUE(SendMessageW(copier, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.GetString())));
        CWPQueryData query;
        ASSERT_EQ(kTargetQueryFilledHere, service.SendMessageToTargetWindow(0, query));
        EXPECT_EQ(copier, query.m_targetWindow);
        EXPECT_STREQ(kTargetCopierClass, query.m_windowClassName);
        EXPECT_STREQ(text, query.m_selectedText);
        EXPECT_EQ(WPSEL_READ, query.m_selTextState);
        EXPECT_TRUE(EndsWith(query.m_appPath, kTargetExe)) << std::wstring(query.m_appPath);
        EXPECT_EQ(GetKeyboardLayout(GetWindowThreadProcessId(copier, nullptr)), query.m_keyboardLayout);
    }
}

}  // namespace
