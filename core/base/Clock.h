// Time as code that must be testable without waiting sees it. Classes take an IClock&
// in their constructor; the programs pass SystemClock(), tests a clock they move by hand.
#pragma once

#include <windows.h>

class IClock {
public:
    virtual ~IClock() = default;
    // Milliseconds since the system started, for intervals (GetTickCount64).
    virtual ULONGLONG Ticks() = 0;
    // The local date and time, for what the user reads.
    virtual SYSTEMTIME LocalTime() = 0;
};

class CSystemClock final : public IClock {
public:
    ULONGLONG Ticks() override;
    SYSTEMTIME LocalTime() override;
};

IClock& SystemClock();
