// The chart on a high-density screen and in scaled images: drawn at the
// device's resolution, with every position in logical pixels unchanged.
// (The end-to-end run compares the 1x and 2x pictures pixel by pixel.)
#include "tests/chart/ChartFixture.h"

#include <QPixmap>
#include <gtest/gtest.h>

#include <cmath>

TEST(ChartScale, ARenderAtTwiceTheScaleKeepsTheLayout)
{
    DelayChart d;
    const QImage one = d.Chart->RenderToImage();
    const TChartRect plot = d.Chart->ChartRect();
    const int y45 = d.Chart->LeftAxis()->ValueToPixel(45);
    const QImage two = d.Chart->RenderToImage(2);
    ASSERT_EQ(two.size(), QSize(2 * 728, 2 * 289));
    EXPECT_EQ(two.devicePixelRatio(), 1.0);
    EXPECT_EQ(d.Chart->ChartRect(), plot);
    EXPECT_EQ(d.Chart->LeftAxis()->ValueToPixel(45), y45);
    // The 1-pixel reference line is two device pixels thick, no more.
    const QRgb dash = qRgb(128, 0, 32);
    int both = 0, beside = 0;
    for (int x = 2 * plot.Left; x < 2 * plot.Right; ++x) {
        both += (two.pixel(x, 2 * y45) | 0xFF000000) == dash && (two.pixel(x, 2 * y45 + 1) | 0xFF000000) == dash;
        beside += (two.pixel(x, 2 * y45 - 1) | 0xFF000000) == dash || (two.pixel(x, 2 * y45 + 2) | 0xFF000000) == dash;
    }
    EXPECT_GT(both, plot.Width() / 2);
    EXPECT_EQ(beside, 0);
    EXPECT_EQ(d.Chart->RenderToImage(), one);  // back at 1x, the same picture
}

// The ctest runs this again under QT_SCALE_FACTOR=2 and 1.5: the widget
// paints at the screen's ratio, not at 1x scaled up.
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
