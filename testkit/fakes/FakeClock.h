// A clock that moves only when a test moves it.
#pragma once

#include <windows.h>

#include "core/base/Clock.h"

class CFakeClock final : public IClock {
public:
    ULONGLONG ticks = 1000;
    // Thursday, 5 March 2026, 14:07:09.250.
    SYSTEMTIME localTime = {2026, 3, 4, 5, 14, 7, 9, 250};

    ULONGLONG Ticks() override { return ticks; }
    SYSTEMTIME LocalTime() override { return localTime; }
    void Advance(ULONGLONG ms) { ticks += ms; }
};
