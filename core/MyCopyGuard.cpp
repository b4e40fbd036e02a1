#include "core/MyCopyGuard.h"

#include "core/Instance.h"
#include "core/TrayIds.h"
#include "core/base/Logger.h"
#include "core/base/SharedEvents.h"
#include "core/base/WorkerThread.h"

namespace {

volatile LONG g_lockCount = 0;
volatile LONG g_copyFlag = 0;
// The clipboard's sequence number when the count last left zero, and the one it had when
// the count came back to zero after the clipboard changed under the lock.
volatile LONG g_sequenceAtLock = 0;
volatile LONG g_ownSequence = 0;

LONG ClipboardSequence() {
    return static_cast<LONG>(GetClipboardSequenceNumber());
}

void LogCount(LONG count, bool underflow) {
    LogWriteFormat(underflow ? L"ERROR: PULSEMY_COPY=%d" : L"PULSEMY_COPY=%d", static_cast<int>(count));
}

void SetFlagFromWatcher(WPARAM value) {
    SetMyCopyFlag(value != 0);
}

struct CDelayUnlockJob {
    HWND handler;
    CHandle exit;
    DWORD blockMs;
};

DWORD DelayUnlockThread(CDelayUnlockJob& job) {
    const DWORD started = GetTickCount();
    DWORD result = WAIT_TIMEOUT;
    if (job.exit)
        result = WaitForSingleObject(job.exit.get(), job.blockMs);
    else
        Sleep(job.blockMs);
    // The program is ending: nobody is left to capture anything.
    if (result != WAIT_TIMEOUT) return 0;
    if (IsWindow(job.handler)) PostMessageW(job.handler, WM_DELAY_UNLOCK, 0, 0);
    LogWriteFormat(L"__AsynBlockClipboardHandler_Proc wait complete: timeout=%u", GetTickCount() - started);
    return 0;
}

}  // namespace

CMyCopyLock::CMyCopyLock() {
    MyCopyLockAcquire();
}

CMyCopyLock::~CMyCopyLock() {
    MyCopyLockRelease();
}

bool IsMyCopyActive() {
    return GetMyCopyLockCount() != 0 || GetMyCopyFlag();
}

bool IsClipboardChangeOurs() {
    const LONG own = InterlockedCompareExchange(&g_ownSequence, 0, 0);
    return own != 0 && own == ClipboardSequence();
}

LONG GetMyCopyLockCount() {
    return InterlockedCompareExchange(&g_lockCount, 0, 0);
}

bool GetMyCopyFlag() {
    return InterlockedCompareExchange(&g_copyFlag, 0, 0) != 0;
}

void MyCopyLockAcquire() {
    const LONG count = InterlockedIncrement(&g_lockCount);
    if (count == 1) InterlockedExchange(&g_sequenceAtLock, ClipboardSequence());
    LogCount(count, false);
}

void MyCopyLockRelease() {
    // Never below zero: a count stuck below zero would turn capture off for good.
    for (;;) {
        const LONG current = GetMyCopyLockCount();
        if (current <= 0) {
            LogCount(current - 1, true);
            return;
        }
        if (InterlockedCompareExchange(&g_lockCount, current - 1, current) == current) {
            const LONG sequence = ClipboardSequence();
            if (current == 1 && sequence != InterlockedCompareExchange(&g_sequenceAtLock, 0, 0))
                InterlockedExchange(&g_ownSequence, sequence);
            LogCount(current - 1, false);
            return;
        }
    }
}

void SetMyCopyFlag(bool set) {
    InterlockedExchange(&g_copyFlag, set ? 1 : 0);
}

void ResetMyCopyGuard() {
    InterlockedExchange(&g_lockCount, 0);
    InterlockedExchange(&g_copyFlag, 0);
}

bool StartCopyEventWatchers(HANDLE stopEvent) {
    HANDLE start = GetStartCopyEvent();
    HANDLE end = GetEndCopyEvent();
    if (!start || !end) {
        LogError(L"StartCopyEventWatchers: the copy events are missing");
        return false;
    }
    return StartEventCallWatcher(stopEvent, start, &SetFlagFromWatcher, 1) &&
           StartEventCallWatcher(stopEvent, end, &SetFlagFromWatcher, 0);
}

bool Start_AsynBlockClipboardHandler(HWND handler, HANDLE exitEvent, DWORD blockMs) {
    auto job = std::make_unique<CDelayUnlockJob>(CDelayUnlockJob{handler, DuplicateForWorker(exitEvent), blockMs});
    CHandle thread;
    WorkerOptions options;
    options.stack = kWaitingThreadStack;
    options.suspended = true;
    if (!StartWorker(std::move(job), &DelayUnlockThread, options, &thread)) {
        LogError(L"Cannot start AsynBlockClipboardHandler");
        return false;
    }
    // Raised before the thread runs, so its post always finds the count it is to lower.
    MyCopyLockAcquire();
    ResumeThread(thread.get());
    return true;
}

void OnDelayUnlock() {
    const bool held = GetMyCopyLockCount() != 0;
    if (held) MyCopyLockRelease();
    LogWriteFormat(L"WM_DELAY_UNLOCK received bIsMyCopy=%d", held ? 1 : 0);
}
