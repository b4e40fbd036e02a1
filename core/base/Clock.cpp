#include "core/base/Clock.h"

ULONGLONG CSystemClock::Ticks() {
    return GetTickCount64();
}

SYSTEMTIME CSystemClock::LocalTime() {
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    return now;
}

IClock& SystemClock() {
    static CSystemClock clock;
    return clock;
}
