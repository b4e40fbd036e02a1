// The float pane as a window over a history handler of a clipboard in memory and a desktop
// of the test's own: where it opens and what it remembers, how it collapses, narrows,
// expands, blinks and turns transparent, its title, and how it pastes into the window the
// user came from.
#include "history/pane/FloatPane.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

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

// The mouse where the test puts it, activation that works or not, and the Ctrl+V presses
// and sounds counted, with what the clipboard held at each press.
class CFakeDesktop : public IPaneDesktop {
public:
    explicit CFakeDesktop(CFakeClipboard& clipboard) : m_clipboard(clipboard) {}
    POINT cursor = {-30000, -30000};
    bool leftButton = false;
    HWND target = nullptr;
    bool activates = true;
    HWND foreground = nullptr;
    std::vector<HWND> activated;
    std::vector<CString> pasted;
    int sounds = 0;

    POINT CursorPos() override { return cursor; }
    bool IsLeftButtonDown() override { return leftButton; }
    HWND GetTargetWindowOther() override { return target && IsWindow(target) ? target : nullptr; }
    bool ActivateWindow(HWND window) override {
        activated.push_back(window);
        if (activates) foreground = GetAncestor(window, GA_ROOT);
        return activates;
    }
    HWND ForegroundWindow() override { return foreground; }
    void SendCtrlV() override { pasted.push_back(ClipboardText()); }
    void PlayPasteSound() override { ++sounds; }

