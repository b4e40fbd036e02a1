// The pane's motion as rules: the narrowing's frames, where an expanding pane lands and a
// moved strip takes it, the place remembered and the double Enter.
#include "history/pane/PaneMotion.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

int Width(const RECT& rect) {
    return rect.right - rect.left;
}

// Fine steps take 2, 4, 6, ... pixels, coarse ones 2, 8, 14, ...; both end at exactly the
// minimum width, the right edge, top and height never moving.
TEST(PaneMotion, TheNarrowingStepsGrowAndEndAtTheMinimumWidth) {
    const RECT start = {700, 40, 1000, 64};
    const struct {
        bool fine;
        std::vector<int> widths;
        DWORD pause;
    } cases[] = {
        {true, {298, 294, 288, 280, 270, 258, 244, 228, 210, 190, 168, 144, 118, 100}, 10},
        {false, {298, 290, 276, 256, 230, 198, 160, 116, 100}, 40},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fine ? "fine" : "coarse");
        const std::vector<RECT> frames = CollapseFrames(start, 1280, 100, c.fine);
        std::vector<int> widths;
        for (const RECT& frame : frames) {
            widths.push_back(Width(frame));
            EXPECT_EQ(start.right, frame.right);
            EXPECT_EQ(start.top, frame.top);
            EXPECT_EQ(start.bottom, frame.bottom);
        }
        EXPECT_EQ(c.widths, widths);
        EXPECT_EQ(c.pause, CollapsePauseMs(c.fine));
    }
}

// A step that would reach or pass the minimum ends the animation at the minimum, and a
// pane already no wider ends at once at the minimum too.
TEST(PaneMotion, AStepThatReachesTheMinimumIsTheLast) {
    const struct {
        RECT window;
        int step;
        RECT expected;
        bool last;
    } cases[] = {
        {{0, 0, 120, 24}, 19, {19, 0, 120, 24}, false},  // one pixel above the minimum
        {{0, 0, 120, 24}, 20, {20, 0, 120, 24}, true},   // exactly at it
        {{0, 0, 120, 24}, 50, {20, 0, 120, 24}, true},   // past it
        {{0, 0, 90, 24}, 2, {-10, 0, 90, 24}, true},     // narrower than the minimum: widened
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        const CCollapseFrame frame = NextCollapseFrame(c.window, 1280, 100, c.step);
        EXPECT_EQ(c.last, frame.last);
        EXPECT_TRUE(EqualRect(&c.expected, &frame.rect))
            << frame.rect.left << "," << frame.rect.top << "," << frame.rect.right << "," << frame.rect.bottom;
    }
}

// A pane that juts out beyond the right edge is pulled inside while it narrows.
TEST(PaneMotion, APaneBeyondTheRightEdgeIsPulledInsideWhileItNarrows) {
    const std::vector<RECT> frames = CollapseFrames({1200, 40, 1500, 210}, 1280, 100, true);
    ASSERT_FALSE(frames.empty());
    for (const RECT& frame : frames) EXPECT_EQ(1280, frame.right);
    EXPECT_EQ(298, Width(frames.front()));
    EXPECT_EQ(100, Width(frames.back()));
}

TEST(PaneMotion, TheStripKeepsTheSpaceRightOfTheSettingsButton) {
    EXPECT_EQ(45, CollapsedMinimumWidth(1000, 960));
    EXPECT_EQ(1, CollapsedMinimumWidth(1000, 1004));
    EXPECT_EQ(kCollapseFallbackWidth, CollapsedMinimumWidth(1000, 1005));
    EXPECT_EQ(kCollapseFallbackWidth, CollapsedMinimumWidth(0, 5000)) << "no button to measure by";
}

