#pragma once
// The date-time type of the program: days since 1899-12-30 00:00, the
// fraction being the time of day. Valid for the years 1 to 9999.
#include <cstdint>

using TDateTime = double;

constexpr double MSecsPerDay = 86400000.0;
// 0001-01-01 and the last millisecond of 9999-12-31.
constexpr TDateTime MinDateTime = -693593.0;
constexpr TDateTime MaxDateTime = 2958465.99999999;

struct TDateParts
{
    int Year = 0, Month = 0, Day = 0;
};

struct TTimeParts
{
    int Hour = 0, Minute = 0, Second = 0, MilliSecond = 0;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);  // 0 for a month outside 1..12
bool IsValidDate(int year, int month, int day);

// False for an invalid date or time; the result is then left unchanged.
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int milliSecond, TDateTime& result);

// False when the value lies outside the years 1 to 9999 or is not finite.
bool TryDecodeDate(TDateTime value, TDateParts& result);
bool TryDecodeTime(TDateTime value, TTimeParts& result);

// Milliseconds since 1970-01-01 00:00 UTC, without any local-time correction.
TDateTime UnixMsToDateTime(int64_t unixMs);
// The inverse, to the nearest millisecond.
int64_t DateTimeToUnixMs(TDateTime value);

// Adds whole months, keeping the day of the month where it exists and the
// last day of the month otherwise; false outside the years 1 to 9999.
bool TryIncMonth(TDateTime value, int months, TDateTime& result);
