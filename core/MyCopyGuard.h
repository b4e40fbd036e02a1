// The my-copy guard: the clipboard history must never record what this program itself
// put on the clipboard. Two things suppress capture, kept apart so that neither can
// undo the other:
//  - the lock count, raised by every CMyCopyLock around a clipboard write of ours and by
//    the asynchronous block that covers a paste still to reach the target; it never goes
//    below zero;
//  - the copy flag, set while another part of the system (the hook's simulated copy, the
//    float pane) is between its "Local\Vexlora_StartCopy" and "Local\Vexlora_EndCopy"
//    signals.
// Capture is suppressed while either is held. Everything here is safe from any thread.
#pragma once

#include <windows.h>

class CMyCopyLock {
public:
    CMyCopyLock();
    ~CMyCopyLock();
    CMyCopyLock(const CMyCopyLock&) = delete;
    CMyCopyLock& operator=(const CMyCopyLock&) = delete;
};

// True while a clipboard change must not become a history item.
bool IsMyCopyActive();
// True while the clipboard still holds what was written under the lock that ended last:
// a listener's notice of that write is posted, so it arrives after the lock is gone.
bool IsClipboardChangeOurs();
LONG GetMyCopyLockCount();
bool GetMyCopyFlag();

// Raises and lowers the lock count, logging "PULSEMY_COPY=<count>"; a release with no
// lock held is logged as an error and leaves the count at zero.
void MyCopyLockAcquire();
void MyCopyLockRelease();
// Set by the StartCopy watcher, cleared by the EndCopy one.
void SetMyCopyFlag(bool set);
// Count and flag back to zero: the history handler does it once its window exists.
void ResetMyCopyGuard();

// Watches the two copy events (made by CreateCopyEvents) until `stopEvent` is set.
// False when an event is missing or the watch cannot start.
bool StartCopyEventWatchers(HANDLE stopEvent);

// Blocks capture for kAsyncCopyBlockMs: raises the lock count now; when the time is up
// a short thread posts WM_DELAY_UNLOCK to `handler`, whose OnDelayUnlock lowers it
// again. When `exitEvent` is set first the thread ends without posting. False (and the
// count unchanged) when the thread cannot start.
const DWORD kAsyncCopyBlockMs = 3000;
bool Start_AsynBlockClipboardHandler(HWND handler, HANDLE exitEvent, DWORD blockMs = kAsyncCopyBlockMs);
// WM_DELAY_UNLOCK: lowers the count when it is not zero.
void OnDelayUnlock();
