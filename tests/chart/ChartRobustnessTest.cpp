// Input the setters and the point store accept but the arithmetic could choke
// on: every case must paint (or skip what cannot be drawn) and return.
#include "ChartFixture.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();
const double NaN = std::nan("");

std::vector<DelayPoint> Points(std::initializer_list<std::pair<double, double>> xy)
{
    std::vector<DelayPoint> out;
    for (auto [x, y] : xy)
        out.push_back({x, y, 0x46C846});
    return out;
}

} // namespace

TEST(ChartRobustness, OddDataAndSettingsPaintAndReturn)
{
    struct Case
    {
        const char* Name;
        std::vector<DelayPoint> Data;
        std::function<void(TChart*)> Setup;
    };
    const auto none = [](TChart*) {};
    const Case cases[] = {
        {"NaN and infinite heights", Points({{44370, NaN}, {44371, Inf}, {44372, -Inf}, {44373, 10}}), none},
        {"NaN and infinite days", Points({{NaN, 5}, {Inf, 5}, {-Inf, 5}, {44373, 10}}), none},
        {"range of 1e300 in minutes", Points({{44370, -1e300}, {44371, 1e300}}),
         [](TChart* c) { c->LeftAxis()->SetAutomaticMaximum(true); }},
        {"fixed maximum 1e300", Points({{44370, 1}}), [](TChart* c) { c->LeftAxis()->SetMaximum(1e300); }},
        {"days of 1e300", Points({{1e300, 5}, {-1e300, 5}}), none},
        {"days beyond the year 9999", Points({{5e6, 5}, {6e6, 7}}), none},
        {"days before the year 1", Points({{-8e5, 5}, {-7e5, 7}}), none},
        {"increment far above the range", DelayPoints(),
         [](TChart* c) { c->BottomAxis()->SetIncrement(1e300); c->LeftAxis()->SetIncrement(1e300); }},
        {"increment far below the range", DelayPoints(),
         [](TChart* c) { c->BottomAxis()->SetIncrement(1e-300); c->LeftAxis()->SetIncrement(1e-300); }},
        {"infinite increment", DelayPoints(),
         [](TChart* c) { c->BottomAxis()->SetIncrement(Inf); c->LeftAxis()->SetIncrement(Inf); }},
        {"NaN increment", DelayPoints(), [](TChart* c) { c->LeftAxis()->SetIncrement(NaN); }},
        {"NaN maximum", DelayPoints(), [](TChart* c) { c->LeftAxis()->SetMaximum(NaN); }},
        // Near 1e20 one step of 1 is lost in rounding: v - 1 == v.
        // Near 1e20 a step of 2000 is lost in rounding (one unit there is 16384).
        {"steps lost near 1e20", Points({{44370, 1e20}, {44371, 1e20 + 16384}}),
         [](TChart* c) { c->LeftAxis()->SetAutomaticMaximum(true); }},
        {"no minor ticks", DelayPoints(), [](TChart* c) { c->BottomAxis()->SetMinorTickCount(0); }},
        {"negative minor ticks", DelayPoints(), [](TChart* c) { c->LeftAxis()->SetMinorTickCount(-5); }},
        {"huge minor tick count", DelayPoints(), [](TChart* c) { c->BottomAxis()->SetMinorTickCount(INT_MAX); }},
        {"zero-size control", DelayPoints(), [](TChart* c) { c->resize(0, 0); }},
        {"one-pixel control", DelayPoints(), [](TChart* c) { c->resize(1, 1); }},
        {"huge margins", DelayPoints(), [](TChart* c) { c->SetMarginLeft(90); c->SetMarginRight(90); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        DelayChart d(c.Data);
        c.Setup(d.Chart.get());
        const QImage image = d.Chart->RenderToImage();
        EXPECT_EQ(d.AfterDrawCount, 1);
        EXPECT_EQ(image.size(), d.Chart->size());
        for (TChartAxis* a : {d.Chart->BottomAxis(), d.Chart->LeftAxis()}) {
            EXPECT_LE(a->TickPositions().size(), 10000u);
            for (int p : a->TickPositions())
                EXPECT_LE(std::abs(p), MaxAxisPixel);
        }
    }
}

TEST(ChartRobustness, MinorTicksBelowOneAndCapped)
{
    DelayChart d;
    d.Chart->BottomAxis()->SetMinorTickCount(0);
    const QImage none = d.Chart->RenderToImage();
    d.Chart->BottomAxis()->SetMinorTickCount(2);
    const QImage two = d.Chart->RenderToImage();
    const int y = d.Chart->BottomAxis()->PosAxis() + 2;
    const std::vector<int>& ticks = d.Chart->BottomAxis()->TickPositions();
    const int between = (ticks[0] + ticks[1]) / 2;
    // Minor ticks sit a third of the way between two labels.
    const int minor = ticks[0] - (ticks[0] - ticks[1] + 1) / 3;
    EXPECT_NE(two.pixel(minor, y), none.pixel(minor, y)) << between;
}

TEST(ChartRobustness, HundredThousandBarsEitherOrder)
{
    for (bool descending : {false, true}) {
        std::vector<DelayPoint> points;
        for (int i = 0; i < 100000; ++i) {
            const int k = descending ? 100000 - i : i;
            points.push_back({40000 + k * 0.01, double(k % 50), DelayColor(k % 50)});
        }
        DelayChart d(points);
        const QImage image = d.Chart->RenderToImage();
        EXPECT_EQ(image.size(), QSize(728, 289));
        EXPECT_EQ(d.Series->Count(), 100000);
        EXPECT_EQ(d.Series->BarWidth(), 0) << "narrower than a pixel per point";
    }
}
