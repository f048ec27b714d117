// Pixels of a rendered chart and the paint cycle's events.
#include "ChartFixture.h"
#include "NamedCases.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>

namespace {

QRgb Rgb(TColor c) { return qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }
QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xFF000000; }

}  // namespace

TEST(ChartPaint, BarsFramesAndTheirOutlines)
{
    DelayChart d;
    const QImage image = d.Chart->RenderToImage();
    TBarSeries* s = d.Series;
    const TChartRect plot = d.Chart->ChartRect();
    for (int i : {0, 3, 20, 45}) {
        if (s->ValueColor(i) == clDefault || s->YValues()->Value(i) < 3)
            continue;
        const TBarRect r = s->PointRect(i);
        const int midY = (r.Top + r.Bottom) / 2;
        EXPECT_EQ(At(image, (r.Left + r.Right) / 2, midY), Rgb(s->ValueColor(i))) << i;
        EXPECT_EQ(At(image, r.Left, midY), Rgb(clBlack)) << i;
        EXPECT_EQ(At(image, r.Right - 1, midY), Rgb(clBlack)) << i;
        EXPECT_EQ(At(image, (r.Left + r.Right) / 2, r.Top), Rgb(clBlack)) << i;
        EXPECT_NE(At(image, r.Right, midY), Rgb(clBlack)) << "right edge exclusive, " << i;
        EXPECT_NE(At(image, (r.Left + r.Right) / 2, r.Top - 1), Rgb(clBlack)) << i;
    }
    // The point of height 0 is a line in the series colour along the origin, a bar wide.
    const TBarRect flat = s->PointRect(7);
    ASSERT_EQ(flat.Top, plot.Bottom);
    for (int x = flat.Left; x < flat.Right; ++x)
        EXPECT_EQ(At(image, x, plot.Bottom), Rgb(clRed)) << x;
    EXPECT_NE(At(image, flat.Right, plot.Bottom), Rgb(clRed));
    EXPECT_NE(At(image, (flat.Left + flat.Right) / 2, plot.Bottom - 3), Rgb(clRed));
    // Back wall frame and the 2-pixel axis lines.
    EXPECT_EQ(At(image, plot.Right, plot.Top), Rgb(clBlack));
    EXPECT_EQ(At(image, (plot.Left + plot.Right) / 2, plot.Top), Rgb(clBlack));
    EXPECT_EQ(At(image, plot.Left - 1, (plot.Top + plot.Bottom) / 2), Rgb(clBlack));
    EXPECT_EQ(At(image, plot.Left, (plot.Top + plot.Bottom) / 2), Rgb(clBlack));
    // Raised bevel: light top-left, dark bottom-right, face colour inside.
    const QPalette pal = QApplication::palette();
    EXPECT_EQ(At(image, 5, 0), pal.color(QPalette::Light).rgb());
    EXPECT_EQ(At(image, 5, 288), pal.color(QPalette::Dark).rgb());
    EXPECT_EQ(At(image, 727, 5), pal.color(QPalette::Dark).rgb());
    EXPECT_EQ(At(image, 5, 5), pal.color(QPalette::Button).rgb());
}

