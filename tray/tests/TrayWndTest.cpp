// The tray window's message table in this process, with a fake clipboard-history
// handler: what each message does to the window's state and to the handler.
#include <windows.h>
#include <wtsapi32.h>

#include <gtest/gtest.h>

#include <vector>

#include "core/AppTexts.h"
#include "core/Settings.h"
#include "core/ShellHelpers.h"
#include "core/TrayIds.h"
#include "core/base/Handles.h"
#include "core/base/NamedObjects.h"
#include "tray/TrayWnd.h"
#include "tray/tests/TrayFakes.h"

namespace {

class TrayWnd : public ::testing::Test {
protected:
    void SetUp() override {
        m_exit.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        m_tray = std::make_unique<CVXLTrayWnd>(m_exit.get(), true, nullptr);
        ASSERT_TRUE(m_tray->Create(GetModuleHandleW(nullptr)));
        m_history.installed = true;
        m_tray->SetClipboardHistory(&m_history);
        m_tray->SetHookService(&m_hook);
        m_tray->SetQueryExchange(&m_query);
        m_tray->SetFloatPane(&m_pane);
        m_tray->SetRoads(&m_roads);
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

    bool Collected(const CString& text) const {
        for (const CString& error : m_tray->GetCollectedErrors())
            if (error == text) return true;
        return false;
    }

    CHandle m_exit;
    CFakeHistory m_history;
    CFakeHookService m_hook;
    CFakeQueryExchange m_query;
    CFakeFloatPane m_pane;
    CFakeRoads m_roads;
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
    ASSERT_EQ(2u, m_tray->GetCollectedErrors().size()) << "the start's own note and the one report";
    EXPECT_STREQ(report, m_tray->GetCollectedErrors()[1]);
}

// However the window goes, the exit event is set and the loop is told to end.
TEST_F(TrayWnd, DestroyingTheWindowSetsTheExitEventAndEndsTheLoop) {
    DestroyWindow(m_tray->m_hWnd);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m_exit.get(), 0));
    MSG message = {};
    EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// The phrase hot key as the settings give it, with its defaults applied.
void SettingsHotKey(UINT& key, UINT& modifiers) {
    const CVXLSettings& settings = CVXLSettings::GetInstance();
    key = settings.HotkeyVk;
    modifiers = settings.HotkeyModifiers;
    if (key == 0) {
        key = VK_RETURN;
        if (modifiers == 0) modifiers = MOD_ALT | MOD_CONTROL;
    }
}

// Started without installing: the hot key, the hook library and the query thread stay
// off, and the report says why.
TEST_F(TrayWnd, WithoutInstallTheServicesStayOffAndTheReportSaysSo) {
    ASSERT_EQ(1u, m_tray->GetCollectedErrors().size());
    EXPECT_STREQ(L"No install on launch. Flag specifided", m_tray->GetCollectedErrors()[0]);
    EXPECT_EQ(0, m_hook.installs);
    EXPECT_EQ(0, m_query.threadStarts);
    EXPECT_EQ(0, Send(WM_VXL_IS_HOTKEY_REGISTERED, 0, 0));
}

TEST_F(TrayWnd, ServicesStartAndStopInTheirOrder) {
    EXPECT_EQ(1, m_tray->StartServices());
    EXPECT_EQ(1, m_hook.installs);
    EXPECT_EQ(m_tray->m_hWnd, m_hook.window);
    EXPECT_TRUE(m_query.objectsOpen);
    EXPECT_EQ(1, m_query.threadStarts);
    EXPECT_EQ(1, Send(WM_VXL_IS_HOTKEY_REGISTERED, 0, 0));
    EXPECT_EQ(1u, m_tray->GetCollectedErrors().size()) << "nothing beside the start's own note";

    m_tray->StopServices();
    EXPECT_FALSE(m_hook.installed);
    EXPECT_FALSE(m_query.objectsOpen);
    EXPECT_EQ(0, Send(WM_VXL_IS_HOTKEY_REGISTERED, 0, 0));
    // The hot key is free again for anybody.
    UINT key = 0, modifiers = 0;
    SettingsHotKey(key, modifiers);
    ASSERT_TRUE(RegisterHotKey(nullptr, 77, modifiers, key));
    UnregisterHotKey(nullptr, 77);
}

TEST_F(TrayWnd, AMissingHookLibraryIsCollectedWithItsPathAndCode) {
    m_hook.errorCode = 4;
    EXPECT_EQ(0, m_tray->StartServices());
    const CString path = GetHookDllPath();
    const CString expected = BuildHookInstallErrorText(4, path, GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(Collected(expected)) << "collected: " << m_tray->GetCollectedErrors().size();
    EXPECT_NE(-1, expected.Find(L"Cant load DLL, Error code: 4"));
    EXPECT_FALSE(m_tray->IsPhraseHotKeyRegistered()) << "the hot key is given back";
    EXPECT_FALSE(m_query.objectsOpen);
    EXPECT_EQ(0, m_query.threadStarts);
}

TEST_F(TrayWnd, AHotKeyTakenByAnotherWindowIsCollectedAndNothingIsInstalled) {
    UINT key = 0, modifiers = 0;
    SettingsHotKey(key, modifiers);
    CWindowHandle other(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(RegisterHotKey(other.get(), 5, modifiers, key));
    EXPECT_EQ(0, m_tray->StartServices());
    UnregisterHotKey(other.get(), 5);
    EXPECT_TRUE(Collected(L"ERROR: Cannot register hot key " + GetHotKeyText()));
    bool codeCollected = false;
    for (const CString& error : m_tray->GetCollectedErrors())
        codeCollected = codeCollected || error.Find(L"Cannot register hotkey. Error: ") == 0;
    EXPECT_TRUE(codeCollected);
    EXPECT_EQ(0, m_hook.installs);
    EXPECT_FALSE(m_query.objectsOpen);
}

TEST_F(TrayWnd, AQueryThreadThatCannotStartGivesTheHotKeyBack) {
    m_query.threadWorks = false;
    EXPECT_EQ(0, m_tray->StartServices());
    EXPECT_TRUE(Collected(L"ERROR: Cannot start wait thread for query"));
    EXPECT_FALSE(m_tray->IsPhraseHotKeyRegistered());
    EXPECT_FALSE(m_query.objectsOpen);
}

// The exit request of another start: after half a second the window asks itself to end,
// and the exit event is set before the services stop, so no worker outlives them.
TEST_F(TrayWnd, AnExitRequestEndsTheWindowWithTheExitEventSetFirst) {
    ASSERT_EQ(1, m_tray->StartServices());
    m_hook.exitToWatch = m_exit.get();
    // The request comes as another start sends it.
    Send(GetInstanceWatcherMessage(), 1, 0);
    MSG message = {};
    bool command = false;
    while (PeekMessageW(&message, m_tray->m_hWnd, 0, 0, PM_REMOVE)) {
        command = command || (message.message == WM_COMMAND && LOWORD(message.wParam) == ID_APP_EXIT);
        DispatchMessageW(&message);
    }
    EXPECT_TRUE(command) << "the exit command was posted";
    EXPECT_FALSE(IsWindow(m_tray->m_hWnd));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m_exit.get(), 0));
    EXPECT_FALSE(m_hook.installed) << "the services stopped with the window";
    EXPECT_TRUE(m_hook.exitSetAtUninstall);
}

// Requests that only pass on to the piece they concern, and what they answer when that
// piece is not there.
TEST_F(TrayWnd, RequestsReachThePaneAndTheRoadsOnlyWhenTheyAreThere) {
    Send(WM_HOTKEY, 1, 0);
    Send(WM_HOTKEY, 2, 0);
    EXPECT_EQ(1, m_roads.hotKeys) << "only the phrase hot key";
    Send(WM_VXL_COMMAND_FROM_SELF, static_cast<WPARAM>(-1), 0);
    EXPECT_EQ(std::vector<int>{-1}, m_roads.commandsFromSelf);

    EXPECT_EQ(1, Send(WM_VXL_IS_MENU_FREE, 0, 0));
    m_roads.menuShown = true;
    EXPECT_EQ(0, Send(WM_VXL_IS_MENU_FREE, 0, 0));
    m_roads.menuShown = false;

    // The pane's window does not exist: blinks and texts find nothing.
    CString text = L"unchanged";
    Send(WM_VXL_FLOAT_PANE_BLINK, 1, 0);
    EXPECT_TRUE(m_pane.blinks.empty());
    EXPECT_EQ(0, Send(WM_VXL_GET_PANE_SELECTED_TEXT, 0, reinterpret_cast<LPARAM>(&text)));
    EXPECT_STREQ(L"unchanged", text);

    m_pane.window = m_tray->m_hWnd;  // any window will do as the pane's
    m_pane.selected = L"Выбрано";
    Send(WM_VXL_FLOAT_PANE_BLINK, 2, 0);
    EXPECT_EQ(std::vector<WPARAM>{2}, m_pane.blinks);
    EXPECT_EQ(1, Send(WM_VXL_GET_PANE_SELECTED_TEXT, 0, reinterpret_cast<LPARAM>(&text)));
    EXPECT_STREQ(L"Выбрано", text);
    EXPECT_EQ(1, Send(WM_VXL_GET_PANE_ITEM_TEXT, 0, reinterpret_cast<LPARAM>(&text)));
    EXPECT_EQ(0, Send(WM_VXL_GET_PANE_SELECTED_TEXT, 0, 0)) << "no string to fill";
    Send(WM_VXL_ALT_TAB, 1, 0);
    Send(WM_VXL_ALT_TAB, 9, 0);
    EXPECT_EQ(std::vector<int>{1}, m_pane.shows) << "only the two known reasons show the pane";
}

TEST_F(TrayWnd, ThePaneCaptionCarriesTheHistoryCount) {
    CString caption;
    const LRESULT length = Send(WM_VXL_GET_PANE_CAPTION, 0, reinterpret_cast<LPARAM>(&caption));
    EXPECT_EQ(caption.GetLength(), length);
    EXPECT_EQ(0, caption.Find(L"Vexlora - "));
    EXPECT_EQ(caption.GetLength() - 3, caption.Find(L"[3]"));
    EXPECT_EQ(0, Send(WM_VXL_GET_PANE_CAPTION, 0, 0));
}

// A second on the pane's menu item makes the pane blink; moving on before that does not.
TEST_F(TrayWnd, ThePanesMenuItemHeldForASecondMakesThePaneBlink) {
    m_pane.window = m_tray->m_hWnd;
    const auto pumpFor = [](DWORD ms) {
        const ULONGLONG end = GetTickCount64() + ms;
        MSG message;
        while (GetTickCount64() < end) {
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            Sleep(20);
        }
    };
    Send(WM_MENUSELECT, MAKEWPARAM(ID_FLOAT_PANE, 0), 0);
    Send(WM_MENUSELECT, MAKEWPARAM(ID_APP_EXIT, 0), 0);
    pumpFor(1500);
    EXPECT_TRUE(m_pane.blinks.empty());
    Send(WM_MENUSELECT, MAKEWPARAM(ID_SHOW_FLOAT_PANE, 0), 0);
    pumpFor(1500);
    EXPECT_EQ(std::vector<WPARAM>{1}, m_pane.blinks);
}

}  // namespace
