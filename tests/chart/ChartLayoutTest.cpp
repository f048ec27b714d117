// Layout of the 728 x 289 delay chart: margins, frame, title block, the room
// the axes take, and the bar geometry that follows from them; all of it known
// before the chart paints.
#include "ChartFixture.h"
#include "NamedCases.h"
#include "chart/DateTimeSteps.h"

#include <gtest/gtest.h>

#include <QFontMetrics>

#include <functional>

namespace {

struct Metrics
{
    int H, TitleW, WWidth, Blank, Widest;
    Metrics(const QString& title, const QStringList& leftLabels)
    {
        const QFontMetrics fm(MakeQFont(QStringLiteral("Arial"), 8));
        H = fm.height();
        TitleW = fm.horizontalAdvance(title);
        WWidth = fm.horizontalAdvance(QStringLiteral("W"));
        Blank = fm.horizontalAdvance(QStringLiteral(" "));
        Widest = 0;
        for (const QString& s : leftLabels)
            Widest = std::max(Widest, fm.horizontalAdvance(s));
    }
};

} // namespace

TEST(ChartLayout, DelayChartRectangles)
{
    DelayChart d;
    d.Chart->RenderToImage();
    TChart* c = d.Chart.get();
    const QString title = QStringLiteral("Delay of CRM data in  /some/folder/");
    const Metrics m(title, {"0", "5", "10", "15", "20", "25", "30", "35", "40", "45"});
    EXPECT_EQ(m.H, 12) << "Liberation Sans at 11 pixels";

    EXPECT_EQ(c->FrameWidth(), 1);
    EXPECT_EQ(c->ChartBounds(), (TChartRect{0, 0, 728, 289}));
    // Title block: from the margin-inset top (12) with the 1-pixel frame pen,
    // narrowed about its centre to the text.
    const TChartRect block = c->Title()->TitleRect();
    EXPECT_EQ(block.Top, 12);
    EXPECT_EQ(block.Bottom, 12 + 1 + m.H + 1);
    const int centre = (22 - 1 + 706 + 1) / 2;
    const int width = m.WWidth + 1 + m.TitleW;
    EXPECT_EQ(block.Left, centre - width / 2);
    EXPECT_EQ(block.Right, centre + width / 2);

    const TChartRect plot = c->ChartRect();
    EXPECT_EQ(plot.Top, block.Bottom + 5 + 1);
    EXPECT_EQ(plot.Right, 706) << "no legend: the plot reaches the right margin";
    EXPECT_EQ(plot.Bottom, 277 - m.H - m.H - 7);
    EXPECT_EQ(plot.Left, 22 + m.H + m.Widest + m.Blank + 7);

    TChartAxis* bottom = c->BottomAxis();
    TChartAxis* left = c->LeftAxis();
    EXPECT_EQ(bottom->IStartPos(), plot.Left);
    EXPECT_EQ(bottom->IEndPos(), plot.Right);
    EXPECT_EQ(left->IStartPos(), plot.Top);
    EXPECT_EQ(left->IEndPos(), plot.Bottom);
    EXPECT_EQ(bottom->PosTitle(), 277 - m.H);
    EXPECT_EQ(bottom->PosLabels(), 277 - 2 * m.H);
    EXPECT_EQ(left->PosTitle(), 22 + m.H);
    EXPECT_EQ(left->PosLabels(), 22 + m.H + m.Widest + m.Blank);
    EXPECT_EQ(left->LastStep(), 5);

    // 46 points: 47 slots; 70% of a slot, made even.
    TBarSeries* s = d.Series;
    EXPECT_EQ(s->MaxPoints(), 47);
    const int a = (plot.Right - plot.Left) / 47;
    int bw = int(std::nearbyint(0.7 * a));
    bw += bw % 2;
    EXPECT_EQ(s->BarWidth(), bw);
    EXPECT_EQ(bw % 2, 0);
    // The first and last bars lie one bar width inside the ends of the axis.
    EXPECT_EQ(bottom->ValueToPixel(d.FirstDate), plot.Left + bw);
    EXPECT_EQ(bottom->ValueToPixel(d.LastDate), plot.Right - bw);
    EXPECT_EQ(left->ValueToPixel(0), plot.Bottom);
    EXPECT_EQ(left->Maximum(), 49);
    EXPECT_EQ(left->ValueToPixel(49), plot.Top);
    // The numbers as they come out with Liberation Sans 11 pixels (line height 12).
    EXPECT_EQ(plot, (TChartRect{56, 32, 706, 246}));
    EXPECT_EQ(bw, 10);
}

