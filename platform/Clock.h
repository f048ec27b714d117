#pragma once
// The system clock in UTC, replaceable so that tests can run "at 11:59 UTC".
#include "platform/DateTime.h"

#include <functional>

TDateTime SystemNowUTC();
// An empty function restores the system clock.
void SetClockForTesting(std::function<TDateTime()> clock);
