#include "tests/common/TestDates.h"

#include "platform/Clock.h"

#include <gtest/gtest.h>

TDateTime At(int year, int month, int day, int hour, int minute, int second, int ms)
{
    TDateTime date = 0, time = 0;
    EXPECT_TRUE(TryEncodeDate(year, month, day, date)) << year << "-" << month << "-" << day;
    EXPECT_TRUE(TryEncodeTime(hour, minute, second, ms, time)) << hour << ":" << minute << ":" << second;
    return date + time;
}

TPinnedClock::TPinnedClock(TDateTime now)
{
    SetClockForTesting([now] { return now; });
}

TPinnedClock::~TPinnedClock() { SetClockForTesting({}); }
