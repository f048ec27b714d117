// Label steps: the 1-2-5 rule, the date-time step table and calendar stepping.
#include "NamedCases.h"
#include "chart/DateTimeSteps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// Parameters are made before any test runs: a date that does not encode is
// NaN, which no checkpoint equals.
TDateTime Day(int y, int m, int d)
{
    TDateTime v = std::numeric_limits<double>::quiet_NaN();
    TryEncodeDate(y, m, d, v);
    return v;
}

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

struct StepCase
{
    const char* Name;
    double In, Out;
};

} // namespace

class NextStep125Test : public ::testing::TestWithParam<StepCase> {};

TEST_P(NextStep125Test, NextStep125)
{
    EXPECT_DOUBLE_EQ(NextStep125(GetParam().In), GetParam().Out);
}

INSTANTIATE_TEST_SUITE_P(AxisSteps, NextStep125Test, ::testing::Values(
    StepCase{"One", 1, 2}, StepCase{"OneAndAHalf", 1.5, 2}, StepCase{"Two", 2, 5}, StepCase{"JustBelowFive", 4.9, 5},
    StepCase{"Five", 5, 10}, StepCase{"JustBelowTen", 9.99, 10}, StepCase{"Ten", 10, 20}, StepCase{"Hundred50", 150, 200},
    StepCase{"Tenths", 0.3, 0.5}, StepCase{"Hundredths", 0.07, 0.1}, StepCase{"AlmostThree", 2.94, 5},
    StepCase{"Huge", 1e300, 2e300},
    // Inputs that would recurse forever fall back to fixed steps.
    StepCase{"Infinite", Inf, 1}, StepCase{"Zero", 0, 1e-12}, StepCase{"Negative", -3, 1e-12},
    StepCase{"Denormal", 1e-310, 1e-12}, StepCase{"NaN", NaN, 1e-12}), CaseName());

TEST(AxisSteps, DateTimeTableLookup)
{
    EXPECT_EQ(FindDateTimeStep(3), DtThreeDays);
    EXPECT_EQ(FindDateTimeStep(3 + 1e-12), DtThreeDays);
    EXPECT_EQ(FindDateTimeStep(365), DtOneYear);
    EXPECT_EQ(FindDateTimeStep(1.0 / 24), 12);
    EXPECT_EQ(FindDateTimeStep(2.5), -1);
    EXPECT_EQ(FindDateTimeStep(400), -1);
}

class NextDateTimeTableStepTest : public ::testing::TestWithParam<StepCase> {};

TEST_P(NextDateTimeTableStepTest, NextDateTimeTableStep)
{
    EXPECT_DOUBLE_EQ(NextDateTimeTableStep(GetParam().In), GetParam().Out);
}

INSTANTIATE_TEST_SUITE_P(AxisSteps, NextDateTimeTableStepTest, ::testing::Values(
    StepCase{"ThreeDays", 3, 7}, StepCase{"Week", 7, 15}, StepCase{"HalfMonth", 15, 30}, StepCase{"Month", 30, 60},
    StepCase{"FourMonths", 120, 182}, StepCase{"HalfYear", 182, 365}, StepCase{"BetweenHalfYearAndYear", 200, 365},
    StepCase{"YearStays", 365, 365}, StepCase{"Second", OneSecond, 5 * OneSecond},
    StepCase{"FourSeconds", 4 * OneSecond, 5 * OneSecond}, StepCase{"Day", 1, 2}, StepCase{"DayAndAHalf", 1.5, 2}),
    CaseName());

namespace {

struct LabelStepCase
{
    const char* Name;
    int N;
    double Increment, Range, Step;
};

} // namespace

class DateTimeLabelStepTest : public ::testing::TestWithParam<LabelStepCase> {};

TEST_P(DateTimeLabelStepTest, WidensThreeDays)
{
    const LabelStepCase& c = GetParam();
    EXPECT_DOUBLE_EQ(DateTimeLabelStep(c.N, c.Increment, c.Range), c.Step);
}

