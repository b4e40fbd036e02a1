#include "core/base/WorkerThread.h"

#include <gtest/gtest.h>

namespace {

// Counts the contexts alive, so a test sees who freed what and when.
struct Counted {
    static LONG alive;
    Counted() { InterlockedIncrement(&alive); }
    ~Counted() { InterlockedDecrement(&alive); }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;

    DWORD threadId = 0;
    int priority = 0;
    SIZE_T stackReserve = 0;
    CHandle stop;
};
LONG Counted::alive = 0;

DWORD Note(Counted& context) {
    context.threadId = GetCurrentThreadId();
    context.priority = GetThreadPriority(GetCurrentThread());
    // The stack is one reservation: add up its regions.
    MEMORY_BASIC_INFORMATION here = {};
    VirtualQuery(&here, &here, sizeof here);
    auto* region = static_cast<char*>(here.AllocationBase);
    MEMORY_BASIC_INFORMATION next = {};
    while (VirtualQuery(region, &next, sizeof next) && next.AllocationBase == here.AllocationBase) {
        context.stackReserve += next.RegionSize;
        region += next.RegionSize;
    }
    return 7;
}

// Copies what the worker saw before the context goes with the thread.
Counted* g_seen = nullptr;
DWORD NoteAndCopy(Counted& context) {
    DWORD result = Note(context);
    g_seen->threadId = context.threadId;
    g_seen->priority = context.priority;
    g_seen->stackReserve = context.stackReserve;
    return result;
}

// Waits in short rounds, as the watchers do between deliveries: each round opens the
// handle anew, so a handle closed meanwhile would end it with WAIT_FAILED.
DWORD WaitForStop(Counted& context) {
    for (;;) {
        DWORD result = WaitForSingleObject(context.stop.get(), 20);
        if (result != WAIT_TIMEOUT) return result;
    }
}

DWORD ExitCodeOf(const CHandle& thread) {
    DWORD code = 0;
    GetExitCodeThread(thread.get(), &code);
    return code;
}

}  // namespace

TEST(WorkerThread, TheWorkerRunsElsewhereAndFreesItsContext) {
    Counted seen;
    g_seen = &seen;
    CHandle thread;
    ASSERT_TRUE(StartWorker(std::make_unique<Counted>(), &NoteAndCopy, {}, &thread));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.get(), 20000));
    EXPECT_EQ(7u, ExitCodeOf(thread)) << "the procedure's result is the thread's exit code";
    EXPECT_NE(GetCurrentThreadId(), seen.threadId);
    EXPECT_EQ(THREAD_PRIORITY_NORMAL, seen.priority);
    EXPECT_EQ(1, Counted::alive) << "only the test's own record is left";
}

TEST(WorkerThread, WhenNoThreadStartsTheCallerKeepsTheContext) {
    // A suspended thread without an owner to resume it is refused before any start.
    WorkerOptions unowned;
    unowned.suspended = true;
    auto context = std::make_unique<Counted>();
    EXPECT_FALSE(StartWorker(std::move(context), &Note, unowned));
    ASSERT_NE(nullptr, context) << "the caller may do the work itself";
    EXPECT_EQ(1, Counted::alive);
    EXPECT_EQ(0u, context->threadId) << "nothing ran";
    context.reset();

    EXPECT_FALSE(StartWorker(std::make_unique<Counted>(), &Note, unowned));
    EXPECT_EQ(0, Counted::alive) << "a temporary context goes with the statement";
}

TEST(WorkerThread, OptionsHoldTheThreadBackSetItsPriorityAndReserveItsStack) {
    struct Case {
        const char* name;
        int priority;
        SIZE_T stack;
    };
    const Case cases[] = {
        {"below normal", THREAD_PRIORITY_BELOW_NORMAL, 0},
        // Larger than the program's default, so the reservation shows.
        {"above normal, 4 MB", THREAD_PRIORITY_ABOVE_NORMAL, 4 * 1024 * 1024},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Counted seen;
        g_seen = &seen;
        WorkerOptions options;
        options.priority = c.priority;
        options.stack = c.stack;
        options.suspended = true;
        CHandle thread;
        ASSERT_TRUE(StartWorker(std::make_unique<Counted>(), &NoteAndCopy, options, &thread));
        EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(thread.get(), 200)) << "it waits to be resumed";
        EXPECT_EQ(0u, seen.threadId);
        EXPECT_EQ(1u, ResumeThread(thread.get()));
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.get(), 20000));
        EXPECT_EQ(c.priority, seen.priority) << "set before its first instruction";
        if (c.stack) {
            EXPECT_EQ(c.stack, seen.stackReserve);
        }
    }
}

TEST(WorkerThread, AWorkerWaitsOnItsOwnStopEventWhateverItsOwnerCloses) {
    CHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    CHandle signal = DuplicateForWorker(stop.get());
    ASSERT_TRUE(signal.valid());
    EXPECT_FALSE(DuplicateForWorker(nullptr).valid());

    auto own = std::make_unique<Counted>();
    own->stop = DuplicateForWorker(stop.get());
    ASSERT_NE(stop.get(), own->stop.get());
    CHandle ownThread;
    ASSERT_TRUE(StartWorker(std::move(own), &WaitForStop, {}, &ownThread));
    Sleep(50);

    stop.reset();
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(ownThread.get(), 200)) << "closing the owner's handle stops nothing";
    SetEvent(signal.get());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ownThread.get(), 20000));
    EXPECT_EQ(WAIT_OBJECT_0, ExitCodeOf(ownThread)) << "it ended on the event, not on a broken wait";
    EXPECT_EQ(0, Counted::alive);
}
