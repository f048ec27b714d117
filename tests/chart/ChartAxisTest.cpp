// Axis setters and their checks, value-to-pixel conversion, the label
// positions of the delay chart's date axis, and value label text.
#include "ChartFixture.h"
#include "NamedCases.h"
#include "chart/DateTimeSteps.h"
#include "chart/ValueFormat.h"
#include "tests/common/Faults.h"
#include "platform/DateFormat.h"
#include "tests/common/LocaleText.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <set>

namespace {

std::string ExceptionText(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AxisException& e) {
        return e.what();
    }
    return "(none)";
}

struct SetterCase
{
    const char* Name;
    std::function<void(TChartAxis*)> Call;
    const char* Message;
    // The axis afterwards: a refused value leaves it as it was.
    double Maximum, Minimum, Increment;
};

}  // namespace

TEST(ChartAxis, AutomaticFollowsTheMaximumFlag)
{
    TChart chart;
    TChartAxis* a = chart.LeftAxis();
    a->SetAutomaticMaximum(false);
    EXPECT_FALSE(a->Automatic());
    EXPECT_TRUE(a->AutomaticMinimum());
    a->SetAutomaticMaximum(true);
    EXPECT_TRUE(a->Automatic());
}

class ChartAxisSetterTest : public ::testing::TestWithParam<SetterCase>
{};

TEST_P(ChartAxisSetterTest, RulesAndMessages)
{
    // From the state the accepted calls leave: maximum 47 over minimum 0, increment 3.
    TChart chart;
    TChartAxis* a = chart.LeftAxis();
    a->SetMaximum(47);
    a->SetIncrement(3);
    const SetterCase& c = GetParam();
    EXPECT_EQ(ExceptionText([&] { c.Call(a); }), c.Message);
    EXPECT_EQ(a->Maximum(), c.Maximum);
    EXPECT_EQ(a->Minimum(), c.Minimum);
    EXPECT_EQ(a->Increment(), c.Increment);
}

INSTANTIATE_TEST_SUITE_P(
    ChartAxis, ChartAxisSetterTest,
    ::testing::Values(SetterCase{"Maximum47OverMinimum0", [](TChartAxis* a) { a->SetMaximum(47); }, "(none)", 47, 0, 3},
                      SetterCase{"MaximumBelowMinimum", [](TChartAxis* a) { a->SetMaximum(-1); },
                                 "Axis Maximum Value must be >= Minimum", 47, 0, 3},
                      SetterCase{"MinimumAboveMaximum", [](TChartAxis* a) { a->SetMinimum(48); },
                                 "Axis Minimum Value must be <= Maximum", 47, 0, 3},
                      SetterCase{"NegativeIncrement", [](TChartAxis* a) { a->SetIncrement(-3); },
                                 "Axis increment must be >= 0", 47, 0, 3},
                      SetterCase{"TinyNegativeIncrement", [](TChartAxis* a) { a->SetIncrement(-1e-300); },
                                 "Axis increment must be >= 0", 47, 0, 3},
                      SetterCase{"Increment3", [](TChartAxis* a) { a->SetIncrement(3); }, "(none)", 47, 0, 3},
                      SetterCase{"Increment7", [](TChartAxis* a) { a->SetIncrement(7); }, "(none)", 47, 0, 7}),
    CaseName());

TEST(ChartAxis, DesignDataSkipsTheChecks)
{
    TChart chart;
    TChartAxis* a = chart.LeftAxis();
    a->SetMaximum(47);
    chart.BeginLoading();
    EXPECT_EQ(ExceptionText([&] { a->SetMaximum(-5); }), "(none)");
    a->SetAutomatic(false);
    EXPECT_TRUE(a->AutomaticMaximum()) << "loading stores Automatic alone";
    chart.EndLoading();
    EXPECT_EQ(a->Maximum(), -5);
    EXPECT_EQ(ExceptionText([&] { a->SetIncrement(-1e-300); }), "Axis increment must be >= 0");
    a->SetAutomatic(true);
    EXPECT_TRUE(a->AutomaticMinimum());
    EXPECT_TRUE(a->AutomaticMaximum());
}

TEST(ChartAxis, MinimumFoundAtLastPaintGuardsMaximum)
{
    DelayChart d(std::vector<TDelayPoint>{{44370, -10, 0x46C846}, {44371, 20, 0x46C846}});
    TChartAxis* a = d.Chart->LeftAxis();
    d.Chart->RenderToImage();
    EXPECT_EQ(a->Minimum(), -10) << "a negative height pulls the minimum below 0";
    EXPECT_EQ(ExceptionText([&] { a->SetMaximum(-11); }), "Axis Maximum Value must be >= Minimum");
    EXPECT_EQ(ExceptionText([&] { a->SetMaximum(-10); }), "(none)");
}

