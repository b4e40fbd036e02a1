// What the WinEvent procedure records of focus and foreground events, and what the
// library then hands out as the target, on shared data of the test's own.
#include <windows.h>

#include <gtest/gtest.h>

#include "hooklib/HookInstall.h"
#include "testkit/Process.h"
#include "testkit/TargetIds.h"

namespace {

class HookCore : public ::testing::Test {
protected:
    void SetUp() override { AttachHookLibrary(&m_shared, &m_process); }
    void TearDown() override { AttachHookLibrary(nullptr, nullptr); }

    CWPSharedData m_shared = {};
    CHookProcessState m_process;
};

TEST_F(HookCore, FocusEventsOfOtherProgramsAreRecordedAndTheMainProgramIsLeftOut) {
    testkit::CTestProcess target;
    ASSERT_TRUE(target.Start(testkit::TestProgramPath(kTargetExe), L"/focus:edit"));
    testkit::CResult<HWND> window = target.WaitForWindow(testkit::CWindowQuery{kTargetTitle, L"", target.id()});
    ASSERT_TRUE(window);
    HWND other = window.value();
    HWND own = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    m_shared.mainProcess = GetCurrentProcessId();
    const DWORD otherThread = GetWindowThreadProcessId(other, nullptr);

    const struct {
        DWORD event;
        HWND window;
        LONG objectId;
        HWND current;  // recorded afterwards
        HWND otherWindow;
    } kCases[] = {
        {EVENT_SYSTEM_FOREGROUND, other, OBJID_WINDOW, other, other},
        {EVENT_OBJECT_FOCUS, own, OBJID_WINDOW, own, other},         // the main program: not "other"
        {EVENT_OBJECT_NAMECHANGE, other, OBJID_WINDOW, own, other},  // ignored
        {EVENT_OBJECT_FOCUS, other, OBJID_CLIENT, own, other},       // not the window itself
        {EVENT_OBJECT_LOCATIONCHANGE, other, OBJID_CARET, other, other},
    };
    for (const auto& c : kCases) {
        HookWinEventProc(nullptr, c.event, c.window, c.objectId, 0, otherThread, 0);
        EXPECT_EQ(c.current, WindowOf(m_shared.currentWindow)) << c.event;
        EXPECT_EQ(c.otherWindow, GetTargetWindowOther()) << c.event;
    }
    EXPECT_EQ(otherThread, m_shared.eventThread);
    DestroyWindow(own);
    ASSERT_TRUE(target.Kill(1));
    EXPECT_EQ(nullptr, GetTargetWindowOther()) << "a window that is gone is not handed out";
}

// With no thread information the recorded window stands, until it is gone.
TEST_F(HookCore, TheRecordedWindowIsTheTargetOnlyWhileItExists) {
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    m_shared.currentWindow = ValueOf(window);
    m_shared.eventThread = 0xFFFFFFF0;  // no such thread
    EXPECT_EQ(window, GetCurrentHWND());
    DestroyWindow(window);
    EXPECT_EQ(nullptr, GetCurrentHWND());
}

}  // namespace