    CString ClipboardText() {
        std::vector<BYTE> bytes;
        if (!m_clipboard.Open(nullptr, 0)) return L"?";
        const bool read = m_clipboard.Read(CF_UNICODETEXT, bytes);
        m_clipboard.Close();
        if (!read || bytes.size() < sizeof(wchar_t)) return CString();
        return CString(reinterpret_cast<const wchar_t*>(bytes.data()),
                       static_cast<int>(bytes.size() / sizeof(wchar_t)) - 1);
    }

private:
    CFakeClipboard& m_clipboard;
};

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
    CVXLFloatPane& OpenPane(bool pump = true, bool blink = false) {
        m_pane = std::make_unique<CVXLFloatPane>(nullptr, m_host, CHistoryListHelp{L"Channel", L"https://t.me/x"},
                                                 m_desktop);
        EXPECT_TRUE(m_pane->Create(*m_handler, true, blink));
        if (pump) {
            PumpMessages();
            EXPECT_TRUE(m_pane->WaitForThreads(10000));
        }
        return *m_pane;
    }
    // Selects the row alone, as a click does.
    void Select(int row) {
        HWND list = m_pane->GetListWindow();
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetItemState(list, row, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
        ListView_SetSelectionMark(list, row);
    }
    LRESULT Notify(UINT control, int code, int item = -1) {
        NMITEMACTIVATE notice = {};
        notice.hdr.hwndFrom = GetDlgItem(*m_pane, static_cast<int>(control));
        notice.hdr.idFrom = control;
        notice.hdr.code = static_cast<UINT>(code);
        notice.iItem = item;
        return SendMessageW(*m_pane, WM_NOTIFY, control, reinterpret_cast<LPARAM>(&notice));
    }
    // Where the strip ends once the narrowing is over: the width right of the settings
    // button of the open pane, and 5 pixels.
    int StripWidth() {
        const int index = static_cast<int>(SendMessageW(m_pane->Toolbar(), TB_COMMANDTOINDEX, ID_OPEN_EDITOR, 0));
        RECT button = {};
        EXPECT_TRUE(m_pane->Toolbar().GetButtonScreenRect(index, button));
        return WindowRect(*m_pane).right - button.right + 5;
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
    CFakeDesktop m_desktop{m_clipboard};
    std::unique_ptr<CVXLFloatPane> m_pane;
};

// Without a stored place the pane opens collapsed and narrowed at the right edge of the
// virtual screen, 40 pixels from the top, and expands to 300 x 170.
TEST_F(FloatPane, TheFirstStartOpensCollapsedAtTheRightEdge) {
    CVXLFloatPane& pane = OpenPane();
    ASSERT_TRUE(pane.IsWindow());
    EXPECT_EQ(pane.m_hWnd, CVXLFloatPane::GetFloatPaneWindow());
    EXPECT_TRUE(pane.Is_Collapsed());
    const int screenWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    RECT rect = WindowRect(pane);
    EXPECT_EQ(screenWidth, rect.right) << "narrowed towards the right edge";
    EXPECT_LT(rect.right - rect.left, 300);
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
    EXPECT_EQ(420, rect.right) << "the strip narrowed towards the right edge";
    EXPECT_EQ(90, rect.top);
    Expand();
    rect = WindowRect(pane);
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

// Every way of collapsing an open pane narrows its strip towards the right edge, to the
// buttons right of the settings button; the way back gives the same rectangle again.
// Escape and its command need the focus in the pane; a collapsed pane ignores them.
TEST_F(FloatPane, EveryCollapseNarrowsTheStripAndExpandingRestoresThePane) {
    Copy(L"item");
    CVXLFloatPane& pane = OpenPane();
    HWND list = pane.GetListWindow();
    const struct {
        const char* name;
        bool pinned;
        std::function<void()> collapse;
    } cases[] = {
        {"the tool bar's button", false, [&] { SendMessageW(pane, WM_COMMAND, ID_PANE_MINIMIZE_TO_CAPTION, 0); }},
        {"the pane's message", false, [&] { SendMessageW(pane, WM_VXL_PANE_SET_COLLAPSED, 1, 0); }},
        {"Escape on the list", false, [&] { SendMessageW(list, WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"the Escape accelerator", false, [&] { SendMessageW(pane, WM_COMMAND, MAKEWPARAM(ID_PANE_COLLAPSE, 1), 0); }},
        {"a double click on the empty list, pinned", true, [&] { Notify(kPaneListId, NM_DBLCLK, -1); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Expand();
        pane.Set_Pinned(c.pinned);
        SetFocus(list);
        const RECT open = WindowRect(pane);
        ASSERT_EQ(300, open.right - open.left);
        const int strip = StripWidth();
        c.collapse();
        EXPECT_TRUE(pane.Is_Collapsed());
        ASSERT_TRUE(pane.WaitForThreads(10000));
        EXPECT_FALSE(pane.Is_Animating());
        RECT rect = WindowRect(pane);
        EXPECT_EQ(open.right, rect.right);
        EXPECT_EQ(open.top, rect.top);
        EXPECT_EQ(kPaneToolbarHeight, rect.bottom - rect.top);
        EXPECT_NEAR(strip, rect.right - rect.left, 2);

        SendMessageW(list, WM_KEYDOWN, VK_ESCAPE, 0);
        SendMessageW(pane, WM_COMMAND, ID_PANE_COLLAPSE, 0);
        EXPECT_TRUE(pane.WaitForThreads(10000));
        EXPECT_TRUE(pane.Is_Collapsed());
        const RECT again = WindowRect(pane);
        EXPECT_TRUE(EqualRect(&rect, &again)) << "a collapsed pane stays as it is";

        Expand();
        rect = WindowRect(pane);
        EXPECT_TRUE(EqualRect(&open, &rect));
        pane.Set_Pinned(false);
    }

    // Without the focus in the pane Escape's command does nothing.
    SetFocus(nullptr);
    SendMessageW(pane, WM_COMMAND, ID_PANE_COLLAPSE, 0);
    EXPECT_FALSE(pane.Is_Collapsed());
}

// A strip moved by the user takes the pane along; the pane opens within the screen even
// when the strip was left at an edge, and the place remembered is the pane's.
TEST_F(FloatPane, AStripMovedToAnEdgeExpandsWithinTheScreen) {
    CVXLFloatPane& pane = OpenPane();
    const RECT screen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                         GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                         GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    const struct {
        const char* name;
        POINT strip;  // top-left of the strip
        RECT expected;
    } cases[] = {
        {"inside", {screen.left + 400, 200}, {0, 200, 0, 370}},
        {"half beyond the right edge", {screen.right - 10, 200}, {screen.right - 300, 200, screen.right, 370}},
        {"below the bottom", {screen.left + 400, screen.bottom - 10}, {0, screen.bottom - 170, 0, screen.bottom}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(pane.Is_Collapsed());
        SetWindowPos(pane, nullptr, c.strip.x, c.strip.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        const RECT strip = WindowRect(pane);
        RECT expected = c.expected;
        if (expected.right == 0) expected = {strip.right - 300, expected.top, strip.right, expected.bottom};
        POINT stored = StoredPosition();
        EXPECT_EQ(strip.right - 300, stored.x) << "the pane's place, not the strip's";
        EXPECT_EQ(strip.top, stored.y);

        Expand();
        const RECT rect = WindowRect(pane);
        EXPECT_TRUE(EqualRect(&expected, &rect))
            << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
        stored = StoredPosition();
        EXPECT_EQ(rect.left, stored.x);
        EXPECT_EQ(rect.top, stored.y);
        SendMessageW(pane, WM_COMMAND, ID_PANE_MINIMIZE_TO_CAPTION, 0);
        ASSERT_TRUE(pane.WaitForThreads(10000));
    }
}

// Expanded while it narrows, the pane ends the narrowing and keeps its full width; gone
// while it narrows, its thread ends and the next window narrows again.
TEST_F(FloatPane, TheNarrowingEndsWhenThePaneOpensOrGoes) {
    CVXLFloatPane& pane = OpenPane();
    Expand();
    SendMessageW(pane, WM_VXL_PANE_SET_COLLAPSED, 1, 0);
    // The thread waits for this thread to move the window: it is still under way.
    EXPECT_TRUE(pane.Is_Animating());
    Expand();
    EXPECT_FALSE(pane.Is_Animating());
    ASSERT_TRUE(pane.WaitForThreads(10000));
    PumpMessages();
    RECT rect = WindowRect(pane);
    EXPECT_EQ(300, rect.right - rect.left);
    EXPECT_EQ(170, rect.bottom - rect.top);

    SendMessageW(pane, WM_VXL_PANE_SET_COLLAPSED, 1, 0);
    EXPECT_TRUE(pane.Is_Animating());
    pane.DestroyWindow();
    ASSERT_TRUE(pane.WaitForThreads(10000));
    EXPECT_FALSE(pane.Is_Animating());

    // The same pane's next window narrows again: a narrowing still marked as running
    // would refuse it.
    ASSERT_TRUE(pane.Create(*m_handler, true, false));
    PumpMessages();
    ASSERT_TRUE(pane.WaitForThreads(10000));
    rect = WindowRect(pane);
    EXPECT_TRUE(pane.Is_Collapsed());
    EXPECT_LT(rect.right - rect.left, 300);
}

// Records the blink steps posted to it.
class CBlinkRecorder : public wtl::CWindowImplBase {
public:
    BEGIN_MSG_MAP(CBlinkRecorder)
    MESSAGE_HANDLER(WM_VXL_PANE_BLINK_STEP, OnStep)
    END_MSG_MAP()
    std::vector<std::pair<WPARAM, LPARAM>> steps;

protected:
    const wchar_t* GetWndClassName() const override { return L"VexloraBlinkRecorder"; }

private:
    LRESULT OnStep(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
        steps.emplace_back(wParam, lParam);
        return 0;
    }
};

// Three times on and off, the last cycle with the pane raised; a stop after the first
// step ends the thread with no further step.
TEST_F(FloatPane, TheBlinkThreadPostsThreeCyclesAndEndsWhenStopped) {
    using Steps = std::vector<std::pair<WPARAM, LPARAM>>;
    const Steps whole = {{1, 0}, {0, 0}, {1, 0}, {0, 0}, {1, 1}, {0, 1}};
    const Steps first = {{1, 0}};
    for (bool stop : {false, true}) {
        SCOPED_TRACE(stop ? "stopped" : "whole");
        CBlinkRecorder recorder;
        ASSERT_TRUE(recorder.Create(HWND_MESSAGE, {0, 0, 1, 1}, L"blink", 0));
        CHandle stopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        CHandle thread;
        ASSERT_TRUE(StartPaneBlinkThread(recorder, stopEvent.get(), thread));
        if (stop) {
            ASSERT_TRUE(testkit::PumpMessagesUntil(10000, [&] { return !recorder.steps.empty(); }));
            SetEvent(stopEvent.get());
        }
        ASSERT_TRUE(testkit::PumpMessagesUntil(10000, [&] { return WaitForSingleObject(thread.get(), 0) == 0; }));
        PumpMessages();
        EXPECT_EQ(stop ? first : whole, recorder.steps);
        recorder.DestroyWindow();
    }
}

// Only a collapsed pane blinks, one blink at a time, a new one too when asked; each step
// lights the tool bar or not, and raises the pane only when asked to.
TEST_F(FloatPane, OnlyACollapsedPaneBlinksAndOnlyRaisedStepsRaiseIt) {
    CVXLFloatPane& pane = OpenPane(false, true);
    EXPECT_TRUE(testkit::PumpMessagesUntil(10000, [&] { return pane.Toolbar().GetBlinkHighlight(); }))
        << "a new window asked to blink does so once it has collapsed";
    ASSERT_TRUE(pane.WaitForThreads(10000));
    PumpMessages();
    Expand();
    EXPECT_FALSE(pane.Start_Blink());
    SendMessageW(pane, WM_VXL_PANE_SET_COLLAPSED, 1, 0);
    EXPECT_TRUE(pane.Start_Blink());
    EXPECT_FALSE(pane.Start_Blink()) << "one blink at a time";
    ASSERT_TRUE(pane.WaitForThreads(10000));
    PumpMessages();

    const struct {
        WPARAM on;
        LPARAM raise;
        bool highlight;
        bool topmost;
    } cases[] = {{1, 0, true, true}, {0, 0, false, false}, {0, 1, false, true}, {1, 1, true, true}};
    auto topmost = [&] { return (GetWindowLongPtrW(pane, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
    SetWindowPos(pane, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    const bool desktopRaises = topmost();
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.on << "," << c.raise);
        SetWindowPos(pane, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
        ASSERT_FALSE(topmost());
        SendMessageW(pane, WM_VXL_PANE_BLINK_STEP, c.on, c.raise);
        EXPECT_EQ(c.highlight, pane.Toolbar().GetBlinkHighlight());
        if (desktopRaises) {
            EXPECT_EQ(c.topmost, topmost());
        }
    }

    EXPECT_TRUE(pane.Start_Blink());
    pane.DestroyWindow();
    EXPECT_TRUE(pane.WaitForThreads(10000));
    EXPECT_FALSE(pane.Start_Blink()) << "no window, no blink";
    if (!desktopRaises) GTEST_SKIP() << "this desktop keeps no window top-most: the raise is not seen";
}

// The mouse resting on the strip opens the pane, unless the strip still narrows, a button
// is held or the mouse is elsewhere; opened so, it closes once the mouse has left, but not
// while pinned.
TEST_F(FloatPane, TheMouseOpensTheStripAndThePaneClosesOnceTheMouseLeft) {
    CVXLFloatPane& pane = OpenPane();
    auto inside = [&] {
        const RECT rect = WindowRect(pane);
        return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    };
    const POINT away = {-30000, -30000};
    const struct {
        const char* name;
        bool narrowing;
        bool button;
        bool mouseInside;
        bool opens;
    } cases[] = {
        {"away", false, false, false, false},
        {"button held", false, true, true, false},
        {"still narrowing", true, false, true, false},
        {"resting on the strip", false, false, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.narrowing) {
            Expand();
            SendMessageW(pane, WM_VXL_PANE_SET_COLLAPSED, 1, 0);
            ASSERT_TRUE(pane.Is_Animating());
        }
        ASSERT_TRUE(pane.Is_Collapsed());
        m_desktop.leftButton = c.button;
        m_desktop.cursor = c.mouseInside ? inside() : away;
        Notify(kPaneToolbarId, kToolbarNotifyMouseRested);
        EXPECT_EQ(c.opens, !pane.Is_Collapsed());
        ASSERT_TRUE(pane.WaitForThreads(10000));
    }
    m_desktop.leftButton = false;

    auto tick = [&] { SendMessageW(pane, WM_TIMER, kPaneAutoCollapseTimer, 0); };
    pane.Set_Pinned(true);
    m_desktop.cursor = away;
    tick();
    EXPECT_FALSE(pane.Is_Collapsed()) << "pinned";
    pane.Set_Pinned(false);
    m_desktop.cursor = inside();
    tick();
    EXPECT_FALSE(pane.Is_Collapsed()) << "the mouse is still on the pane";
    m_desktop.cursor = away;
    EXPECT_TRUE(testkit::PumpMessagesUntil(15000, [&] { return pane.Is_Collapsed(); }))
        << "the timer closes the pane the mouse left";
}

// A double click pastes the item into the previous window: the item on the clipboard,
// that window brought forward, Ctrl+V pressed there with the keyboard sound, the pane
// collapsed unless pinned. Nothing is pasted when the item did not reach the clipboard,
// the window has gone, did not come forward, or is no longer in front when Ctrl+V is due.
TEST_F(FloatPane, ADoubleClickedItemIsPastedIntoThePreviousWindowOnlyWhenItIsInFront) {
    Copy(L"first");
    Copy(L"second");
    CVXLFloatPane& pane = OpenPane();
    CWindowHandle target(
        CreateWindowExW(0, L"STATIC", L"target", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
    CWindowHandle other(
        CreateWindowExW(0, L"STATIC", L"other", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(target.get() && other.get());

    // Through the real timers.
    Expand();
    m_desktop.target = target.get();
    Notify(kPaneListId, NM_DBLCLK, 1);
    ASSERT_TRUE(testkit::PumpMessagesUntil(15000, [&] { return !m_desktop.pasted.empty(); }));
    EXPECT_EQ(std::vector<CString>({L"first"}), m_desktop.pasted);
    EXPECT_EQ(std::vector<HWND>({target.get()}), m_desktop.activated);
    EXPECT_EQ(1, m_desktop.sounds);
    EXPECT_TRUE(pane.Is_Collapsed());
    ASSERT_TRUE(pane.WaitForThreads(10000));

    enum Trouble { kNone, kClipboardHeld, kTargetGone, kNotActivated, kOtherInFront };
    const struct {
        const char* name;
        Trouble trouble;
        bool pinned;
        bool activates;
        bool pastes;
        bool collapses;
    } cases[] = {
        {"pasted", kNone, false, true, true, true},
        {"pasted, pinned", kNone, true, true, true, false},
        {"the clipboard is held", kClipboardHeld, false, false, false, false},
        {"the previous window has gone", kTargetGone, false, false, false, false},
        {"the previous window stays behind", kNotActivated, false, true, false, false},
        {"another window came in front", kOtherInFront, false, true, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Expand();
        pane.Set_Pinned(c.pinned);
        Select(1);
        m_desktop.activated.clear();
        m_desktop.pasted.clear();
        m_desktop.foreground = nullptr;
        m_desktop.target = c.trouble == kTargetGone ? nullptr : target.get();
        m_desktop.activates = c.trouble != kNotActivated;
        m_clipboard.heldByOther = c.trouble == kClipboardHeld;

        SendMessageW(pane, WM_TIMER, kPanePasteTimer, 0);
        m_clipboard.heldByOther = false;
        EXPECT_EQ(c.activates || c.trouble == kNotActivated, !m_desktop.activated.empty());
        if (c.trouble != kClipboardHeld) {
            EXPECT_STREQ(L"first", m_desktop.ClipboardText());
        }
        if (c.trouble == kOtherInFront) m_desktop.foreground = other.get();
        SendMessageW(pane, WM_TIMER, kPaneCtrlVTimer, 0);
        EXPECT_EQ(c.pastes ? std::vector<CString>({L"first"}) : std::vector<CString>(), m_desktop.pasted);
        EXPECT_EQ(c.collapses, pane.Is_Collapsed());
        ASSERT_TRUE(pane.WaitForThreads(10000));
        pane.Set_Pinned(false);
    }

    // Enter twice on the same item pastes it too.
    Expand();
    Select(0);
    m_desktop.target = target.get();
    m_desktop.activates = true;
    m_desktop.pasted.clear();
    SendMessageW(pane.GetListWindow(), WM_KEYDOWN, VK_RETURN, 0);
    SendMessageW(pane.GetListWindow(), WM_KEYDOWN, VK_RETURN, 0);
    SendMessageW(pane, WM_TIMER, kPaneCtrlVTimer, 0);
    EXPECT_EQ(std::vector<CString>({L"second"}), m_desktop.pasted);
}

// A copied item that the history moved to the top is selected there, alone, a moment later.
TEST_F(FloatPane, ACopiedItemIsSelectedWhereTheHistoryMovedIt) {
    Copy(L"a");
    Copy(L"b");
    Copy(L"c");
    CVXLFloatPane& pane = OpenPane();
    Expand();
    HWND list = pane.GetListWindow();
    Select(2);
    ListView_SetItemState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
    const LONG serial = m_handler->Get_Item(2)->Serial();
    Copy(L"a");
    pane.Refresh_List();
    ASSERT_EQ(serial, m_handler->Get_Item(0)->Serial()) << "the copy moved the item to the top";

    pane.ReselectItemLater(serial);
    ASSERT_TRUE(testkit::PumpMessagesUntil(15000, [&] { return ListView_GetSelectionMark(list) == 0; }));
    EXPECT_EQ(std::vector<int>({0}), pane.GetSelectedItems());
    EXPECT_EQ(0, pane.GetFocusedItem());
}

}  // namespace
