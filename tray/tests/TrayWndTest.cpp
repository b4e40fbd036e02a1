// The tray window's message table in this process, with a fake clipboard-history
// handler: what each message does to the window's state and to the handler.
#include <windows.h>
#include <wtsapi32.h>

#include <gtest/gtest.h>

#include <vector>

#include "core/base/Handles.h"
#include "core/base/NamedObjects.h"
#include "tray/TrayWnd.h"

namespace {

class CFakeHistory : public ITrayClipboardHistory {
public:
    bool installed = true;
    int countQueries = 0;
    std::vector<WPARAM> told;

    bool IsSpyInstalled() override { return installed; }
    int ItemCount() override {
        ++countQueries;
        return 3;
    }
    bool InstallSpy(bool) override { return installed = true; }
    bool RemoveSpy() override {
        installed = false;
        return true;
    }
    void NotifySessionChange(WPARAM reason) override { told.push_back(reason); }
};

class TrayWnd : public ::testing::Test {
protected:
    void SetUp() override {
        m_exit.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        m_tray = std::make_unique<CVXLTrayWnd>(m_exit.get(), true, nullptr);
        ASSERT_TRUE(m_tray->Create(GetModuleHandleW(nullptr)));
        m_tray->SetClipboardHistory(&m_history);
    }
    void TearDown() override {
        if (m_tray && IsWindow(m_tray->m_hWnd)) DestroyWindow(m_tray->m_hWnd);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) {
        return SendMessageW(m_tray->m_hWnd, message, wParam, lParam);
    }
    LRESULT NotifyHistoryChanged(DWORD reason) {
        CHistoryChangedNotify notify = {};
        notify.header.idFrom = kHistoryControlId;
        notify.header.code = kHistoryNotifyChanged;
        notify.reason = reason;
        return Send(WM_NOTIFY, kHistoryControlId, reinterpret_cast<LPARAM>(&notify));
    }

    CHandle m_exit;
    CFakeHistory m_history;
    std::unique_ptr<CVXLTrayWnd> m_tray;
};

// The history is asked for its count only when the clipboard really changed since the
// last notification.
TEST_F(TrayWnd, AHistoryChangeWithTheSameClipboardDoesNothing) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    NotifyHistoryChanged(kHistoryCaptured);
    EXPECT_EQ(1, m_history.countQueries);
    NotifyHistoryChanged(kHistoryCaptured);
    EXPECT_EQ(1, m_history.countQueries) << "same sequence number: nothing is read";
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    NotifyHistoryChanged(kHistoryItemsRemoved);
    EXPECT_EQ(2, m_history.countQueries);
}

TEST_F(TrayWnd, SessionChangesReachTheRuleAndTheHistorysListeners) {
    Send(WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 1);
    EXPECT_FALSE(m_history.installed);
    Send(WM_WTSSESSION_CHANGE, 0xBEEF, 1);
    EXPECT_FALSE(m_history.installed) << "an unknown reason changes nothing";
    Send(WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 1);
    EXPECT_TRUE(m_history.installed);
    EXPECT_EQ((std::vector<WPARAM>{WTS_SESSION_LOCK, 0xBEEF, WTS_SESSION_UNLOCK}), m_history.told);
}

TEST_F(TrayWnd, CopyDataIsTakenOnlyAsTheHookLibrarysRecord) {
    BYTE record[kCommandReplySize] = {};
    COPYDATASTRUCT exact = {kHookReplyTag, kCommandReplySize, record};
    COPYDATASTRUCT other = {7, kCommandReplySize, record};
    COPYDATASTRUCT small = {kHookReplyTag, 4, record};
    EXPECT_EQ(TRUE, Send(WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&exact)));
    EXPECT_EQ(FALSE, Send(WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&other)));
    EXPECT_EQ(FALSE, Send(WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&small)));
}

TEST_F(TrayWnd, ErrorReportsAreCollectedOnlyAsTextsOfThisProgram) {
    const wchar_t* report = L"the float pane could not load its list";
    EXPECT_EQ(1, Send(GetReportErrorMessage(), 0, reinterpret_cast<LPARAM>(report)));
    EXPECT_EQ(0, Send(GetReportErrorMessage(), 0, 0x10)) << "no memory of this program lies there";
    EXPECT_EQ(0, Send(GetReportErrorMessage(), 0, 0));
    ASSERT_EQ(1u, m_tray->GetCollectedErrors().size());
    EXPECT_STREQ(report, m_tray->GetCollectedErrors()[0]);
}

// However the window goes, the exit event is set and the loop is told to end.
TEST_F(TrayWnd, DestroyingTheWindowSetsTheExitEventAndEndsTheLoop) {
    DestroyWindow(m_tray->m_hWnd);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m_exit.get(), 0));
    MSG message = {};
    EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