namespace {

struct InvalidateCase
{
    const char* Name;
    std::function<void(DelayChart&)> Same, Change;
};

}  // namespace

class ChartAxisInvalidateTest : public ::testing::TestWithParam<InvalidateCase>
{};

TEST_P(ChartAxisInvalidateTest, SettersInvalidateOnlyOnChange)
{
    DelayChart d;
    d.Chart->RenderToImage();
    ASSERT_TRUE(d.Chart->BufferValid());
    GetParam().Same(d);
    EXPECT_TRUE(d.Chart->BufferValid()) << "same value";
    GetParam().Change(d);
    EXPECT_FALSE(d.Chart->BufferValid()) << "new value";
}

INSTANTIATE_TEST_SUITE_P(
    ChartAxis, ChartAxisInvalidateTest,
    ::testing::Values(
        InvalidateCase{"Increment", [](DelayChart& d) { d.Chart->BottomAxis()->SetIncrement(3); },
                       [](DelayChart& d) { d.Chart->BottomAxis()->SetIncrement(7); }},
        InvalidateCase{"DateTimeFormat", [](DelayChart& d) { d.Chart->BottomAxis()->SetDateTimeFormat("mmm dd"); },
                       [](DelayChart& d) { d.Chart->BottomAxis()->SetDateTimeFormat("dd"); }},
        InvalidateCase{"MinorTickCount", [](DelayChart& d) { d.Chart->BottomAxis()->SetMinorTickCount(2); },
                       [](DelayChart& d) { d.Chart->BottomAxis()->SetMinorTickCount(4); }},
        InvalidateCase{"AutomaticMaximum", [](DelayChart& d) { d.Chart->LeftAxis()->SetAutomaticMaximum(false); },
                       [](DelayChart& d) { d.Chart->LeftAxis()->SetAutomaticMaximum(true); }},
        InvalidateCase{"Maximum",
                       [](DelayChart& d) { d.Chart->LeftAxis()->SetMaximum(d.Chart->LeftAxis()->Maximum()); },
                       [](DelayChart& d) { d.Chart->LeftAxis()->SetMaximum(60); }},
        InvalidateCase{"GridPen", [](DelayChart& d) { d.Chart->BottomAxis()->Grid()->SetStyle(TPenStyle::Dot); },
                       [](DelayChart& d) { d.Chart->BottomAxis()->Grid()->SetStyle(TPenStyle::Solid); }},
        InvalidateCase{"Title",
                       [](DelayChart& d) { d.Chart->Title()->SetText({"Delay of CRM data in  /some/folder/"}); },
                       [](DelayChart& d) { d.Chart->Title()->SetText({"other"}); }},
        InvalidateCase{"View3D", [](DelayChart& d) { d.Chart->SetView3D(false); },
                       [](DelayChart& d) { d.Chart->SetView3D(true); }},
        InvalidateCase{"SeriesColour", [](DelayChart& d) { d.Series->SetSeriesColor(d.Series->SeriesColor()); },
                       [](DelayChart& d) { d.Series->SetSeriesColor(0x00FF00); }}),
    CaseName());

namespace {

constexpr int Centre = INT_MIN;  // the axis' centre pixel
constexpr double Inf = std::numeric_limits<double>::infinity();

struct PixelCase
{
    const char* Name;
    bool Left;  // else the bottom (date) axis
    double Value;
    int Pixel;
};

}  // namespace

class ChartAxisPixelTest : public ::testing::TestWithParam<PixelCase>
{};

TEST_P(ChartAxisPixelTest, ValueToPixel)
{
    DelayChart d;
    d.Chart->RenderToImage();
    const PixelCase& c = GetParam();
    TChartAxis* axis = c.Left ? d.Chart->LeftAxis() : d.Chart->BottomAxis();
    EXPECT_EQ(axis->ValueToPixel(c.Value), c.Pixel == Centre ? axis->ICenterPos() : c.Pixel);
}

