// The scope guards: the thread's last error, and the foreground guard with a real
// foreground window of another program inside the test's own virtual desktop.
#include <gtest/gtest.h>

#include <string>

#include "core/AppGuards.h"
#include "core/base/Security.h"
#include "core/tests/AppTestHelpers.h"
#include "testkit/TargetIds.h"
#include "testkit/TestKit.h"

namespace {

using namespace apptest;

TEST(LastError, IsTakenAndClearedAndItsTextIsTheStoredCodes) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    CLastErrorInfo info;
    EXPECT_EQ(0u, GetLastError());
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), info.GetCode());
    EXPECT_EQ(std::wstring(L"2"), info.FormatErrorCode());
    EXPECT_EQ(W(GetErrorMessageText(ERROR_FILE_NOT_FOUND)), std::wstring(info.FormatMessageText()));
}

TEST(AutoForegroundWindow, TakesTheForegroundForItsScopeAndGivesItBack) {
    testkit::CTestProcess target;
    ASSERT_TRUE(target.Start(testkit::TestProgramPath(kTargetExe), L"/focus:edit"));
    testkit::CResult<HWND> targetWindow = target.WaitForWindow({kTargetTitle, kTargetClass});
    ASSERT_TRUE(targetWindow);
    ASSERT_TRUE(testkit::FocusControl(GetDlgItem(targetWindow.value(), IDC_TARGET_EDIT)));
    ASSERT_EQ(targetWindow.value(), GetForegroundWindow());

    CRecordingWindow own;
    ShowWindow(own.window(), SW_SHOWNOACTIVATE);
    {
        CAutoForegroundWindow guard(own.window());
        EXPECT_EQ(targetWindow.value(), guard.GetPreviousForeground());
        EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == own.window(); }));
    }
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == targetWindow.value(); }));
}

}  // namespace
