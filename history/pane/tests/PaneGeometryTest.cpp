// Where the float pane opens and how its children fill it.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "history/pane/PaneGeometry.h"

namespace {

::testing::AssertionResult SameRect(const RECT& expected, const RECT& actual) {
    if (EqualRect(&expected, &actual)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected {" << expected.left << "," << expected.top << ","
                                         << expected.right << "," << expected.bottom << "} got {" << actual.left << ","
                                         << actual.top << "," << actual.right << "," << actual.bottom << "}";
}

TEST(PaneGeometry, ThePaneOpensAtTheRightEdgeOrWhereTheUserLeftIt) {
    EXPECT_TRUE(SameRect(RECT{1620, 40, 1920, 210}, DefaultFloatPaneRect(1920)));
    EXPECT_TRUE(SameRect(RECT{100, 200, 400, 370}, FloatPaneRectAt(POINT{100, 200})));
}

// A remembered place that no monitor shows any more is brought onto the nearest one; a
// place whose top strip is still on a monitor is left alone.
TEST(PaneGeometry, APlaceNoMonitorShowsIsMovedOntoTheNearestMonitor) {
    const std::vector<RECT> monitors = {RECT{0, 0, 1920, 1040}, RECT{1920, 0, 3200, 1024}};
    struct Case {
        POINT stored;
        RECT expected;
    } cases[] = {
        {{100, 200}, {100, 200, 400, 370}},      // on the primary monitor
        {{3000, 900}, {3000, 900, 3300, 1070}},  // the strip is on the second monitor
        {{5000, 100}, {2900, 100, 3200, 270}},   // right of everything: onto the second
        {{-4000, -300}, {0, 0, 300, 170}},       // far up left: onto the primary
        {{500, 1100}, {500, 870, 800, 1040}},    // below the primary's work area
        {{100, -23}, {100, -23, 400, 147}},      // one pixel of the strip still shows
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored.x);
        EXPECT_TRUE(SameRect(c.expected, KeepPaneReachable(FloatPaneRectAt(c.stored), monitors)));
    }
    const RECT pane = FloatPaneRectAt(POINT{5000, 5000});
    EXPECT_TRUE(SameRect(pane, KeepPaneReachable(pane, {}))) << "nothing known of the monitors";
    EXPECT_FALSE(MonitorWorkAreas().empty());
}

TEST(PaneGeometry, ThePositionIsRememberedOnlyAsTheUserPlacedIt) {
    const RECT work = {0, 0, 1920, 1040};
    const RECT placed = {100, 100, 400, 270};
    EXPECT_TRUE(ShouldRememberPanePosition(false, true, placed, work));
    EXPECT_FALSE(ShouldRememberPanePosition(false, true, work, work)) << "sized to the work area";
    EXPECT_FALSE(ShouldRememberPanePosition(true, true, placed, work));
    EXPECT_FALSE(ShouldRememberPanePosition(false, false, placed, work));
}

TEST(PaneGeometry, TheListFillsThePaneBelowTheToolBar) {
    const CPaneLayout layout = LayoutPane(RECT{0, 0, 300, 170}, 24);
    EXPECT_TRUE(SameRect(RECT{0, 0, 300, 24}, layout.toolbar));
    EXPECT_TRUE(SameRect(RECT{2, 24, 298, 168}, layout.list));
    const CPaneLayout tiny = LayoutPane(RECT{0, 0, 3, 20}, 24);
    EXPECT_GE(tiny.list.right, tiny.list.left);
    EXPECT_GE(tiny.list.bottom, tiny.list.top);

    EXPECT_EQ((std::vector<int>{296}), FitColumns(296, {50}));
    EXPECT_EQ((std::vector<int>{60, 40, 196}), FitColumns(296, {60, 40, 10}));
    EXPECT_EQ((std::vector<int>{200, 150, 0}), FitColumns(296, {200, 150, 10}));
    EXPECT_TRUE(FitColumns(296, {}).empty());
}

TEST(PaneGeometry, TheTitleCountsTheItems) {
    EXPECT_EQ(std::wstring(L"Clipboard History[12] : Vexlora"), std::wstring(FloatPaneTitle(12).GetString()));
}

}  // namespace
