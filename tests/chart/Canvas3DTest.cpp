// The canvas decides whether layout numbers come out as pixels: end points,
// exclusive rectangle edges, text placement and colour, dash gaps.
#include "NamedCases.h"
#include "chart/Canvas3D.h"
#include "platform/Rounding.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QImage>

#include <algorithm>

namespace {

constexpr QRgb Bg = 0xFFFFFFFF;

struct Surface
{
    QImage Image{40, 40, QImage::Format_RGB32};
    TCanvas3D Canvas;
    Surface()
    {
        Image.fill(Bg);
        Canvas.Begin(&Image);
    }
    QRgb At(int x, int y) const { return Image.pixel(x, y) | 0xFF000000; }
    // Pixels (as "x,y") that are not background, in row order.
    std::vector<std::pair<int, int>> Set()
    {
        Canvas.End();
        std::vector<std::pair<int, int>> out;
        for (int y = 0; y < Image.height(); ++y)
            for (int x = 0; x < Image.width(); ++x)
                if ((Image.pixel(x, y) | 0xFF000000) != Bg)
                    out.push_back({x, y});
        return out;
    }
};

using Pixels = std::vector<std::pair<int, int>>;

Pixels Span(int x0, int y0, int x1, int y1)  // inclusive block
{
    Pixels p;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            p.push_back({x, y});
    return p;
}

} // namespace

namespace {

struct LineCase
{
    const char* Name;
    int X0, Y0, X1, Y1;
    Pixels Expected;
};

} // namespace

class CanvasLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(CanvasLineTest, LeavesItsEndPointUnset)
{
    const LineCase& c = GetParam();
    Surface s;
    s.Canvas.Line(c.X0, c.Y0, c.X1, c.Y1);
    EXPECT_EQ(s.Set(), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(Canvas3D, CanvasLineTest, ::testing::Values(
    LineCase{"Rightwards", 2, 5, 8, 5, Span(2, 5, 7, 5)}, LineCase{"Leftwards", 8, 5, 2, 5, Span(3, 5, 8, 5)},
    LineCase{"Downwards", 4, 1, 4, 6, Span(4, 1, 4, 5)}, LineCase{"Upwards", 4, 6, 4, 1, Span(4, 2, 4, 6)},
    LineCase{"ZeroLength", 4, 4, 4, 4, {}}), CaseName());

TEST(Canvas3D, RectangleEdgesAreExclusive)
{
    Surface s;
    s.Canvas.Brush()->SetColor(0x0000FF);
    s.Canvas.Rectangle(2, 3, 7, 9);
    EXPECT_EQ(s.At(2, 3), 0xFF000000u);
    EXPECT_EQ(s.At(6, 8), 0xFF000000u);
    EXPECT_EQ(s.At(4, 5), 0xFFFF0000u) << "fill in red (0x0000FF is red)";
    EXPECT_EQ(s.At(7, 5), Bg);
    EXPECT_EQ(s.At(4, 9), Bg);
    EXPECT_EQ(s.Set().size(), size_t(5 * 6));
}

TEST(Canvas3D, ClearBrushAndClearPen)
{
    Surface s;
    s.Canvas.Brush()->SetStyle(TBrushStyle::Clear);
    s.Canvas.Rectangle(2, 2, 6, 6);
    EXPECT_EQ(s.At(3, 3), Bg);
    EXPECT_EQ(s.At(2, 2), 0xFF000000u);
    Surface t;
    t.Canvas.Pen()->SetStyle(TPenStyle::Clear);
    t.Canvas.Brush()->SetColor(0x00FF00);
    t.Canvas.Rectangle(2, 2, 6, 6);
    EXPECT_EQ(t.Set(), Span(2, 2, 5, 5));
}

TEST(Canvas3D, SpecialColoursDrawNothing)
{
    Surface s;
    s.Canvas.Pen()->SetColor(clNone);
    s.Canvas.Brush()->SetColor(clNone);
    s.Canvas.Rectangle(2, 2, 9, 9);
    s.Canvas.Line(0, 0, 20, 0);
    EXPECT_TRUE(s.Set().empty());
}

TEST(Canvas3D, DashedLineHasGapsAndKeepsItsColour)
{
    Surface s;
    s.Canvas.Pen()->SetStyle(TPenStyle::Dash);
    s.Canvas.Pen()->SetColor(0x200080);
    s.Canvas.DrawHorizontalLine(0, 40, 10);
    int set = 0, gaps = 0;
    for (int x = 0; x < 40; ++x) {
        const QRgb c = s.At(x, 10);
        if (c == Bg)
            ++gaps;
        else {
            ++set;
            EXPECT_EQ(c, qRgb(0x80, 0x00, 0x20)) << x;
        }
    }
    EXPECT_GT(set, 10);
    EXPECT_GT(gaps, 5);
    EXPECT_EQ(s.At(0, 9), Bg);
    EXPECT_EQ(s.At(0, 11), Bg);
}

TEST(Canvas3D, TextTopAlignedInFontColourNotPenColour)
{
    QImage image(60, 30, QImage::Format_RGB32);
    image.fill(Bg);
    TCanvas3D canvas;
    canvas.Begin(&image);
    canvas.Pen()->SetColor(0x00FF00);
    canvas.Font()->SetColor(0xFF0000);  // blue
    canvas.TextOut(5, 7, QStringLiteral("WW"));
    canvas.End();
    int top = 99, bottom = -1, left = 99;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y) | 0xFF000000;
            if (c == Bg)
                continue;
            EXPECT_EQ(c, qRgb(0, 0, 255));
            top = std::min(top, y);
            bottom = std::max(bottom, y);
            left = std::min(left, x);
        }
    // Arial 8 points at 96 DPI: an 11-pixel font whose capitals start a pixel
    // or two below the top of the line.
    EXPECT_GE(top, 7);
    EXPECT_LE(top, 9);
    EXPECT_LE(bottom, 7 + canvas.TextHeight("W"));
    EXPECT_GE(left, 5);
    EXPECT_LE(left, 6);
}

