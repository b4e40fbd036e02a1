// The float pane as a window over a history handler of a clipboard in memory: where it
// opens and what it remembers, how it collapses and turns transparent, and its title.
#include "history/pane/FloatPane.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/Settings.h"
#include "core/SettingsFile.h"
#include "core/TrayIds.h"
#include "core/base/IniFile.h"
#include "history/ClipboardHandler.h"
#include "history/pane/PaneGeometry.h"
#include "history/pane/tests/PaneTestWindow.h"
#include "history/tests/HistoryTestData.h"
#include "testkit/Poll.h"
#include "testkit/TempFolder.h"
#include "testkit/fakes/FakeClipboard.h"
#include "testkit/fakes/FakeClock.h"

namespace {

using namespace historytest;

RECT WindowRect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

RECT WorkArea() {
    RECT area = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

void ForgetStoredPosition() {
    const CString file = GetSettingsFilePath();
    for (const wchar_t* suffix : {L"_x", L"_y"})
        WritePrivateProfileStringW(GetSettingsAgentSectionName(), CString(kFloatPanePositionKey) + suffix, nullptr,
                                   file);
    IniFlushCache();
}

POINT StoredPosition() {
    POINT point = {-1, -1};
    CVXLSettings::ReadWindowPos(point, kFloatPanePositionKey);
    return point;
}

class FloatPane : public testing::Test {
protected:
    void SetUp() override {
        ForgetStoredPosition();
        CVXLSettings::GetInstance().Pinned_FloatPane_On_Start = false;
        m_folder = testkit::MakeUniqueTempFolder(L"pane") + L"\\ClipboardHistory";
        m_parent.reset(new CRecordingPane);
        ASSERT_TRUE(m_parent->Create(HWND_MESSAGE, {0, 0, 10, 10}, L"tray", 0));
        m_handler = std::make_unique<CVXLWndClipboardHandler>(m_clipboard, m_clock, m_spy, m_folder);
        m_handler->SetSettingsSource(&ListenerHistorySettings);
        ASSERT_TRUE(m_handler->Create(*m_parent, static_cast<UINT>(kHistoryControlId), false));
    }
    void TearDown() override {
        m_pane.reset();
        m_handler.reset();
        if (m_parent->IsWindow()) m_parent->DestroyWindow();
        testkit::RemoveTree(m_folder.Left(m_folder.ReverseFind(L'\\')));
        ForgetStoredPosition();
    }
    CVXLFloatPane& OpenPane(bool pump = true) {
        m_pane = std::make_unique<CVXLFloatPane>(nullptr, m_host, CHistoryListHelp{L"Channel", L"https://t.me/x"});
        EXPECT_TRUE(m_pane->Create(*m_handler, true, false));
        if (pump) PumpMessages();
        return *m_pane;
    }
    void Copy(const wchar_t* text) {
        ++m_clock.localTime.wSecond;
        ASSERT_TRUE(m_clipboard.Open(nullptr, 0));
        ASSERT_TRUE(m_clipboard.Empty());
        const std::vector<BYTE> data = Utf16(text);
        ASSERT_TRUE(m_clipboard.Write(CF_UNICODETEXT, data.data(), data.size()));
        m_clipboard.Close();
        m_handler->OnClipboardChanged(nullptr, 0);
    }
    void Expand() {
        SendMessageW(*m_pane, WM_VXL_PANE_SET_COLLAPSED, 0, 0);
        ASSERT_FALSE(m_pane->Is_Collapsed());
    }
    void Deactivate() { SendMessageW(*m_pane, WM_ACTIVATE, WA_INACTIVE, 0); }

    CFakeClipboard m_clipboard;
    CFakeClock m_clock;
    CSilentNotices m_notices;
    CClipboardSpy m_spy{m_clipboard, m_notices};
    CString m_folder;
    std::unique_ptr<CRecordingPane> m_parent;
    std::unique_ptr<CVXLWndClipboardHandler> m_handler;
    CNoMenuHost m_host;
    std::unique_ptr<CVXLFloatPane> m_pane;
};

// Without a stored place the pane opens collapsed at the right edge of the virtual screen,
// 40 pixels from the top, and expands to 300 x 170.
TEST_F(FloatPane, TheFirstStartOpensCollapsedAtTheRightEdge) {
    CVXLFloatPane& pane = OpenPane();
    ASSERT_TRUE(pane.IsWindow());
    EXPECT_EQ(pane.m_hWnd, CVXLFloatPane::GetFloatPaneWindow());
    EXPECT_TRUE(pane.Is_Collapsed());
    const int screenWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    RECT rect = WindowRect(pane);
    EXPECT_EQ(screenWidth - 300, rect.left);
    EXPECT_EQ(40, rect.top);
    EXPECT_EQ(kPaneToolbarHeight, rect.bottom - rect.top);
    EXPECT_TRUE(pane.Toolbar().IsButtonChecked(ID_PANE_MINIMIZE_TO_CAPTION, false));

    Expand();
    rect = WindowRect(pane);
    EXPECT_EQ(screenWidth - 300, rect.left);
    EXPECT_EQ(40, rect.top);
    EXPECT_EQ(300, rect.right - rect.left);
    EXPECT_EQ(170, rect.bottom - rect.top);
    EXPECT_FALSE(pane.Toolbar().IsButtonChecked(ID_PANE_MINIMIZE_TO_CAPTION, false));

    pane.DestroyWindow();
    EXPECT_EQ(nullptr, CVXLFloatPane::GetFloatPaneWindow());
}

// Shown and fitted as soon as it is made, the pane stays open and grows to hold its
// items within the work area; having grown, it is pinned so that it stays open.
TEST_F(FloatPane, APaneFittedAtOnceStaysOpenAndGrowsForItsItems) {
    for (int i = 0; i < 30; ++i) Copy(CString(L"item ") + static_cast<wchar_t>(L'A' + i));
    CVXLFloatPane& pane = OpenPane(false);
    EXPECT_FALSE(pane.Is_Pinned());
    pane.Fit_And_Show();
    PumpMessages();
    EXPECT_FALSE(pane.Is_Collapsed());
    EXPECT_TRUE(pane.Is_Pinned());
    const RECT rect = WindowRect(pane);
    EXPECT_GT(rect.bottom - rect.top, 170);
    EXPECT_LE(rect.bottom, WorkArea().bottom);
}

// A stored top-left is used as it is; one that no monitor shows is brought onto one.
TEST_F(FloatPane, AStoredPlaceIsUsedAndOneOffEveryMonitorIsBroughtOnScreen) {
    ASSERT_TRUE(CVXLSettings::WriteWindowPos(120, 90, kFloatPanePositionKey));
    CVXLFloatPane& pane = OpenPane();
    RECT rect = WindowRect(pane);
    EXPECT_EQ(120, rect.left);
    EXPECT_EQ(90, rect.top);
    pane.DestroyWindow();

    ASSERT_TRUE(CVXLSettings::WriteWindowPos(-20000, -20000, kFloatPanePositionKey));
    OpenPane();
    rect = WindowRect(*m_pane);
    bool shown = false;
    for (const RECT& area : MonitorWorkAreas())
        shown |= rect.left >= area.left && rect.top >= area.top && rect.left < area.right && rect.top < area.bottom;
    EXPECT_TRUE(shown) << rect.left << "," << rect.top;
}

// Moving stores the top-left only: the next window opens there at the default size. While
// the pane fills the work area nothing is stored, and deactivation brings it back.
TEST_F(FloatPane, OnlyTheTopLeftOfAPaneAsTheUserPlacedItIsStored) {
    CVXLFloatPane& pane = OpenPane();
    Expand();
    SetWindowPos(pane, nullptr, 150, 110, 420, 330, SWP_NOZORDER | SWP_NOACTIVATE);
    POINT stored = StoredPosition();
    EXPECT_EQ(150, stored.x);
    EXPECT_EQ(110, stored.y);

    SendMessageW(pane, WM_NCLBUTTONDBLCLK, HTCAPTION, 0);
    const RECT area = WorkArea();
    RECT rect = WindowRect(pane);
    EXPECT_TRUE(EqualRect(&area, &rect));
    stored = StoredPosition();
    EXPECT_EQ(150, stored.x);
    EXPECT_EQ(110, stored.y);

    pane.Set_Pinned(true);
    Deactivate();
    rect = WindowRect(pane);
    EXPECT_EQ(150, rect.left);
    EXPECT_EQ(110, rect.top);
    EXPECT_EQ(420, rect.right - rect.left);
    EXPECT_EQ(330, rect.bottom - rect.top);

    pane.DestroyWindow();
    OpenPane();
    Expand();
    rect = WindowRect(*m_pane);
    EXPECT_EQ(150, rect.left);
    EXPECT_EQ(110, rect.top);
    EXPECT_EQ(300, rect.right - rect.left);
    EXPECT_EQ(170, rect.bottom - rect.top);
}

// An unpinned pane collapses when it loses the focus; a pinned one stays open and only
// turns 80 percent opaque, until it is active again.
TEST_F(FloatPane, DeactivationCollapsesAnUnpinnedPaneAndFadesAPinnedOne) {
    CVXLFloatPane& pane = OpenPane();
    struct Case {
        bool pinned;
        bool collapsed;
    } cases[] = {{false, true}, {true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pinned ? "pinned" : "unpinned");
        Expand();
        pane.Set_Pinned(c.pinned);
        Deactivate();
        EXPECT_EQ(c.collapsed, pane.Is_Collapsed());
        const RECT rect = WindowRect(pane);
        EXPECT_EQ(c.collapsed ? kPaneToolbarHeight : 170, rect.bottom - rect.top);
        ASSERT_NE(0, GetWindowLongPtrW(pane, GWL_EXSTYLE) & WS_EX_LAYERED);
        BYTE alpha = 0;
        DWORD flags = 0;
        ASSERT_TRUE(GetLayeredWindowAttributes(pane, nullptr, &alpha, &flags));
        EXPECT_EQ(204, alpha);
        EXPECT_NE(0u, flags & LWA_ALPHA);

        SendMessageW(pane, WM_ACTIVATE, WA_ACTIVE, 0);
        EXPECT_EQ(0, GetWindowLongPtrW(pane, GWL_EXSTYLE) & WS_EX_LAYERED);
    }
}

// The title counts the history's items once the list is refreshed, as the list does.
TEST_F(FloatPane, TheTitleAndTheListFollowTheHistory) {
    CVXLFloatPane& pane = OpenPane();
    wchar_t title[128] = {};
    GetWindowTextW(pane, title, 128);
    EXPECT_STREQ(L"Clipboard History[0] : Vexlora", title);

    Copy(L"first");
    Copy(L"second");
    pane.Refresh_List();
    GetWindowTextW(pane, title, 128);
    EXPECT_STREQ(L"Clipboard History[2] : Vexlora", title);
    EXPECT_EQ(2, ListView_GetItemCount(pane.GetListWindow()));
    EXPECT_EQ(2, SendMessageW(pane, WM_VXL_PANE_ITEM_COUNT, 0, 0));
    // The rows read the items, the newest first.
    wchar_t row[64] = {};
    ListView_GetItemText(pane.GetListWindow(), 0, 0, row, 64);
    EXPECT_STREQ(L"second", row);
    ListView_GetItemText(pane.GetListWindow(), 1, 0, row, 64);
    EXPECT_STREQ(L"first", row);
}

// Escape on the list collapses an open pane; on a collapsed one it changes nothing.
TEST_F(FloatPane, EscapeOnTheListCollapsesThePane) {
    CVXLFloatPane& pane = OpenPane();
    Expand();
    for (int press = 0; press < 2; ++press) {
        SendMessageW(pane.GetListWindow(), WM_KEYDOWN, VK_ESCAPE, 0);
        PumpMessages();
        EXPECT_TRUE(pane.Is_Collapsed());
        const RECT rect = WindowRect(pane);
        EXPECT_EQ(kPaneToolbarHeight, rect.bottom - rect.top);
        EXPECT_EQ(300, rect.right - rect.left);
    }
    Expand();
    const RECT rect = WindowRect(pane);
    EXPECT_EQ(170, rect.bottom - rect.top);
}

}  // namespace