INSTANTIATE_TEST_SUITE_P(AxisSteps, DateTimeLabelStepTest, ::testing::Values(
    LabelStepCase{"SixteenThreeDayLabelsFit", 16, 3, 47.5, 3},
    LabelStepCase{"OneShortGivesAWeek", 15, 3, 47.5, 7},
    LabelStepCase{"HalfMonths", 6, 3, 47.5, 15},
    LabelStepCase{"HalfMonthsStillFitRounded", 3, 3, 47.5, 15},  // round(47.5 / 15) = 3
    LabelStepCase{"Months", 2, 3, 47.5, 30},
    LabelStepCase{"TwoMonths", 1, 3, 47.5, 60},
    LabelStepCase{"BeyondAYearDoubles", 5, 3, 3650, 730},
    // One day, no wanted step: 2 hours would give 12 labels, so 6.
    LabelStepCase{"OneDayWithoutWantedStep", 10, 0, 1, 0.25},
    LabelStepCase{"NoLabelFits", 0, 3, 47.5, OneMicroSecond},
    LabelStepCase{"TinyStepLiftedFirst", 10, 1e-300, 47.5, 7},
    LabelStepCase{"HugeStepStays", 10, 1e300, 47.5, 1e300}), CaseName());

TEST(AxisSteps, DateTimeLabelStepOfNonFiniteRanges)
{
    // Infinite ranges give up without spinning.
    EXPECT_FALSE(DateTimeLabelStep(10, 3, Inf) < 3);
    EXPECT_DOUBLE_EQ(DateTimeLabelStep(10, 3, NaN), 3);
}

namespace {

struct ValueStepCase
{
    const char* Name;
    int N;
    double Increment, Range;
    bool Raise;
    double Step;
};

} // namespace

class ValueLabelStepTest : public ::testing::TestWithParam<ValueStepCase> {};

TEST_P(ValueLabelStepTest, ValueLabelStep)
{
    const ValueStepCase& c = GetParam();
    EXPECT_DOUBLE_EQ(ValueLabelStep(c.N, c.Increment, c.Range, c.Raise, 10), c.Step);
}

INSTANTIATE_TEST_SUITE_P(AxisSteps, ValueLabelStepTest, ::testing::Values(
    ValueStepCase{"MinutesAxis", 15, 0, 47, false, 5},
    ValueStepCase{"MinutesAxisFromOne", 15, 1, 47, false, 5},
    ValueStepCase{"FewLabels", 3, 0, 47, false, 20},
    // Few points along a horizontal axis: whole numbers.
    ValueStepCase{"FewPointsRaisedToWhole", 10, 0, 5, true, 1},
    ValueStepCase{"NotRaised", 10, 0, 5, false, 0.5},
    ValueStepCase{"RangeBelowOnePointOneNotRaised", 10, 0, 1, true, 0.1},
    ValueStepCase{"NoRange", 10, 0, 0, false, 1},
    ValueStepCase{"NoLabelFits", 0, 0, 47, false, 1e-12},
    ValueStepCase{"WantedStepBeyondRangeStays", 10, 1e300, 47, false, 1e300},
    ValueStepCase{"ClimbsFromFarBelow", 10, 1e-300, 47, false, 5}), CaseName());

TEST(AxisSteps, ValueLabelStepOfExtremeRanges)
{
    const double huge = ValueLabelStep(10, 0, 1e300, false, 10);
    EXPECT_TRUE(std::isfinite(huge));
    EXPECT_LE(std::nearbyint(1e300 / huge), 10);
    EXPECT_DOUBLE_EQ(ValueLabelStep(10, 0, NaN, false, 10), 1e-12);
    // Near the top of the double range the next step overflows to infinity: the range stands in.
    EXPECT_DOUBLE_EQ(ValueLabelStep(1, 0, 1.7e308, false, 10), 1.7e308);
    EXPECT_NEAR(ValueLabelStep(10, 0, 1.7e308, false, 10) / 2e307, 1, 1e-12);
}

namespace {

struct CalendarCase
{
    const char* Name;
    int K;
    TDateTime From, To;
};

} // namespace

class CalendarFirstLabelTest : public ::testing::TestWithParam<CalendarCase> {};

TEST_P(CalendarFirstLabelTest, RoundsDownToTheUnit)
{
    EXPECT_DOUBLE_EQ(CalendarFirstLabel(GetParam().From, GetParam().K), GetParam().To);
}

