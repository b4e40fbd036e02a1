#include "history/pane/HistoryListView.h"

#include <gtest/gtest.h>

#include "core/UiStringIds.h"
#include "core/UiStrings.h"
#include "history/pane/tests/PaneTestWindow.h"

namespace {

TEST(ListHelpLines, LongHintsBreakAfterTheirMiddleAndTheChannelLineJoinsItsParts) {
    const CString longHint = L"Double click on item to copy into clipboard and insert";
    const std::vector<CString> lines =
        BuildListHelpLines(longHint, L"Short hint", {L"Telegram Group", L"https://t.me/vexlora"});
    ASSERT_EQ(3u, lines.size());
    EXPECT_STREQ(L"Double click on item to copy\ninto clipboard and insert", lines[0]);
    EXPECT_STREQ(L"Short hint", lines[1]);
    EXPECT_STREQ(L"Telegram Group \x2022 https://t.me/vexlora", lines[2]);

    const CString noBlankAfterMiddle = L"Only then AVeryLongWordWithoutAnyBlanksToTheEnd";
    EXPECT_STREQ(noBlankAfterMiddle, SplitLongHelpLine(noBlankAfterMiddle));
    EXPECT_EQ(1u, BuildListHelpLines(L"", L"", {L"", L"https://t.me/vexlora"}).size());
}

TEST(TipPlacement, BesideTheItemAwayFromTheScreenEdges) {
    const RECT tip = {0, 0, 100, 40};
    struct Case {
        const char* name;
        RECT item;
        bool placed;
        RECT expected;
    } cases[] = {
        {"upper left: right of the item, tops level", {100, 100, 300, 120}, true, {300, 100, 400, 140}},
        {"right half: left of the item", {1200, 100, 1500, 120}, true, {1100, 100, 1200, 140}},
        {"lower half: bottoms level", {100, 900, 300, 920}, true, {300, 880, 400, 920}},
        {"lower right", {1200, 900, 1500, 920}, true, {1100, 880, 1200, 920}},
        {"never negative", {50, 10, 1400, 30}, true, {0, 10, 100, 50}},
        {"all zero: left alone", {0, 0, 0, 0}, false, {}},
    };
    for (const Case& c : cases) {
        RECT placed = {};
        EXPECT_EQ(c.placed, PlaceTipBesideItem(c.item, tip, 1600, 1200, placed)) << c.name;
        if (!c.placed) continue;
        EXPECT_EQ(c.expected.left, placed.left) << c.name;
        EXPECT_EQ(c.expected.top, placed.top) << c.name;
        EXPECT_EQ(c.expected.right, placed.right) << c.name;
        EXPECT_EQ(c.expected.bottom, placed.bottom) << c.name;
    }
}

class HistoryList : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pane.Create(nullptr, {0, 0, 420, 360}, L"pane", WS_OVERLAPPEDWINDOW | WS_VISIBLE));
        RECT client = {};
        GetClientRect(pane, &client);
        ASSERT_TRUE(list.Create(pane, client, WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_NOCOLUMNHEADER, 0, 100));
        LVCOLUMNW column = {};
        column.mask = LVCF_WIDTH;
        column.cx = 380;
        SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
        PumpMessages();
    }
    void TearDown() override {
        if (pane.IsWindow()) pane.DestroyWindow();
    }
    LPARAM PointOfItem(int index) {
        RECT bounds = {};
        bounds.left = LVIR_BOUNDS;
        SendMessageW(list, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&bounds));
        return MAKELPARAM(bounds.left + 10, (bounds.top + bounds.bottom) / 2);
    }

    CRecordingPane pane;
    CHistoryListView list{{L"Telegram Group", L"https://t.me/vexlora"}};
};

TEST_F(HistoryList, APressBelowTheLastItemDragsThePaneAndOneOnAnItemSelectsIt) {
    list.SetCount(3, -1);
    const RECT empty = list.GetEmptyRect();
    ASSERT_FALSE(IsRectEmpty(&empty));
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, empty.top + 10));
    EXPECT_EQ(1, pane.Count(WM_SYSCOMMAND, SC_MOVE | HTCAPTION));

    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, PointOfItem(1));
    SendMessageW(list, WM_LBUTTONUP, 0, PointOfItem(1));
    PumpMessages();
    EXPECT_EQ(1, pane.Count(WM_SYSCOMMAND, SC_MOVE | HTCAPTION));
    std::vector<int> selected;
    EXPECT_EQ(1, list.GetSelected(selected));
    EXPECT_EQ(std::vector<int>{1}, selected);
}