// Past an edge the rectangle moves back in; one larger than the screen stays where it is
// in that direction.
TEST(PaneMotion, AnExpandedPaneIsBroughtOntoTheScreen) {
    const RECT screen = {-1280, 0, 1920, 1080};
    const struct {
        const char* name;
        RECT rect;
        RECT expected;
    } cases[] = {
        {"inside", {100, 100, 400, 270}, {100, 100, 400, 270}},
        {"past the right edge", {1800, 100, 2100, 270}, {1620, 100, 1920, 270}},
        {"past the bottom", {100, 1000, 400, 1170}, {100, 910, 400, 1080}},
        {"past both", {1900, 1070, 2200, 1240}, {1620, 910, 1920, 1080}},
        {"before the left edge", {-1400, 100, -1100, 270}, {-1280, 100, -980, 270}},
        {"above the top", {100, -50, 400, 120}, {100, 0, 400, 170}},
        {"wider than the screen", {1000, 100, 5000, 270}, {1000, 100, 5000, 270}},
        {"taller than the screen", {1800, -10, 2100, 2000}, {1620, -10, 1920, 2000}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const RECT fitted = FitIntoScreen(c.rect, screen);
        EXPECT_TRUE(EqualRect(&c.expected, &fitted))
            << fitted.left << "," << fitted.top << "," << fitted.right << "," << fitted.bottom;
    }
}

// The strip narrowed towards its right edge: a moved strip takes the pane along so that
// they share that edge and the top; the place remembered is the pane's, not the strip's.
TEST(PaneMotion, AMovedStripTakesThePaneAlongAndThePanesPlaceIsRemembered) {
    const CPaneRestoreRect restore = {300, 170, 700, 40};
    const CPaneRestoreRect unmoved = FollowStrip(restore, {950, 40, 1000, 64});
    EXPECT_EQ(700, unmoved.left);
    EXPECT_EQ(40, unmoved.top);
    const CPaneRestoreRect moved = FollowStrip(restore, {900, 100, 950, 124});
    EXPECT_EQ(650, moved.left);
    EXPECT_EQ(100, moved.top);
    EXPECT_EQ(300, moved.width);
    EXPECT_EQ(170, moved.height);

    const RECT strip = {900, 100, 950, 124};
    const struct {
        bool collapsed;
        CPaneRestoreRect restore;
        POINT expected;
    } cases[] = {
        {true, moved, {650, 100}},
        {false, moved, {900, 100}},
        {true, CPaneRestoreRect(), {900, 100}},
    };
    for (const auto& c : cases) {
        const POINT place = PanePlaceToRemember(c.collapsed, c.restore, strip);
        EXPECT_EQ(c.expected.x, place.x);
        EXPECT_EQ(c.expected.y, place.y);
    }
}

// Two Enters on the same item within 500 ms paste it once; a slower one, another item or
// no item only starts a new count. Tick counts that wrap around still count.
TEST(PaneMotion, TheSecondEnterOnTheSameItemWithinHalfASecondPastes) {
    const struct {
        const char* name;
        std::vector<std::pair<int, DWORD>> presses;
        std::vector<bool> pastes;
    } cases[] = {
        {"quick", {{3, 1000}, {3, 1499}}, {false, true}},
        {"too slow", {{3, 1000}, {3, 1500}}, {false, false}},
        {"slow, then quick", {{3, 1000}, {3, 1600}, {3, 1700}}, {false, false, true}},
        {"another item", {{3, 1000}, {4, 1100}, {4, 1200}}, {false, false, true}},
        {"a third press starts anew", {{3, 1000}, {3, 1100}, {3, 1200}, {3, 1300}}, {false, true, false, true}},
        {"no item", {{-1, 1000}, {-1, 1100}}, {false, false}},
        {"across the wrap", {{5, 0xFFFFFF00u}, {5, 0x00000010u}}, {false, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CDoubleEnter record;
        std::vector<bool> pastes;
        for (const auto& press : c.presses) pastes.push_back(IsSecondEnter(record, press.first, press.second));
        EXPECT_EQ(c.pastes, pastes);
    }
}

}  // namespace
