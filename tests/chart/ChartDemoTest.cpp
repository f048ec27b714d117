// Renders the delay chart and, when asked through LAGWATCH_CHART_PNG, saves it
// for a look by eye.
#include "ChartFixture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

TEST(ChartDemo, RendersDelayChartAndSavesOnRequest)
{
    DelayChart d;
    const QImage image = d.Chart->RenderToImage();
    ASSERT_EQ(image.size(), QSize(728, 289));
    EXPECT_EQ(d.AfterDrawCount, 1);
    const QString path = qEnvironmentVariable("LAGWATCH_CHART_PNG");
    if (!path.isEmpty()) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        EXPECT_TRUE(image.save(path));
    }
}