INSTANTIATE_TEST_SUITE_P(AxisSteps, CalendarFirstLabelTest, ::testing::Values(
    CalendarCase{"OneDay", DtOneDay, Day(2021, 6, 23) + 0.7, Day(2021, 6, 23)},
    CalendarCase{"ThreeDays", DtThreeDays, Day(2021, 6, 23) + 0.7, Day(2021, 6, 23)},
    CalendarCase{"Week", 19, Day(2021, 6, 23) + 0.7, Day(2021, 6, 23)},
    CalendarCase{"HalfMonthAfterThe15th", DtHalfMonth, Day(2021, 6, 23) + 0.7, Day(2021, 6, 15)},
    CalendarCase{"HalfMonthBeforeThe15th", DtHalfMonth, Day(2021, 6, 14), Day(2021, 6, 1)},
    CalendarCase{"Month", DtOneMonth, Day(2021, 6, 23) + 0.7, Day(2021, 6, 1)},
    CalendarCase{"HalfYear", 25, Day(2021, 6, 23) + 0.7, Day(2021, 6, 1)},
    CalendarCase{"Year", DtOneYear, Day(2021, 6, 23) + 0.7, Day(2021, 1, 1)},
    // Not after 1900-01-01, or beyond the calendar: the maximum itself.
    CalendarCase{"NotAfter1900", DtOneDay, 1.5, 1.5},
    CalendarCase{"BeyondTheCalendar", DtOneMonth, 3e6, 3e6}), CaseName());

class CalendarStepBackTest : public ::testing::TestWithParam<CalendarCase> {};

TEST_P(CalendarStepBackTest, AcrossMonthAndYearEnds)
{
    const CalendarCase& c = GetParam();
    const double inc = c.K == DtThreeDays ? 3 : DateTimeStepTable[c.K];
    EXPECT_DOUBLE_EQ(CalendarStepBack(c.From, c.K, inc), c.To);
}

INSTANTIATE_TEST_SUITE_P(AxisSteps, CalendarStepBackTest, ::testing::Values(
    CalendarCase{"HalfMonthTo15th", DtHalfMonth, Day(2021, 6, 23), Day(2021, 6, 15)},
    CalendarCase{"HalfMonthFrom15thTo1st", DtHalfMonth, Day(2021, 6, 15), Day(2021, 6, 1)},
    CalendarCase{"HalfMonthFrom2ndTo1st", DtHalfMonth, Day(2021, 6, 2), Day(2021, 6, 1)},
    CalendarCase{"HalfMonthFrom1stToMonthBefore", DtHalfMonth, Day(2021, 6, 1), Day(2021, 5, 15)},
    CalendarCase{"HalfMonthIntoTheYearBefore", DtHalfMonth, Day(2021, 1, 1), Day(2020, 12, 15)},
    CalendarCase{"Month", DtOneMonth, Day(2021, 3, 1), Day(2021, 2, 1)},
    CalendarCase{"MonthIntoTheYearBefore", DtOneMonth, Day(2021, 1, 1), Day(2020, 12, 1)},
    CalendarCase{"TwoMonths", 22, Day(2021, 1, 1), Day(2020, 11, 1)},
    CalendarCase{"ThreeMonths", 23, Day(2021, 2, 1), Day(2020, 11, 1)},
    CalendarCase{"FourMonths", 24, Day(2021, 4, 1), Day(2020, 12, 1)},
    CalendarCase{"HalfYear", 25, Day(2021, 3, 1), Day(2020, 9, 1)},
    CalendarCase{"Year", DtOneYear, Day(2021, 1, 1), Day(2020, 1, 1)},
    CalendarCase{"ThreeDaysArePlainArithmetic", DtThreeDays, Day(2021, 3, 1), Day(2021, 3, 1) - 3},
    // Outside the calendar the step is plain arithmetic.
    CalendarCase{"MonthBeyondTheCalendar", DtOneMonth, 3e6, 3e6 - 30},
    CalendarCase{"YearBeforeTheCalendar", DtOneYear, Day(1, 1, 1), Day(1, 1, 1) - 365}), CaseName());