TEST(ChartPaint, GridDotsTitleAndReferenceLine)
{
    // Short bars leave the grid and the reference line free to look at.
    std::vector<TDelayPoint> points = DelayPoints();
    for (TDelayPoint& p : points)
        p.Minutes = 1;
    points[10].Minutes = 46;
    DelayChart d(points);
    const QImage image = d.Chart->RenderToImage();
    const TChartRect plot = d.Chart->ChartRect();
    TChartAxis* left = d.Chart->LeftAxis();
    TChartAxis* bottom = d.Chart->BottomAxis();

    auto countRow = [&](int y, QRgb colour, int from, int to) {
        int n = 0;
        for (int x = from; x < to; ++x)
            n += At(image, x, y) == colour;
        return n;
    };
    // A dotted grey grid line at 20 minutes: grey and gaps alternate.
    const int y20 = left->ValueToPixel(20);
    const int grey = countRow(y20, Rgb(clGray), plot.Left + 1, plot.Right);
    EXPECT_GT(grey, (plot.Right - plot.Left) / 4);
    EXPECT_LT(grey, (plot.Right - plot.Left) * 3 / 4);
    // A vertical grid line at a date label.
    const int x = bottom->TickPositions()[1];
    int greyV = 0;
    for (int y = plot.Top + 1; y < plot.Bottom - 20; ++y)
        greyV += At(image, x, y) == Rgb(clGray);
    EXPECT_GT(greyV, 20);

    // The dashed reference line at 45 minutes, 1 pixel, from the first day - 0.7 to the last + 0.7.
    const int y45 = left->ValueToPixel(45);
    const QRgb dash = Rgb(0x200080);
    const int x1 = bottom->ValueToPixel(d.FirstDate - 0.7), x2 = bottom->ValueToPixel(d.LastDate + 0.7);
    const int dashed = countRow(y45, dash, x1, x2);
    EXPECT_GT(dashed, (x2 - x1) / 3);
    EXPECT_LT(dashed, x2 - x1) << "a dashed line has gaps";
    EXPECT_EQ(countRow(y45, dash, 0, x1) + countRow(y45, dash, x2, 728), 0);
    EXPECT_EQ(countRow(y45 - 1, dash, 0, 728) + countRow(y45 + 1, dash, 0, 728), 0);

    // Title in blue, centred above the plot.
    const TChartRect block = d.Chart->Title()->TitleRect();
    int blue = 0;
    for (int y = block.Top; y < block.Bottom; ++y)
        blue += countRow(y, Rgb(clBlue), block.Left, block.Right);
    EXPECT_GT(blue, 50);
    EXPECT_EQ(countRow(block.Top + 6, Rgb(clBlue), 0, block.Left) +
                  countRow(block.Top + 6, Rgb(clBlue), block.Right, 728),
              0);
}

TEST(ChartPaint, AfterDrawOncePerCompletePaint)
{
    QWidget window;
    window.resize(760, 320);
    DelayChart d;
    d.Chart->setParent(&window);
    d.Chart->setGeometry(8, 8, 728, 289);
    window.show();
    d.Chart->repaint();
    QApplication::processEvents();
    EXPECT_EQ(d.AfterDrawCount, 1);
    EXPECT_TRUE(d.Chart->BufferValid());
    d.Chart->repaint();
    d.Chart->repaint();
    EXPECT_EQ(d.AfterDrawCount, 1) << "a valid buffer is only copied";
    d.Chart->BottomAxis()->SetIncrement(3);
    d.Chart->repaint();
    EXPECT_EQ(d.AfterDrawCount, 1) << "same value: nothing to repaint";
    d.Chart->BottomAxis()->SetIncrement(7);
    EXPECT_FALSE(d.Chart->BufferValid());
    d.Chart->repaint();
    EXPECT_EQ(d.AfterDrawCount, 2);
    d.Chart->setParent(nullptr);
}

TEST(ChartPaint, CanvasResetBeforeAfterDrawAndEventsInOrder)
{
    DelayChart d;
    TChart* c = d.Chart.get();
    std::vector<std::string> order;
    c->SetOnBeforeDrawChart([&](TChart*) { order.push_back("chart"); });
    c->SetOnBeforeDrawAxes([&](TChart*) { order.push_back("axes"); });
    c->SetOnBeforeDrawSeries([&](TChart*) { order.push_back("series"); });
    c->SetOnAfterDraw([&](TChart* sender) {
        order.push_back("after");
        TCanvas3D* canvas = sender->Canvas();
        EXPECT_EQ(canvas->Pen()->Style(), TPenStyle::Solid);
        EXPECT_EQ(canvas->Pen()->Color(), clBlack);
        EXPECT_EQ(canvas->Pen()->Width(), 1);
        EXPECT_EQ(canvas->Brush()->Color(), clWhite);
        EXPECT_EQ(canvas->Brush()->Style(), TBrushStyle::Solid);
        EXPECT_EQ(canvas->Font()->Name(), QStringLiteral("Arial"));
        EXPECT_EQ(canvas->Font()->Size(), 8);
        EXPECT_EQ(canvas->Font()->Color(), clBlack);
        EXPECT_TRUE(canvas->BackTransparent());
        EXPECT_TRUE(sender->Painting());
        // Changes made while painting do not invalidate the picture being made.
        sender->LeftAxis()->SetTickLength(6);
    });
    c->RenderToImage();
    EXPECT_EQ(order, (std::vector<std::string>{"chart", "axes", "series", "after"}));
    EXPECT_TRUE(c->BufferValid());
    EXPECT_FALSE(c->Painting());
}

