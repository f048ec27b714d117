// Input the setters and the point store accept but the arithmetic could choke
// on: every case must paint (or skip what cannot be drawn) and return.
#include "ChartFixture.h"
#include "NamedCases.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();
const double NaN = std::nan("");

std::vector<TDelayPoint> Points(std::initializer_list<std::pair<double, double>> xy)
{
    std::vector<TDelayPoint> out;
    for (auto [x, y] : xy)
        out.push_back({x, y, 0x46C846});
    return out;
}

struct OddCase
{
    const char* Name;
    std::vector<TDelayPoint> Data;
    std::function<void(TChart*)> Setup;
};

const auto None = [](TChart*) {};

} // namespace

class ChartRobustnessTest : public ::testing::TestWithParam<OddCase> {};

TEST_P(ChartRobustnessTest, OddDataAndSettingsPaintAndReturn)
{
    DelayChart d(GetParam().Data);
    GetParam().Setup(d.Chart.get());
    const QImage image = d.Chart->RenderToImage();
    EXPECT_EQ(d.AfterDrawCount, 1);
    EXPECT_EQ(image.size(), d.Chart->size());
    for (TChartAxis* a : {d.Chart->BottomAxis(), d.Chart->LeftAxis()}) {
        EXPECT_LE(a->TickPositions().size(), 10000u);
        for (int p : a->TickPositions())
            EXPECT_LE(std::abs(p), MaxAxisPixel);
    }
}

INSTANTIATE_TEST_SUITE_P(ChartRobustness, ChartRobustnessTest, ::testing::Values(
    OddCase{"NaNAndInfiniteHeights", Points({{44370, NaN}, {44371, Inf}, {44372, -Inf}, {44373, 10}}), None},
    OddCase{"NaNAndInfiniteDays", Points({{NaN, 5}, {Inf, 5}, {-Inf, 5}, {44373, 10}}), None},
    OddCase{"RangeOf1e300InMinutes", Points({{44370, -1e300}, {44371, 1e300}}),
            [](TChart* c) { c->LeftAxis()->SetAutomaticMaximum(true); }},
    OddCase{"FixedMaximum1e300", Points({{44370, 1}}), [](TChart* c) { c->LeftAxis()->SetMaximum(1e300); }},
    OddCase{"DaysOf1e300", Points({{1e300, 5}, {-1e300, 5}}), None},
    OddCase{"DaysBeyondTheYear9999", Points({{5e6, 5}, {6e6, 7}}), None},
    OddCase{"DaysBeforeTheYear1", Points({{-8e5, 5}, {-7e5, 7}}), None},
    OddCase{"IncrementFarAboveTheRange", DelayPoints(),
            [](TChart* c) { c->BottomAxis()->SetIncrement(1e300); c->LeftAxis()->SetIncrement(1e300); }},
    OddCase{"IncrementFarBelowTheRange", DelayPoints(),
            [](TChart* c) { c->BottomAxis()->SetIncrement(1e-300); c->LeftAxis()->SetIncrement(1e-300); }},
    OddCase{"InfiniteIncrement", DelayPoints(),
            [](TChart* c) { c->BottomAxis()->SetIncrement(Inf); c->LeftAxis()->SetIncrement(Inf); }},
    OddCase{"NaNIncrement", DelayPoints(), [](TChart* c) { c->LeftAxis()->SetIncrement(NaN); }},
    OddCase{"NaNMaximum", DelayPoints(), [](TChart* c) { c->LeftAxis()->SetMaximum(NaN); }},
    // Near 1e20 one step of 1 is lost in rounding: v - 1 == v.
    // Near 1e20 a step of 2000 is lost in rounding (one unit there is 16384).
    OddCase{"StepsLostNear1e20", Points({{44370, 1e20}, {44371, 1e20 + 16384}}),
            [](TChart* c) { c->LeftAxis()->SetAutomaticMaximum(true); }},
    OddCase{"NoMinorTicks", DelayPoints(), [](TChart* c) { c->BottomAxis()->SetMinorTickCount(0); }},
    OddCase{"NegativeMinorTicks", DelayPoints(), [](TChart* c) { c->LeftAxis()->SetMinorTickCount(-5); }},
    OddCase{"HugeMinorTickCount", DelayPoints(), [](TChart* c) { c->BottomAxis()->SetMinorTickCount(INT_MAX); }},
    OddCase{"ZeroSizeControl", DelayPoints(), [](TChart* c) { c->resize(0, 0); }},
    OddCase{"OnePixelControl", DelayPoints(), [](TChart* c) { c->resize(1, 1); }},
    OddCase{"HugeMargins", DelayPoints(), [](TChart* c) { c->SetMarginLeft(90); c->SetMarginRight(90); }}),
    CaseName());