INSTANTIATE_TEST_SUITE_P(
    ChartAxis, ChartAxisPixelTest,
    ::testing::Values(PixelCase{"ZeroMinutes", true, 0, 246}, PixelCase{"MaximumMinutes", true, 49, 32},
                      PixelCase{"FarAboveClamped", true, 1e12, -MaxAxisPixel},
                      PixelCase{"FarBelowClamped", true, -1e12, MaxAxisPixel},
                      PixelCase{"FarLaterClamped", false, 1e300, MaxAxisPixel},
                      PixelCase{"FarEarlierClamped", false, -1e300, -MaxAxisPixel},
                      // Values with no place on the axis map to its centre.
                      PixelCase{"NaNMinutes", true, std::numeric_limits<double>::quiet_NaN(), Centre},
                      PixelCase{"InfiniteMinutes", true, Inf, Centre},
                      PixelCase{"MinusInfiniteDay", false, -Inf, Centre}),
    CaseName());

TEST(ChartAxis, PixelToValueAndBack)
{
    DelayChart d;
    d.Chart->RenderToImage();
    TChartAxis* left = d.Chart->LeftAxis();
    TChartAxis* bottom = d.Chart->BottomAxis();
    for (int p : {32, 100, 200, 246})
        EXPECT_EQ(left->ValueToPixel(left->PixelToValue(p)), p);
    for (int p : {56, 300, 706})
        EXPECT_EQ(bottom->ValueToPixel(bottom->PixelToValue(p)), p);
}

TEST(ChartAxis, EmptyRangeMapsToCentre)
{
    // Every point on one day: the date axis has no range, every bar stands at its centre.
    DelayChart d(std::vector<TDelayPoint>{{44370, 10, 0x46C846}, {44370, 20, 0x5096FF}});
    d.Chart->RenderToImage();
    TChartAxis* b = d.Chart->BottomAxis();
    EXPECT_EQ(b->Range(), 0);
    EXPECT_EQ(b->ValueToPixel(44370), b->ICenterPos());
    EXPECT_EQ(b->ValueToPixel(0), b->ICenterPos());
    EXPECT_LE(b->TickPositions().size(), 1u);
}

TEST(ChartAxis, DelayChartDateLabelsEveryThirdDayBackFromTheLast)
{
    DelayChart d;
    d.Chart->RenderToImage();
    TChartAxis* b = d.Chart->BottomAxis();
    EXPECT_TRUE(b->IsDateTime());
    EXPECT_EQ(b->LastStep(), 3);
    int k = -1;
    const std::vector<double> values = b->LabelValues(b->LastStep(), &k);
    EXPECT_EQ(k, DtThreeDays);
    ASSERT_EQ(values.size(), 16u);
    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(values[i], d.LastDate - 3.0 * double(i));
    EXPECT_EQ(b->LabelText(values[0]), InLocale("Jun 23"));
    EXPECT_EQ(b->LabelText(-1), QString()) << "a negative date has an empty label";
    ASSERT_EQ(b->TickPositions().size(), 16u);
    EXPECT_EQ(b->TickPositions()[0], b->ValueToPixel(d.LastDate));
}

TEST(ChartAxis, NarrowDateAxisWidensTheThreeDayStep)
{
    // The same 46 days on ever narrower charts: 3 days, then a week, half
    // months on the 1st and 15th, months on the 1st.
    double previous = 0;
    std::set<double> seen;
    for (int width : {728, 520, 400, 300, 220, 160, 120}) {
        DelayChart d;
        d.Chart->resize(width, 289);
        d.Chart->RenderToImage();
        TChartAxis* b = d.Chart->BottomAxis();
        const double step = b->LastStep();
        EXPECT_GE(step, previous) << width;
        previous = step;
        seen.insert(step);
        int k = -1;
        const std::vector<double> values = b->LabelValues(step, &k);
        for (double v : values) {
            TDateParts p;
            ASSERT_TRUE(TryDecodeDate(v, p));
            if (k == DtHalfMonth) {
                EXPECT_TRUE(p.Day == 1 || p.Day == 15) << width << " " << p.Day;
            }
            if (k == DtOneMonth) {
                EXPECT_EQ(p.Day, 1) << width;
            }
            EXPECT_GE(v, b->MinAxisValue());
            EXPECT_LE(v, b->MaxAxisValue());
        }
    }
    EXPECT_TRUE(seen.count(3) && seen.count(7) && seen.count(15) && seen.count(30)) << "steps seen: " << seen.size();
}

TEST(ChartAxis, ValueLabelsOfTheMinutesAxis)
{
    DelayChart d;
    d.Chart->RenderToImage();
    TChartAxis* l = d.Chart->LeftAxis();
    EXPECT_FALSE(l->IsDateTime());
    EXPECT_EQ(l->LastStep(), 5);
    const std::vector<double> values = l->LabelValues(5);
    ASSERT_EQ(values.size(), 10u);
    EXPECT_EQ(values.front(), 45);
    EXPECT_EQ(values.back(), 0);
}

