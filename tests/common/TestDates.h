#pragma once
// Moments written as a calendar date and time of day (UTC) in a test's data.
#include "platform/DateTime.h"

// A date that does not exist fails the test.
TDateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int ms = 0);

// The program's clock (platform/Clock.h) stands at `now` for the scope's length.
class TPinnedClock
{
public:
    explicit TPinnedClock(TDateTime now);
    ~TPinnedClock();
    TPinnedClock(const TPinnedClock&) = delete;
    TPinnedClock& operator=(const TPinnedClock&) = delete;
};
