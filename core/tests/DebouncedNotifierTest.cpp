// The debounced notifier of the float pane.
#include <gtest/gtest.h>

#include "core/DebouncedNotifier.h"
#include "core/tests/AppTestHelpers.h"

namespace {

using namespace apptest;

HWND g_notifierTarget = nullptr;
HWND NotifierTarget() {
    return g_notifierTarget;
}

TEST(DebouncedNotifier, PostsTheNewestValueOnceAfterTheDelayAndNeverZero) {
    CRecordingWindow pane;
    g_notifierTarget = pane.window();
    CHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    CDebouncedNotifier notifier(stop.get(), &NotifierTarget, WM_VXL_PANE_ITEM_HIGHLIGHT, 700);
    auto delaysDone = [&](LONG count) {
        return PumpUntil([&] { return notifier.GetCompletedDelaysForTest() >= count; });
    };

    // Highlighted and left again within the delay: nothing is posted.
    EXPECT_TRUE(notifier.Notify(1));
    EXPECT_TRUE(notifier.Notify(0));
    ASSERT_TRUE(delaysDone(1));
    PumpUntil([] { return true; });
    EXPECT_TRUE(pane.received.empty());

    // Kept highlighted: one message with 1.
    EXPECT_TRUE(notifier.Notify(1));
    ASSERT_TRUE(delaysDone(2));
    ASSERT_TRUE(PumpUntil([&] { return !pane.received.empty(); }));
    ASSERT_EQ(1u, pane.received.size());
    EXPECT_EQ(WM_VXL_PANE_ITEM_HIGHLIGHT, pane.received[0].message);
    EXPECT_EQ(1u, pane.received[0].wParam);

    // The same value again is no change; leaving and highlighting again posts again.
    EXPECT_TRUE(notifier.Notify(1));
    EXPECT_TRUE(notifier.Notify(0));
    EXPECT_TRUE(notifier.Notify(1));
    ASSERT_TRUE(delaysDone(3));
    ASSERT_TRUE(PumpUntil([&] { return pane.received.size() >= 2; }));
    EXPECT_EQ(2u, pane.received.size());
    EXPECT_EQ(1u, pane.received.back().wParam);

    // The stop event ends the worker; later requests are refused.
    SetEvent(stop.get());
    EXPECT_TRUE(testkit::PollUntil(20000, [&] {
        notifier.Notify(0);
        return !notifier.Notify(2);
    }));
    g_notifierTarget = nullptr;
}

TEST(DebouncedNotifier, DoesNothingWithoutItsWindow) {
    g_notifierTarget = nullptr;
    CHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    CDebouncedNotifier notifier(stop.get(), &NotifierTarget, WM_VXL_PANE_ITEM_HIGHLIGHT, 700);
    EXPECT_FALSE(notifier.Notify(1));
    SetEvent(stop.get());
}

}  // namespace
