// Label steps: the 1-2-5 rule, the date-time step table and calendar stepping.
#include "chart/DateTimeSteps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TDateTime Date(int y, int m, int d)
{
    TDateTime v = 0;
    EXPECT_TRUE(TryEncodeDate(y, m, d, v));
    return v;
}

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

TEST(AxisSteps, NextStep125)
{
    struct Case { double In, Out; };
    const Case cases[] = {
        {1, 2}, {1.5, 2}, {2, 5}, {4.9, 5}, {5, 10}, {9.99, 10}, {10, 20}, {150, 200},
        {0.3, 0.5}, {0.07, 0.1}, {2.94, 5}, {1e300, 2e300},
        // Inputs that would recurse forever fall back to fixed steps.
        {Inf, 1}, {0, 1e-12}, {-3, 1e-12}, {1e-310, 1e-12}, {NaN, 1e-12},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(NextStep125(c.In), c.Out) << c.In;
}

TEST(AxisSteps, DateTimeTableLookup)
{
    EXPECT_EQ(FindDateTimeStep(3), DtThreeDays);
    EXPECT_EQ(FindDateTimeStep(3 + 1e-12), DtThreeDays);
    EXPECT_EQ(FindDateTimeStep(365), DtOneYear);
    EXPECT_EQ(FindDateTimeStep(1.0 / 24), 12);
    EXPECT_EQ(FindDateTimeStep(2.5), -1);
    EXPECT_EQ(FindDateTimeStep(400), -1);
    struct Case { double In, Out; };
    const Case next[] = {
        {3, 7}, {7, 15}, {15, 30}, {30, 60}, {120, 182}, {182, 365}, {200, 365}, {365, 365},
        {OneSecond, 5 * OneSecond}, {4 * OneSecond, 5 * OneSecond}, {1, 2}, {1.5, 2},
    };
    for (const Case& c : next)
        EXPECT_DOUBLE_EQ(NextDateTimeTableStep(c.In), c.Out) << c.In;
}

TEST(AxisSteps, DateTimeLabelStepWidensThreeDays)
{
    struct Case { int N; double Increment, Range, Step; };
    const Case cases[] = {
        {16, 3, 47.5, 3},        // 16 three-day labels fit
        {15, 3, 47.5, 7},        // one short: a week
        {6, 3, 47.5, 15},        // half months
        {3, 3, 47.5, 15},        // round(47.5 / 15) = 3 still fits
        {2, 3, 47.5, 30},        // months
        {1, 3, 47.5, 60},
        {5, 3, 3650, 730},       // beyond a year the step doubles
        {10, 0, 1, 0.25},        // one day, no wanted step: 2 hours would give 12 labels, so 6
        {0, 3, 47.5, OneMicroSecond},
        {10, 1e-300, 47.5, 7},   // a step far below the range is lifted first
        {10, 1e300, 47.5, 1e300},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(DateTimeLabelStep(c.N, c.Increment, c.Range), c.Step) << c.N << " " << c.Range;
    // Infinite ranges give up without spinning.
    EXPECT_FALSE(DateTimeLabelStep(10, 3, Inf) < 3);
    EXPECT_DOUBLE_EQ(DateTimeLabelStep(10, 3, NaN), 3);
}

TEST(AxisSteps, ValueLabelStep)
{
    struct Case { int N; double Increment, Range; bool Raise; double Step; };
    const Case cases[] = {
        {15, 0, 47, false, 5},
        {15, 1, 47, false, 5},
        {3, 0, 47, false, 20},
        {10, 0, 5, true, 1},        // few points along a horizontal axis: whole numbers
        {10, 0, 5, false, 0.5},
        {10, 0, 1, true, 0.1},      // a range below 1.1 is not raised
        {10, 0, 0, false, 1},
        {0, 0, 47, false, 1e-12},
        {10, 1e300, 47, false, 1e300},  // wanted step beyond the range stays
        {10, 1e-300, 47, false, 5},     // climbs from far below
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(ValueLabelStep(c.N, c.Increment, c.Range, c.Raise, 10), c.Step) << c.N << " " << c.Range;
    const double huge = ValueLabelStep(10, 0, 1e300, false, 10);
    EXPECT_TRUE(std::isfinite(huge));
    EXPECT_LE(std::nearbyint(1e300 / huge), 10);
    EXPECT_DOUBLE_EQ(ValueLabelStep(10, 0, NaN, false, 10), 1e-12);
    // Near the top of the double range the next step overflows to infinity: the range stands in.
    EXPECT_DOUBLE_EQ(ValueLabelStep(1, 0, 1.7e308, false, 10), 1.7e308);
    EXPECT_NEAR(ValueLabelStep(10, 0, 1.7e308, false, 10) / 2e307, 1, 1e-12);
}

TEST(AxisSteps, CalendarFirstLabel)
{
    const TDateTime june23 = Date(2021, 6, 23) + 0.7;
    struct Case { int K; TDateTime Expected; };
    const Case cases[] = {
        {DtOneDay, Date(2021, 6, 23)}, {DtThreeDays, Date(2021, 6, 23)}, {19, Date(2021, 6, 23)},
        {DtHalfMonth, Date(2021, 6, 15)}, {DtOneMonth, Date(2021, 6, 1)}, {25, Date(2021, 6, 1)},
        {DtOneYear, Date(2021, 1, 1)},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(CalendarFirstLabel(june23, c.K), c.Expected) << c.K;
    EXPECT_DOUBLE_EQ(CalendarFirstLabel(Date(2021, 6, 14), DtHalfMonth), Date(2021, 6, 1));
    // Not after 1900-01-01, or beyond the calendar: the maximum itself.
    EXPECT_DOUBLE_EQ(CalendarFirstLabel(1.5, DtOneDay), 1.5);
    EXPECT_DOUBLE_EQ(CalendarFirstLabel(3e6, DtOneMonth), 3e6);
}

TEST(AxisSteps, CalendarStepBackAcrossMonthAndYearEnds)
{
    struct Case { int K; TDateTime From, To; };
    const Case cases[] = {
        {DtHalfMonth, Date(2021, 6, 23), Date(2021, 6, 15)},
        {DtHalfMonth, Date(2021, 6, 15), Date(2021, 6, 1)},
        {DtHalfMonth, Date(2021, 6, 2), Date(2021, 6, 1)},
        {DtHalfMonth, Date(2021, 6, 1), Date(2021, 5, 15)},
        {DtHalfMonth, Date(2021, 1, 1), Date(2020, 12, 15)},
        {DtOneMonth, Date(2021, 3, 1), Date(2021, 2, 1)},
        {DtOneMonth, Date(2021, 1, 1), Date(2020, 12, 1)},
        {22, Date(2021, 1, 1), Date(2020, 11, 1)},
        {23, Date(2021, 2, 1), Date(2020, 11, 1)},
        {24, Date(2021, 4, 1), Date(2020, 12, 1)},
        {25, Date(2021, 3, 1), Date(2020, 9, 1)},
        {DtOneYear, Date(2021, 1, 1), Date(2020, 1, 1)},
        {DtThreeDays, Date(2021, 3, 1), Date(2021, 3, 1) - 3},
        // Outside the calendar the step is plain arithmetic.
        {DtOneMonth, 3e6, 3e6 - 30},
        {DtOneYear, Date(1, 1, 1), Date(1, 1, 1) - 365},
    };
    for (const Case& c : cases) {
        const double inc = c.K == DtThreeDays ? 3 : DateTimeStepTable[c.K];
        EXPECT_DOUBLE_EQ(CalendarStepBack(c.From, c.K, inc), c.To) << c.K << " " << c.From;
    }
}
