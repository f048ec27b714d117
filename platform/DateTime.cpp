#include "platform/DateTime.h"

#include <cmath>

namespace {

constexpr int DaysBeforeMonth[2][13] = {
    {0, 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334},
    {0, 0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335},
};

// Days from 0001-01-01 (day 0) to 1899-12-30.
constexpr int64_t DateDelta = 693593;

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month)
{
    static constexpr int days[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month];
}

bool IsValidDate(int year, int month, int day)
{
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result)
{
    if (!IsValidDate(year, month, day))
        return false;
    const int64_t y = year - 1;
    const int64_t days =
        y * 365 + y / 4 - y / 100 + y / 400 + DaysBeforeMonth[IsLeapYear(year) ? 1 : 0][month] + day - 1;
    result = static_cast<double>(days - DateDelta);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int milliSecond, TDateTime& result)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || milliSecond < 0 ||
        milliSecond > 999)
        return false;
    const int64_t ms = ((int64_t(hour) * 60 + minute) * 60 + second) * 1000 + milliSecond;
    result = static_cast<double>(ms) / MSecsPerDay;
    return true;
}

namespace {

// Splits a date-time into whole days since 0001-01-01 and milliseconds of the
// day. A negative value keeps its time of day in the absolute fraction.
bool SplitDateTime(TDateTime value, int64_t& days, int64_t& ms)
{
    if (!std::isfinite(value) || value <= MinDateTime - 1 || value >= MaxDateTime + 1e-3)
        return false;
    const double whole = std::trunc(value);
    ms = static_cast<int64_t>(std::nearbyint(std::fabs(value - whole) * MSecsPerDay));
    days = static_cast<int64_t>(whole) + DateDelta;
    if (ms >= static_cast<int64_t>(MSecsPerDay)) {
        ms -= static_cast<int64_t>(MSecsPerDay);
        days += value < 0 ? -1 : 1;
    }
    return days >= 0 && days <= 3652058;
}

}  // namespace

bool TryDecodeDate(TDateTime value, TDateParts& result)
{
    int64_t days = 0, ms = 0;
    if (!SplitDateTime(value, days, ms))
        return false;
    // Civil-from-days on the proleptic Gregorian calendar, days counted from 0001-01-01.
    int64_t n = days;
    const int64_t n400 = n / 146097;
    n %= 146097;
    int64_t n100 = n / 36524;
    if (n100 == 4)
        n100 = 3;
    n -= n100 * 36524;
    const int64_t n4 = n / 1461;
    n %= 1461;
    int64_t n1 = n / 365;
    if (n1 == 4)
        n1 = 3;
    n -= n1 * 365;
    const int year = static_cast<int>(n400 * 400 + n100 * 100 + n4 * 4 + n1 + 1);
    const int leap = IsLeapYear(year) ? 1 : 0;
    int month = 12;
    while (DaysBeforeMonth[leap][month] > n)
        --month;
    result.Year = year;
    result.Month = month;
    result.Day = static_cast<int>(n - DaysBeforeMonth[leap][month]) + 1;
    return true;
}

bool TryDecodeTime(TDateTime value, TTimeParts& result)
{
    int64_t days = 0, ms = 0;
    if (!SplitDateTime(value, days, ms))
        return false;
    result.MilliSecond = static_cast<int>(ms % 1000);
    ms /= 1000;
    result.Second = static_cast<int>(ms % 60);
    ms /= 60;
    result.Minute = static_cast<int>(ms % 60);
    result.Hour = static_cast<int>(ms / 60);
    return true;
}

TDateTime UnixMsToDateTime(int64_t unixMs)
{
    // 1970-01-01 is day 25569 of the day count.
    return 25569.0 + static_cast<double>(unixMs) / MSecsPerDay;
}

int64_t DateTimeToUnixMs(TDateTime value)
{
    return static_cast<int64_t>(std::llround((value - 25569.0) * MSecsPerDay));
}

bool TryIncMonth(TDateTime value, int months, TDateTime& result)
{
    TDateParts d;
    if (!TryDecodeDate(value, d))
        return false;
    int64_t total = int64_t(d.Year) * 12 + (d.Month - 1) + months;
    if (total < 12 || total > 9999 * 12 + 11)
        return false;
    const int year = static_cast<int>(total / 12);
    const int month = static_cast<int>(total % 12) + 1;
    const int day = d.Day > DaysInMonth(year, month) ? DaysInMonth(year, month) : d.Day;
    TDateTime date = 0;
    if (!TryEncodeDate(year, month, day, date))
        return false;
    const double frac = std::fabs(value - std::trunc(value));
    result = date >= 0 ? date + frac : date - frac;
    return true;
}