TEST(ChartPaint, WhatTheBeforeDrawChartHandlerChangesIsInTheSamePicture)
{
    DelayChart d;
    TChart* c = d.Chart.get();
    const QImage before = c->RenderToImage();
    const int oldPixelOf45 = c->LeftAxis()->ValueToPixel(45);
    bool paintingDuringTheEvent = false;
    c->SetOnBeforeDrawChart([&paintingDuringTheEvent](TChart* sender) {
        paintingDuringTheEvent = sender->Painting();
        sender->LeftAxis()->SetMaximum(200);
    });
    c->Invalidate();
    const QImage image = c->RenderToImage();
    EXPECT_TRUE(paintingDuringTheEvent) << "the flag is set before the event";
    EXPECT_EQ(c->LeftAxis()->Maximum(), 200);
    EXPECT_GT(c->LeftAxis()->ValueToPixel(45), oldPixelOf45) << "45 minutes sit lower under the higher maximum";
    EXPECT_TRUE(c->LayoutValid());
    EXPECT_TRUE(c->BufferValid()) << "the change was painted, no second paint is due";
    EXPECT_NE(image, before);
}

TEST(ChartPaint, EmptySeriesStillPaintsFrameAndAxes)
{
    DelayChart d(std::vector<TDelayPoint>{});
    const QImage image = d.Chart->RenderToImage();
    EXPECT_EQ(d.AfterDrawCount, 1);
    const TChartRect plot = d.Chart->ChartRect();
    EXPECT_EQ(At(image, plot.Right, (plot.Top + plot.Bottom) / 2), Rgb(clBlack));
    EXPECT_EQ(d.Chart->LeftAxis()->Maximum(), 47);
    EXPECT_EQ(d.Chart->LeftAxis()->LastStep(), 5);
    EXPECT_EQ(d.Chart->BottomAxis()->TickPositions().size(), 1u) << "no range: one label";
}

TEST(ChartPaint, ToolTipGoesToTheParent)
{
    struct Parent : QWidget
    {
        int ToolTips = 0;
        bool event(QEvent* e) override
        {
            if (e->type() == QEvent::ToolTip) {
                ++ToolTips;
                return true;
            }
            return QWidget::event(e);
        }
    } parent;
    auto* chart = new TChart(&parent);
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), QPoint(5, 5));
    QApplication::sendEvent(chart, &help);
    EXPECT_EQ(parent.ToolTips, 1);
}

namespace {

struct OnTopCase
{
    const char* Name;
    bool Inverted;
    TColor OnTop;
};

}  // namespace

class ChartPaintOnTopTest : public ::testing::TestWithParam<OnTopCase>
{};

TEST_P(ChartPaintOnTopTest, LaterPointOnTopUnlessTheDateAxisIsInverted)
{
    // Two products of one day share a place: the later is drawn over the
    // earlier, and on an inverted date axis the drawing order turns round.
    DelayChart d({{44370, 30, 0x46C846}, {44370, 30, 0x5050FF}, {44371, 10, 0x46C846}});
    d.Chart->BottomAxis()->SetInverted(GetParam().Inverted);
    const QImage image = d.Chart->RenderToImage();
    const TBarRect r = d.Series->PointRect(0);
    EXPECT_EQ(At(image, (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2), Rgb(GetParam().OnTop));
}

INSTANTIATE_TEST_SUITE_P(ChartPaint, ChartPaintOnTopTest,
                         ::testing::Values(OnTopCase{"DateAxisAscending", false, 0x5050FF},
                                           OnTopCase{"DateAxisInverted", true, 0x46C846}),
                         CaseName());
