#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/MyCopyGuard.h"
#include "core/TrayIds.h"
#include "core/base/Handles.h"
#include "core/base/SharedEvents.h"
#include "testkit/MessageWindow.h"
#include "testkit/Poll.h"

namespace {

enum Step : char { kLock = 'L', kUnlock = 'U', kStart = 'S', kEnd = 'E' };

class MyCopyGuard : public ::testing::Test {
protected:
    void SetUp() override { ResetMyCopyGuard(); }
    void TearDown() override { ResetMyCopyGuard(); }
};

// Every order of a lock taken and released around a write and a StartCopy/EndCopy pair
// (also an EndCopy that comes first, and a release with no lock held): capture stays
// suppressed exactly while a lock or the copy flag is held, and the count never goes
// below zero.
TEST_F(MyCopyGuard, EveryInterleavingOfLocksAndCopyEventsSuppressesExactlyWhileOneIsHeld) {
    const std::string bases[] = {"LUSE", "LLUUSE", "UUSE", "LUUSE"};
    int orders = 0;
    for (std::string steps : bases) {
        std::sort(steps.begin(), steps.end());
        do {
            ResetMyCopyGuard();
            int locks = 0;
            bool flag = false;
            for (size_t i = 0; i < steps.size(); ++i) {
                switch (steps[i]) {
                    case kLock:
                        MyCopyLockAcquire();
                        ++locks;
                        break;
                    case kUnlock:
                        MyCopyLockRelease();
                        locks = std::max(0, locks - 1);
                        break;
                    case kStart:
                        SetMyCopyFlag(true);
                        flag = true;
                        break;
                    default:
                        SetMyCopyFlag(false);
                        flag = false;
                        break;
                }
                const std::string where = steps + " after step " + std::to_string(i + 1);
                ASSERT_GE(GetMyCopyLockCount(), 0) << where;
                ASSERT_EQ(locks, GetMyCopyLockCount()) << where;
                ASSERT_EQ(locks > 0 || flag, IsMyCopyActive()) << where;
            }
            ++orders;
        } while (std::next_permutation(steps.begin(), steps.end()));
    }
    EXPECT_GT(orders, 100);
}

TEST_F(MyCopyGuard, ScopedLocksNestAndAnEndCopyInsideOneLeavesCaptureOff) {
    {
        CMyCopyLock outer;
        SetMyCopyFlag(true);
        {
            CMyCopyLock inner;
            EXPECT_EQ(2, GetMyCopyLockCount());
            SetMyCopyFlag(false);
            EXPECT_TRUE(IsMyCopyActive()) << "an EndCopy during a write must not turn capture back on";
        }
        EXPECT_TRUE(IsMyCopyActive());
    }
    EXPECT_FALSE(IsMyCopyActive());
    EXPECT_EQ(0, GetMyCopyLockCount());
}

TEST_F(MyCopyGuard, TheNamedCopyEventsSetAndClearTheFlagThroughTheirWatchers) {
    ASSERT_TRUE(CreateCopyEvents());
    CHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(StartCopyEventWatchers(stop.get()));
    // A pulse releases only a waiter that waits at that moment: pulse until it is seen.
    EXPECT_TRUE(testkit::PollUntil(10000, [] { return SignalStartCopy() && GetMyCopyFlag(); }));
    EXPECT_TRUE(IsMyCopyActive());
    EXPECT_EQ(0, GetMyCopyLockCount()) << "the events leave the lock count alone";
    EXPECT_TRUE(testkit::PollUntil(10000, [] { return SignalEndCopy() && !GetMyCopyFlag(); }));
    EXPECT_FALSE(IsMyCopyActive());
    SetEvent(stop.get());
    CloseCopyEvents();
}

TEST_F(MyCopyGuard, WatchersNeedTheCopyEvents) {
    CloseCopyEvents();
    CHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    EXPECT_FALSE(StartCopyEventWatchers(stop.get()));
}

TEST_F(MyCopyGuard, TheAsynchronousBlockHoldsCaptureOffUntilItsUnlockArrives) {
    testkit::CMessageWindow handler;
    ASSERT_NE(nullptr, handler.get());
    CHandle exitEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(Start_AsynBlockClipboardHandler(handler.get(), exitEvent.get(), 200));
    EXPECT_EQ(1, GetMyCopyLockCount());
    EXPECT_TRUE(IsMyCopyActive());
    MSG message = {};
    const bool arrived = testkit::PollUntil(10000, [&] {
        return PeekMessageW(&message, handler.get(), WM_DELAY_UNLOCK, WM_DELAY_UNLOCK, PM_REMOVE) != FALSE;
    });
    ASSERT_TRUE(arrived);
    EXPECT_EQ(1, GetMyCopyLockCount()) << "only the handler lowers the count";
    OnDelayUnlock();
    EXPECT_EQ(0, GetMyCopyLockCount());
    OnDelayUnlock();
    EXPECT_EQ(0, GetMyCopyLockCount()) << "a second unlock finds nothing to lower";
}

TEST_F(MyCopyGuard, AnEndingProgramStopsTheBlockWithoutAnUnlock) {
    testkit::CMessageWindow handler;
    CHandle exitEvent(CreateEventW(nullptr, TRUE, TRUE, nullptr));
    ASSERT_TRUE(Start_AsynBlockClipboardHandler(handler.get(), exitEvent.get(), 100));
    Sleep(600);
    MSG message = {};
    EXPECT_FALSE(PeekMessageW(&message, handler.get(), WM_DELAY_UNLOCK, WM_DELAY_UNLOCK, PM_REMOVE));
}

}  // namespace
