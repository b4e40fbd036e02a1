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
