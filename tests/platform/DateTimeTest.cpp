#include "platform/DateFormat.h"
#include "platform/DateTime.h"

#include <gtest/gtest.h>

namespace {

TDateTime Date(int y, int m, int d)
{
    TDateTime t = -1;
    EXPECT_TRUE(TryEncodeDate(y, m, d, t));
    return t;
}

TEST(DateTime, EncodesKnownDays)
{
    struct Case
    {
        int y, m, d;
        double expected;
    };
    const Case cases[] = {
        {1899, 12, 30, 0},    {1899, 12, 31, 1},  {1900, 1, 1, 2},         {1970, 1, 1, 25569},
        {2021, 6, 23, 44370}, {1, 1, 1, -693593}, {9999, 12, 31, 2958465},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Date(c.y, c.m, c.d), c.expected) << c.y << "-" << c.m << "-" << c.d;
        TDateParts p;
        // A negative date keeps its time of day in the absolute fraction.
        ASSERT_TRUE(TryDecodeDate(c.expected < 0 ? c.expected - 0.75 : c.expected + 0.75, p));
        EXPECT_EQ(p.Year, c.y);
        EXPECT_EQ(p.Month, c.m);
        EXPECT_EQ(p.Day, c.d);
    }
}

TEST(DateTime, RoundTripsEveryDayOfFourCenturies)
{
    TDateTime t = Date(1800, 1, 1);
    const TDateTime end = Date(2200, 12, 31);
    int y = 1800, m = 1, d = 1;
    for (; t <= end; t += 1) {
        TDateParts p;
        ASSERT_TRUE(TryDecodeDate(t, p));
        ASSERT_EQ(p.Year * 10000 + p.Month * 100 + p.Day, y * 10000 + m * 100 + d);
        if (++d > DaysInMonth(y, m)) {
            d = 1;
            if (++m > 12) {
                m = 1;
                ++y;
            }
        }
    }
}

TEST(DateTime, RejectsInvalidDatesAndTimes)
{
    TDateTime t = 7;
    EXPECT_FALSE(TryEncodeDate(2021, 2, 29, t));
    EXPECT_FALSE(TryEncodeDate(2021, 13, 1, t));
    EXPECT_FALSE(TryEncodeDate(0, 1, 1, t));
    EXPECT_FALSE(TryEncodeDate(10000, 1, 1, t));
    EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, t));
    EXPECT_FALSE(TryEncodeTime(12, 60, 0, 0, t));
    EXPECT_EQ(t, 7);
    EXPECT_TRUE(TryEncodeDate(2020, 2, 29, t));
    TDateParts p;
    EXPECT_FALSE(TryDecodeDate(MaxDateTime + 2, p));
    EXPECT_FALSE(TryDecodeDate(MinDateTime - 1, p));
    EXPECT_FALSE(TryDecodeDate(std::numeric_limits<double>::quiet_NaN(), p));
}

TEST(DateTime, DecodesTimeToTheMillisecond)
{
    TDateTime t = 0;
    ASSERT_TRUE(TryEncodeTime(12, 13, 7, 250, t));
    TTimeParts p;
    ASSERT_TRUE(TryDecodeTime(44370 + t, p));
    EXPECT_EQ(p.Hour, 12);
    EXPECT_EQ(p.Minute, 13);
    EXPECT_EQ(p.Second, 7);
    EXPECT_EQ(p.MilliSecond, 250);
}

TEST(DateTime, IncMonthClampsTheDay)
{
    TDateTime r = 0;
    ASSERT_TRUE(TryIncMonth(Date(2021, 3, 31), -1, r));
    EXPECT_EQ(r, Date(2021, 2, 28));
    ASSERT_TRUE(TryIncMonth(Date(2021, 1, 15), -2, r));
    EXPECT_EQ(r, Date(2020, 11, 15));
    EXPECT_FALSE(TryIncMonth(Date(1, 1, 1), -1, r));
}

TEST(DateFormat, FormatsThePatternsOfTheProgram)
{
    const TDateTime day = Date(2021, 6, 23) + 0.5;
    const QLocale en(QLocale::English, QLocale::UnitedStates);
    struct Case
    {
        const char* pattern;
        const char* expected;
    };
    const Case cases[] = {
        {"yyyy-mmm-dd", "2021-Jun-23"},
        {"mmm dd", "Jun 23"},
        {"yyyy/mm/dd/", "2021/06/23/"},
        {"yyyymmdd\"1200-crm.grb\"", "202106231200-crm.grb"},
        {"yyyymmdd'1315-crm.grb'", "202106231315-crm.grb"},
        {"d/m/yy", "23/6/21"},
        {"hh:nn:ss", "12:00:00"},
        {"mmmm dddd", "June Wednesday"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatDateTime(c.pattern, day, en), QString(c.expected)) << c.pattern;
    EXPECT_EQ(FormatDateTime("mmm dd", Date(2021, 1, 5), en), "Jan 05");
    EXPECT_EQ(FormatDateTime("yyyy", MaxDateTime + 5, en), "");
}

}  // namespace