TEST_F(HistoryList, SelectionHelpersReportInIndexOrder) {
    list.SetCount(6, -1);
    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    for (int index : {4, 1, 2}) SendMessageW(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));
    std::vector<int> selected;
    EXPECT_EQ(3, list.GetSelected(selected));
    EXPECT_EQ((std::vector<int>{1, 2, 4}), selected);
    EXPECT_TRUE(list.HasMultiSelection());

    EXPECT_EQ(6, list.DeselectAll());
    EXPECT_EQ(0, list.GetSelected(selected));
    EXPECT_TRUE(selected.empty());
    EXPECT_FALSE(list.HasMultiSelection());
}

TEST_F(HistoryList, AnEmptyListShowsTheFramedHelpOverItsWholeClientArea) {
    RECT client = {};
    GetClientRect(list, &client);
    const RECT empty = list.GetEmptyRect();
    EXPECT_TRUE(EqualRect(&client, &empty));
    EXPECT_TRUE(list.IsPointInEmpty({10, 10}));

    InvalidateRect(list, nullptr, TRUE);
    UpdateWindow(list);
    ASSERT_EQ(3u, list.GetHelpLines().size());
    EXPECT_EQ(LoadUiString(IDS_QUICK_COPY_HINT).Left(10), list.GetHelpLines()[1].Left(10));
    EXPECT_STREQ(L"Telegram Group \x2022 https://t.me/vexlora", list.GetHelpLines()[2]);

    // The frame's inside, left of the right-aligned text.
    HDC dc = GetDC(list);
    const COLORREF inside = GetPixel(dc, client.left + 7, client.bottom - 7);
    ReleaseDC(list, dc);
    if (inside == CLR_INVALID) GTEST_SKIP() << "the desktop gives no pixels back";
    EXPECT_EQ(GetSysColor(COLOR_INFOBK), inside);

    list.ClearHelpLines();
    EXPECT_TRUE(list.GetHelpLines().empty());
}

TEST_F(HistoryList, AFullListLeavesNoEmptyArea) {
    list.SetCount(200, -1);
    const RECT empty = list.GetEmptyRect();
    EXPECT_TRUE(IsRectEmpty(&empty));
    EXPECT_FALSE(list.IsPointInEmpty({10, 10}));
}

TEST_F(HistoryList, TheSameAutoPopDelayAgainSendsNothing) {
    HWND tip = list.GetToolTips();
    ASSERT_TRUE(tip);
    EXPECT_TRUE(list.SetTipAutoPopDelay(5000));
    EXPECT_EQ(5000, SendMessageW(tip, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0));
    SendMessageW(tip, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(1234, 0));
    EXPECT_TRUE(list.SetTipAutoPopDelay(5000));
    EXPECT_EQ(1234, SendMessageW(tip, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0));
    EXPECT_TRUE(list.SetTipAutoPopDelay(7000));
    EXPECT_EQ(7000, SendMessageW(tip, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0));
}

TEST_F(HistoryList, TheMouseFilterSeesOnlyMouseMessages) {
    static int calls = 0;
    calls = 0;
    list.SetMouseFilter(
        [](MSG* message, LPARAM argument) -> BOOL {
            ++calls;
            return message->message == static_cast<UINT>(argument);
        },
        WM_LBUTTONDOWN);
    MSG down = {list, WM_LBUTTONDOWN, 0, 0, 0, {}};
    MSG move = {list, WM_MOUSEMOVE, 0, 0, 0, {}};
    MSG key = {list, WM_KEYDOWN, 0, 0, 0, {}};
    EXPECT_TRUE(list.PreTranslateMessage(&down));
    EXPECT_FALSE(list.PreTranslateMessage(&move));
    EXPECT_FALSE(list.PreTranslateMessage(&key));
    EXPECT_EQ(2, calls);
}

}  // namespace