TEST(ChartLayout, ValuesMapToPixelsBeforeAnyRender)
{
    // The layout follows every change: values map to the pixels the picture
    // will show before the chart has painted once.
    DelayChart d;
    TChart* c = d.Chart.get();
    TChartAxis* bottom = c->BottomAxis();
    TChartAxis* left = c->LeftAxis();
    EXPECT_EQ(c->ChartRect(), (TChartRect{56, 32, 706, 246}));
    EXPECT_EQ(left->ValueToPixel(0), 246);
    EXPECT_EQ(left->ValueToPixel(49), 32);
    EXPECT_EQ(bottom->ValueToPixel(d.FirstDate), 56 + 10);
    EXPECT_EQ(bottom->ValueToPixel(d.LastDate), 706 - 10);
    EXPECT_EQ(d.Series->BarWidth(), 10);
    EXPECT_EQ(left->LastStep(), 5);
    EXPECT_EQ(bottom->LastStep(), 3);
    const std::vector<int> ticks = bottom->TickPositions();
    ASSERT_EQ(ticks.size(), 16u);
    const int y45 = left->ValueToPixel(45);
    const int x1 = bottom->ValueToPixel(d.FirstDate - 0.7), x2 = bottom->ValueToPixel(d.LastDate + 0.7);
    EXPECT_EQ(d.AfterDrawCount, 0);

    // The render draws the reference line where the layout put it, and leaves the layout as it was.
    const QImage image = c->RenderToImage();
    EXPECT_EQ(c->ChartRect(), (TChartRect{56, 32, 706, 246}));
    EXPECT_EQ(left->ValueToPixel(45), y45);
    EXPECT_EQ(bottom->TickPositions(), ticks);
    const QRgb dash = qRgb(0x80, 0x00, 0x20);
    int onLine = 0;
    for (int x = x1; x < x2; ++x)
        onLine += (image.pixel(x, y45) | 0xFF000000) == dash;
    EXPECT_GT(onLine, (x2 - x1) / 3);

    // A change lays the chart out anew at once; a batch of points when it ends.
    left->SetMaximum(98);
    EXPECT_EQ(left->ValueToPixel(98), 32);
    EXPECT_EQ(left->ValueToPixel(49), (32 + 246) / 2);
    d.Series->BeginUpdate();
    d.Series->AppendPoint(d.LastDate + 46, 20, QString(), 0x46C846);
    EXPECT_FALSE(c->LayoutValid());
    d.Series->EndUpdate();
    EXPECT_TRUE(c->LayoutValid());
    EXPECT_LT(bottom->ValueToPixel(d.LastDate), 706 - 10) << "the axis reaches the new day";
}

namespace {

struct ChangeCase
{
    const char* Name;
    std::function<void(DelayChart&)> Change;
};

// What the picture places: the reference line's height, the ends of the date
// range, the bar width and the first and last bars' edges.
std::vector<int> Placed(DelayChart& d)
{
    TChartAxis* bottom = d.Chart->BottomAxis();
    const int n = d.Series->Count();
    return {d.Chart->LeftAxis()->ValueToPixel(45), bottom->ValueToPixel(d.FirstDate),
            bottom->ValueToPixel(d.LastDate), d.Series->BarWidth(), d.Series->PointRect(0).Left,
            d.Series->PointRect(n - 1).Top, d.Chart->ChartRect().Right};
}

} // namespace

class ChartLayoutChangeTest : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(ChartLayoutChangeTest, ValueToPixelFollowsAChangeWithoutARender)
{
    // A chart read once (its layout current), then changed and read again at
    // once, gives what a chart with the same change computes when it renders.
    const ChangeCase& c = GetParam();
    DelayChart d;
    const std::vector<int> before = Placed(d);
    c.Change(d);
    const std::vector<int> after = Placed(d);
    EXPECT_EQ(d.AfterDrawCount, 0) << "no render in between";

    DelayChart rendered;
    c.Change(rendered);
    rendered.Chart->RenderToImage();
    ASSERT_EQ(rendered.AfterDrawCount, 1);
    EXPECT_EQ(after, Placed(rendered));
    EXPECT_NE(after, before) << "the change moves something";
}

INSTANTIATE_TEST_SUITE_P(ChartLayout, ChartLayoutChangeTest, ::testing::Values(
    // A hidden chart gets no resize event: the layout learns of the size when read.
    ChangeCase{"Resized", [](DelayChart& d) { d.Chart->resize(500, 200); }},
    ChangeCase{"ResizedTaller", [](DelayChart& d) { d.Chart->resize(728, 400); }},
    ChangeCase{"LeftMaximum", [](DelayChart& d) { d.Chart->LeftAxis()->SetMaximum(98); }},
    ChangeCase{"BottomRange", [](DelayChart& d) {
        TChartAxis* bottom = d.Chart->BottomAxis();
        bottom->SetAutomatic(false);
        bottom->SetMaximum(d.LastDate + 10);
        bottom->SetMinimum(d.FirstDate - 10);
    }},
    ChangeCase{"PointAppended", [](DelayChart& d) {
        d.Series->AppendPoint(d.LastDate + 5, 30, QString(), 0x46C846);
    }},
    ChangeCase{"TallPointAppendedInBatch", [](DelayChart& d) {
        d.Chart->LeftAxis()->SetAutomaticMaximum(true);
        d.Series->BeginUpdate();
        d.Series->AppendPoint(d.LastDate + 1, 120, QString(), 0x5050FF);
        d.Series->EndUpdate();
    }},
    ChangeCase{"TitleLines", [](DelayChart& d) { d.Chart->Title()->SetText({"one", "two", "three"}); }}),
    CaseName());
