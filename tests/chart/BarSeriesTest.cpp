// The point store (order, colour and label lists, batches) and bar geometry.
#include "ChartFixture.h"
#include "NamedCases.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

std::vector<double> Xs(const TChartSeries& s)
{
    std::vector<double> out;
    for (int i = 0; i < s.Count(); ++i)
        out.push_back(s.XValues()->Value(i));
    return out;
}

std::vector<double> Ys(const TChartSeries& s)
{
    std::vector<double> out;
    for (int i = 0; i < s.Count(); ++i)
        out.push_back(s.YValues()->Value(i));
    return out;
}

}  // namespace

namespace {

struct AppendCase
{
    const char* Name;
    std::vector<std::pair<double, double>> Points;
    std::vector<int> Indices;
    std::vector<double> X, Y;
};

}  // namespace

class BarSeriesAppendTest : public ::testing::TestWithParam<AppendCase>
{};

TEST_P(BarSeriesAppendTest, AppendPointKeepsXOrderEqualValuesAfter)
{
    const AppendCase& c = GetParam();
    TBarSeries s;
    std::vector<int> indices;
    for (auto [x, y] : c.Points)
        indices.push_back(s.AppendPoint(x, y));
    EXPECT_EQ(indices, c.Indices);
    const std::vector<double> xs = Xs(s);
    ASSERT_EQ(xs.size(), c.X.size());
    for (size_t i = 0; i < xs.size(); ++i)
        EXPECT_TRUE(xs[i] == c.X[i] || (std::isnan(xs[i]) && std::isnan(c.X[i]))) << i;
    EXPECT_EQ(Ys(s), c.Y);
}

INSTANTIATE_TEST_SUITE_P(
    BarSeries, BarSeriesAppendTest,
    ::testing::Values(
        AppendCase{"AscendingAppends", {{1, 10}, {2, 20}, {3, 30}}, {0, 1, 2}, {1, 2, 3}, {10, 20, 30}},
        AppendCase{"EarlierDayGoesBeforeLaterOnes", {{1, 10}, {3, 30}, {2, 20}}, {0, 1, 1}, {1, 2, 3}, {10, 20, 30}},
        AppendCase{"SameDayTwiceSecondAfterFirst",
                   {{1, 10}, {2, 20}, {2, 21}, {1, 11}},
                   {0, 1, 2, 1},
                   {1, 1, 2, 2},
                   {10, 11, 20, 21}},
        AppendCase{"Descending", {{5, 1}, {4, 2}, {3, 3}, {4, 4}}, {0, 0, 0, 2}, {3, 4, 4, 5}, {3, 2, 4, 1}},
        // Nothing is below NaN: the next point appends, and the search stays in range.
        AppendCase{"NaNLast", {{2, 1}, {std::nan(""), 2}, {1, 3}}, {0, 1, 2}, {2, std::nan(""), 1}, {1, 2, 3}},
        AppendCase{"NaNInside",
                   {{2, 1}, {std::nan(""), 2}, {5, 3}, {3, 4}},
                   {0, 1, 2, 2},
                   {2, std::nan(""), 3, 5},
                   {1, 2, 4, 3}}),
    CaseName());

TEST(BarSeries, AppendPointWithoutOrderAppends)
{
    TBarSeries none;
    none.XValues()->SetOrder(TValueListOrder::None);
    none.AppendPoint(3, 0);
    EXPECT_EQ(none.AppendPoint(1, 0), 1);
}

TEST(BarSeries, ColourListOnlyWhenNeeded)
{
    TChart chart;
    auto* s = new TBarSeries;
    chart.AddSeries(s);
    EXPECT_EQ(s->SeriesColor(), 0x0000FFu) << "first palette colour: red";
    s->AppendPoint(1, 5, QString(), clDefault);
    EXPECT_FALSE(s->HasColorList());
    EXPECT_EQ(s->ValueColor(0), 0x0000FFu);
    s->AppendPoint(2, 5, QString(), 0x46C846);
    EXPECT_TRUE(s->HasColorList());
    s->AppendPoint(0, 5, QString(), clNone);
    EXPECT_EQ(s->ValueColor(0), clNone);
    EXPECT_EQ(s->ValueColor(1), 0x0000FFu) << "earlier point keeps the series colour";
    EXPECT_EQ(s->ValueColor(2), 0x46C846u);
    s->SetColorEachPoint(true);
    EXPECT_EQ(s->ValueColor(1), DefaultChartPalette[1]);
    EXPECT_EQ(s->ValueColor(0), clNone);
    EXPECT_FALSE(s->HasLabelList());
    s->AppendPoint(3, 1, QStringLiteral("x"));
    EXPECT_TRUE(s->HasLabelList());
    EXPECT_EQ(s->Label(3), QStringLiteral("x"));
    EXPECT_EQ(s->Label(0), QString());
}

TEST(BarSeries, BatchesNeverInvalidateAndBeforeAddCanRefuse)
{
    TChart chart;
    auto* s = new TBarSeries;
    chart.AddSeries(s);
    chart.RenderToImage();
    s->BeginUpdate();
    for (int i = 0; i < 46; ++i)
        s->AppendPoint(i, i);
    EXPECT_TRUE(chart.BufferValid());
    s->EndUpdate();
    EXPECT_TRUE(chart.BufferValid());
    s->EndUpdate();
    EXPECT_EQ(s->UpdateCount(), 0) << "an unmatched EndUpdate does nothing";
    int after = -1;
    s->SetOnAfterAdd([&](int i) { after = i; });
    s->AppendPoint(100, 1);
    EXPECT_EQ(after, 46);
    EXPECT_FALSE(chart.BufferValid()) << "outside a batch a new point repaints";
    s->SetOnBeforeAdd([](TChartSeries*) { return false; });
    EXPECT_EQ(s->AppendPoint(5, 5), -1);
    EXPECT_EQ(s->Count(), 47);
}

