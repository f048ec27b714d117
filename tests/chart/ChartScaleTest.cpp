// The chart on a high-density screen and in scaled images: drawn at the
// device's resolution, with every position in logical pixels unchanged.
#include "tests/chart/ChartFixture.h"

#include <QPixmap>
#include <gtest/gtest.h>

#include <set>

namespace {

QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xFF000000; }

}  // namespace

TEST(ChartScale, TwiceTheScaleIsTheSamePictureDrawnFiner)
{
    DelayChart d;
    const QImage one = d.Chart->RenderToImage();
    const TChartRect plot = d.Chart->ChartRect();
    const int y45 = d.Chart->LeftAxis()->ValueToPixel(45);
    const QImage two = d.Chart->RenderToImage(2);
    ASSERT_EQ(two.size(), QSize(2 * 728, 2 * 289));
    EXPECT_EQ(two.devicePixelRatio(), 1.0);
    // The layout does not move with the scale.
    EXPECT_EQ(d.Chart->ChartRect(), plot);
    EXPECT_EQ(d.Chart->LeftAxis()->ValueToPixel(45), y45);

    // Every bar pixel of the 1x picture covers four pixels of its colour.
    std::set<QRgb> bands;
    for (TColor c : {ColourInTime, ColourNearlyLate, ColourLate})
        bands.insert(ToQColor(c).rgb());
    int barPixels = 0, same = 0;
    for (int y = plot.Top; y < plot.Bottom; ++y)
        for (int x = plot.Left; x < plot.Right; ++x) {
            if (!bands.count(At(one, x, y)))
                continue;
            ++barPixels;
            same += At(two, 2 * x, 2 * y) == At(one, x, y) && At(two, 2 * x + 1, 2 * y + 1) == At(one, x, y);
        }
    EXPECT_GT(barPixels, 1000);
    EXPECT_EQ(same, barPixels);
    // A 1-pixel line is two device pixels thick, no more, and nothing is
    // blended: the 2x picture has no colour the 1x one lacks.
    int dashTop = 0, dashAbove = 0;
    for (int x = 2 * plot.Left; x < 2 * plot.Right; ++x) {
        dashTop += At(two, x, 2 * y45) == qRgb(128, 0, 32) && At(two, x, 2 * y45 + 1) == qRgb(128, 0, 32);
        dashAbove += At(two, x, 2 * y45 - 1) == qRgb(128, 0, 32) || At(two, x, 2 * y45 + 2) == qRgb(128, 0, 32);
    }
    EXPECT_GT(dashTop, plot.Width() / 2);
    EXPECT_EQ(dashAbove, 0);
    std::set<QRgb> oneColours, newColours;
    for (int y = 0; y < one.height(); ++y)
        for (int x = 0; x < one.width(); ++x)
            oneColours.insert(At(one, x, y));
    for (int y = 0; y < two.height(); ++y)
        for (int x = 0; x < two.width(); ++x)
            if (!oneColours.count(At(two, x, y)))
                newColours.insert(At(two, x, y));
    EXPECT_TRUE(newColours.empty()) << newColours.size() << " new colours";

    // Back at 1x the picture is what it was.
    EXPECT_EQ(d.Chart->RenderToImage(), one);
}

// The ctest runs this suite again under QT_SCALE_FACTOR=2 and 1.5: the
// widget paints at the screen's ratio, not at 1x scaled up.
TEST(ChartScale, WidgetPaintsAtTheScreensPixelRatio)
{
    const double expected =
        qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble() : 1.0;
    DelayChart d;
    d.Chart->show();
    EXPECT_DOUBLE_EQ(d.Chart->devicePixelRatioF(), expected);
    const QPixmap shown = d.Chart->grab();
    EXPECT_DOUBLE_EQ(d.Chart->BufferScale(), expected);
    EXPECT_EQ(d.Chart->BufferPixelSize(), QSize(int(std::ceil(728 * expected)), int(std::ceil(289 * expected))));
    EXPECT_EQ(d.Chart->size(), QSize(728, 289));
}