TEST(Canvas3D, ArialIsElevenPixelsAndMeasuresWithW)
{
    TCanvas3D canvas;
    EXPECT_EQ(FontPixelsAt96Dpi(8), 11);
    EXPECT_EQ(FontPixelsAt96Dpi(10), 13);
    const QFontInfo info(MakeQFont(QStringLiteral("Arial"), 8));
    EXPECT_EQ(info.family(), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(info.pixelSize(), 11);
    EXPECT_EQ(canvas.TextHeight(QStringLiteral("W")), canvas.TextHeight(QStringLiteral("x")));
    EXPECT_GT(canvas.TextWidth(QStringLiteral("WW")), canvas.TextWidth(QStringLiteral("W")));
}

TEST(Canvas3D, RotatedTextReadsBottomToTopInsideItsBand)
{
    QImage image(40, 80, QImage::Format_RGB32);
    image.fill(Bg);
    TCanvas3D canvas;
    canvas.Begin(&image);
    canvas.SetTextAlign(THorzTextAlign::Center, TVertTextAlign::Top);
    canvas.TextOut(10, 40, QStringLiteral("Minutes"), 90);
    const int h = canvas.TextHeight("W"), w = canvas.TextWidth("Minutes");
    canvas.End();
    int minX = 99, maxX = -1, minY = 99, maxY = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) | 0xFF000000) != Bg) {
                minX = std::min(minX, x); maxX = std::max(maxX, x);
                minY = std::min(minY, y); maxY = std::max(maxY, y);
            }
    EXPECT_GE(minX, 10);
    EXPECT_LT(maxX, 10 + h);
    EXPECT_GE(minY, 40 - w / 2 - 1);
    EXPECT_LE(maxY, 40 + w / 2 + 1);
    EXPECT_GT(maxY - minY, maxX - minX) << "the text runs along y";
}

TEST(Canvas3D, FarAwayCoordinatesAreClippedNotOverflowed)
{
    Surface s;
    s.Canvas.Line(-67108863, 5, 67108863, 5);
    s.Canvas.Line(20, -67108863, 20, 67108863);
    s.Canvas.Brush()->SetColor(0xFF0000);
    s.Canvas.Rectangle(-2000000000, 30, 2000000000, 35);
    const auto set = s.Set();
    EXPECT_EQ(std::count_if(set.begin(), set.end(), [](auto p) { return p.second == 5; }), 40);
    EXPECT_EQ(std::count_if(set.begin(), set.end(), [](auto p) { return p.first == 20 && p.second < 30; }), 30);
}

TEST(Canvas3D, WithoutAnImageNothingIsDrawnButTextIsMeasured)
{
    TCanvas3D canvas;
    QImage none;
    canvas.Begin(&none);
    EXPECT_FALSE(canvas.IsDrawing());
    canvas.Line(0, 0, 10, 10);
    canvas.Rectangle(0, 0, 10, 10);
    canvas.TextOut(0, 0, QStringLiteral("x"));
    EXPECT_GT(canvas.TextWidth(QStringLiteral("x")), 0);
}