namespace {

struct WidthCase
{
    const char* Name;
    int Percent, Slot, Bars, Expected;
};

}  // namespace

class BarWidthTest : public ::testing::TestWithParam<WidthCase>
{};

TEST_P(BarWidthTest, FromSlot)
{
    const WidthCase& w = GetParam();
    EXPECT_EQ(BarWidthFromSlot(w.Percent, w.Slot, w.Bars), w.Expected);
}

INSTANTIATE_TEST_SUITE_P(BarSeries, BarWidthTest,
                         ::testing::Values(WidthCase{"SeventyPercentOf13", 70, 13, 1, 10},
                                           WidthCase{"SeventyPercentOf10", 70, 10, 1, 8},
                                           WidthCase{"SeventyPercentOf14", 70, 14, 1, 10},
                                           WidthCase{"WholeSlot", 100, 13, 1, 14}, WidthCase{"NoSlot", 70, 0, 1, 0},
                                           WidthCase{"TwoBarsShareTheSlot", 70, 13, 2, 4}),
                         CaseName());

namespace {

struct GeometryCase
{
    const char* Name;
    int X, Top, Bottom, Width;
    bool Pen;
    TBarRect Expected;
};

}  // namespace

class BarGeometryTest : public ::testing::TestWithParam<GeometryCase>
{};

TEST_P(BarGeometryTest, Rectangle)
{
    const GeometryCase& g = GetParam();
    const TBarRect r = BarGeometry(g.X, g.Top, g.Bottom, g.Width, 1, 1, 0, g.Pen);
    EXPECT_EQ(std::tie(r.Left, r.Top, r.Right, r.Bottom),
              std::tie(g.Expected.Left, g.Expected.Top, g.Expected.Right, g.Expected.Bottom));
}

INSTANTIATE_TEST_SUITE_P(
    BarSeries, BarGeometryTest,
    ::testing::Values(GeometryCase{"Standing", 100, 50, 246, 10, true, {95, 50, 106, 246}},
                      GeometryCase{"HeightZero", 100, 246, 246, 10, true, {95, 246, 106, 246}},
                      GeometryCase{"NegativeHangsBelowTheOrigin", 100, 280, 246, 10, true, {95, 280, 106, 246}},
                      GeometryCase{"StandingWithoutPen", 100, 50, 246, 10, false, {95, 50, 107, 247}},
                      GeometryCase{"HangingWithoutPen", 100, 280, 246, 10, false, {95, 281, 107, 246}}),
    CaseName());

TEST(BarSeries, SecondOfTwoBarsWithOffset)
{
    const TBarRect second = BarGeometry(100, 50, 246, 4, 2, 2, 50, true);
    EXPECT_EQ(second.Left, 100 + 2);
}

TEST(BarSeries, FortySixPointsOnTheDelayChart)
{
    DelayChart d;
    d.Chart->RenderToImage();
    TBarSeries* s = d.Series;
    TChartAxis* b = d.Chart->BottomAxis();
    EXPECT_EQ(s->BarWidth(), 10);
    for (int i = 0; i < s->Count(); ++i) {
        const TBarRect r = s->PointRect(i);
        const int x = b->ValueToPixel(s->XValues()->Value(i));
        EXPECT_EQ(r.Left, x - 5);
        EXPECT_EQ(r.Right, x + 6);
        EXPECT_EQ(r.Bottom, d.Chart->ChartRect().Bottom);
    }
    EXPECT_EQ(s->PointRect(0).Left, b->IStartPos() + 10 - 5);
    EXPECT_EQ(s->PointRect(45).Right, b->IEndPos() - 10 + 6);
}

namespace {

struct ValueListCase
{
    const char* Name;
    std::function<void(TBarSeries*)> Same, Change;
};

}  // namespace

class ValueListSettingsTest : public ::testing::TestWithParam<ValueListCase>
{};

TEST_P(ValueListSettingsTest, RepaintOnlyOnChange)
{
    DelayChart d;
    d.Chart->RenderToImage();
    GetParam().Same(d.Series);
    EXPECT_TRUE(d.Chart->BufferValid()) << "same value";
    GetParam().Change(d.Series);
    EXPECT_FALSE(d.Chart->BufferValid()) << "new value";
}

INSTANTIATE_TEST_SUITE_P(
    BarSeries, ValueListSettingsTest,
    ::testing::Values(ValueListCase{"XDateTime", [](TBarSeries* s) { s->XValues()->SetDateTime(true); },
                                    [](TBarSeries* s) { s->XValues()->SetDateTime(false); }},
                      ValueListCase{"XOrder", [](TBarSeries* s) { s->XValues()->SetOrder(TValueListOrder::Ascending); },
                                    [](TBarSeries* s) { s->XValues()->SetOrder(TValueListOrder::None); }},
                      ValueListCase{"YOrder", [](TBarSeries* s) { s->YValues()->SetOrder(TValueListOrder::None); },
                                    [](TBarSeries* s) { s->YValues()->SetOrder(TValueListOrder::Descending); }},
                      ValueListCase{"YName", [](TBarSeries* s) { s->YValues()->SetName(QStringLiteral("Bar")); },
                                    [](TBarSeries* s) { s->YValues()->SetName(QStringLiteral("Height")); }}),
    CaseName());