namespace {

struct FormatCase
{
    const char* Name;
    double Value;
    const char* Text;
};

}  // namespace

class ValueFormatTest : public ::testing::TestWithParam<FormatCase>
{};

TEST_P(ValueFormatTest, ThousandsAndThreeDecimals)
{
    EXPECT_EQ(FormatAxisValue(GetParam().Value), InLocale(QString::fromLatin1(GetParam().Text)));
}

INSTANTIATE_TEST_SUITE_P(
    ValueFormat, ValueFormatTest,
    ::testing::Values(FormatCase{"Zero", 0, "0"}, FormatCase{"Five", 5, "5"}, FormatCase{"MinusFive", -5, "-5"},
                      FormatCase{"Millions", 1234567, "1,234,567"},
                      FormatCase{"ThousandsWithDecimal", 1234.5, "1,234.5"},
                      FormatCase{"ThreeDecimals", 0.1234, "0.123"}, FormatCase{"RoundedUpDecimal", 0.0005, "0.001"},
                      FormatCase{"NegativeRoundedToZero", -0.0001, "0"},
                      FormatCase{"RoundedToAThousand", 999.9996, "1,000"}, FormatCase{"Hundreds", 123, "123"},
                      FormatCase{"Thousand", 1000, "1,000"}, FormatCase{"Huge", 1e20, "100,000,000,000,000,000,000"},
                      FormatCase{"NaN", std::numeric_limits<double>::quiet_NaN(), ""}),
    CaseName());

TEST(ValueFormat, LocaleSeparatorsAndHugeValues)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(FormatAxisValue(1234.5, QStringLiteral("#,##0.###"), german), QStringLiteral("1.234,5"));
    EXPECT_EQ(FormatAxisValue(1e300).size(), 301 + 100);
}

// The C library's numeric locale (set from the environment) is not the one
// asked for: the user's (Qt's) locale is.
TEST(ValueFormat, AGermanCLibraryLocaleIsNotTaken)
{
    REQUIRE_LOCALE("de_DE.UTF-8");
    const TScopedCLocale german(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_EQ(FormatAxisValue(1234.5), InLocale("1,234.5"));
    EXPECT_EQ(FormatAxisValue(0.0005), InLocale("0.001"));
}

namespace {

struct AutomaticCase
{
    const char* Name;
    bool LoadedAutomatic;
    bool MaxBefore;
    std::function<void(TChartAxis*)> Call;
    bool Automatic;
    bool Invalidates;
};

}  // namespace

class ChartAxisAutomaticTest : public ::testing::TestWithParam<AutomaticCase>
{};

TEST_P(ChartAxisAutomaticTest, FollowsTheLimitFlagsEvenWhenTheyHoldTheirValue)
{
    // Design data may set Automatic alone; a later limit setter given the value
    // its flag already holds still brings Automatic into line, and repaints.
    const AutomaticCase& c = GetParam();
    DelayChart d;
    TChartAxis* a = d.Chart->BottomAxis();
    a->SetAutomaticMaximum(c.MaxBefore);
    d.Chart->BeginLoading();
    a->SetAutomatic(c.LoadedAutomatic);
    d.Chart->EndLoading();
    d.Chart->RenderToImage();
    c.Call(a);
    EXPECT_EQ(a->Automatic(), c.Automatic);
    EXPECT_EQ(!d.Chart->BufferValid(), c.Invalidates);
}

INSTANTIATE_TEST_SUITE_P(
    ChartAxis, ChartAxisAutomaticTest,
    ::testing::Values(AutomaticCase{"MaximumOnMinimumOn", false, true,
                                    [](TChartAxis* a) { a->SetAutomaticMaximum(true); }, true, true},
                      AutomaticCase{"MinimumOnMaximumOn", false, true,
                                    [](TChartAxis* a) { a->SetAutomaticMinimum(true); }, true, true},
                      AutomaticCase{"MaximumOffAgain", true, false,
                                    [](TChartAxis* a) { a->SetAutomaticMaximum(false); }, false, true},
                      AutomaticCase{"MinimumOnMaximumOff", true, false,
                                    [](TChartAxis* a) { a->SetAutomaticMinimum(true); }, true, false},
                      AutomaticCase{"NothingToChange", true, true, [](TChartAxis* a) { a->SetAutomaticMaximum(true); },
                                    true, false}),
    CaseName());
