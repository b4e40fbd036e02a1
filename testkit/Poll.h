// The kit's one way of waiting for something another process does: ask again every
// few milliseconds until the answer is yes or the time-out has passed.
#pragma once

#include <windows.h>

namespace testkit {

constexpr DWORD kPollIntervalMs = 15;

// True as soon as probe() returns true; false when it still says no after timeoutMs.
// probe is asked at least once, and once more after the time-out has passed.
template <class Probe>
bool PollUntil(DWORD timeoutMs, Probe&& probe) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        const bool late = GetTickCount64() >= deadline;
        if (probe()) return true;
        if (late) return false;
        Sleep(kPollIntervalMs);
    }
}

}  // namespace testkit

namespace testkit {

// As PollUntil, but dispatches this thread's messages while it waits: for answers that
// arrive as sent or posted window messages.
template <class Probe>
bool PumpMessagesUntil(DWORD timeoutMs, Probe&& probe) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        if (probe()) return true;
        if (GetTickCount64() >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

}  // namespace testkit