namespace {

// The date axis painted with a minor tick count: the picture, the row just
// below the axis line (where the 2-pixel minor ticks show, beside the 4-pixel
// label ticks) and the label ticks' places along it.
struct MinorTickRow
{
    QImage Image;
    int Y = 0;
    std::vector<int> Labels;
    int AxisSize = 0;

    explicit MinorTickRow(int count, bool visible = true)
    {
        DelayChart d;
        TChartAxis* b = d.Chart->BottomAxis();
        b->SetMinorTickCount(count);
        b->MinorTicks()->SetVisible(visible);
        Image = d.Chart->RenderToImage();
        Y = b->PosAxis() + 2;
        Labels = b->TickPositions();
        std::sort(Labels.begin(), Labels.end());
        AxisSize = b->IAxisSize();
    }

    // The places from..to (exclusive) in the row where a tick shows.
    std::vector<int> Ticks(int from, int to) const
    {
        std::vector<int> out;
        for (int x = from + 1; x < to; ++x)
            if ((Image.pixel(x, Y) | 0xFF000000) == qRgb(128, 128, 128))
                out.push_back(x);
        return out;
    }
};

} // namespace

TEST(ChartRobustness, MinorTicksBelowOneAndCapped)
{
    // No minor tick for a count below 1: the picture of minor ticks switched off.
    const MinorTickRow off(2, false);
    ASSERT_GE(off.Labels.size(), 2u);
    for (int count : {0, -5}) {
        const MinorTickRow below(count);
        EXPECT_EQ(below.Image, off.Image) << count;
        for (size_t i = 1; i < below.Labels.size(); ++i)
            EXPECT_TRUE(below.Ticks(below.Labels[i - 1], below.Labels[i]).empty()) << count << " " << i;
    }

    // Two minor ticks split every label gap in thirds.
    const MinorTickRow two(2);
    EXPECT_NE(two.Image, off.Image);
    for (size_t i = 1; i < two.Labels.size(); ++i) {
        const int from = two.Labels[i - 1], to = two.Labels[i];
        const std::vector<int> ticks = two.Ticks(from, to);
        ASSERT_EQ(ticks.size(), 2u) << "between " << from << " and " << to;
        EXPECT_NEAR(ticks[0], from + (to - from) / 3.0, 1) << i;
        EXPECT_NEAR(ticks[1], from + 2 * (to - from) / 3.0, 1) << i;
    }

    // More minor ticks than pixels cannot be told apart: a huge count is
    // capped by the axis length, and every pixel between the labels has a tick.
    const MinorTickRow huge(INT_MAX);
    const MinorTickRow capped(two.AxisSize);
    EXPECT_EQ(huge.Image, capped.Image);
    for (size_t i = 1; i < huge.Labels.size(); ++i) {
        const int from = huge.Labels[i - 1], to = huge.Labels[i];
        EXPECT_EQ(int(huge.Ticks(from, to).size()), to - from - 1) << i;
    }
}

TEST(ChartRobustness, HundredThousandBarsEitherOrder)
{
    for (bool descending : {false, true}) {
        std::vector<TDelayPoint> points;
        for (int i = 0; i < 100000; ++i) {
            const int k = descending ? 100000 - i : i;
            points.push_back({40000 + k * 0.01, double(k % 50), DelayColour(float(k % 50))});
        }
        DelayChart d(points);
        const QImage image = d.Chart->RenderToImage();
        EXPECT_EQ(image.size(), QSize(728, 289));
        EXPECT_EQ(d.Series->Count(), 100000);
        EXPECT_EQ(d.Series->BarWidth(), 0) << "narrower than a pixel per point";
    }
}
