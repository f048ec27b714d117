#include "desktop/FamilyCharts.h"

#include "app/UserMessage.h"
#include "chart/Chart.h"
#include "desktop/DelayChart.h"
#include "desktop/FamilyHistory.h"
#include "platform/ImageFile.h"

QImage RenderFamilyCharts(const std::vector<TFamilyReading>& families, const QString& dataFolder, int scale)
{
    std::vector<QImage> charts;
    for (const TFamilyReading& family : families) {
        TChart chart;
        TDelayChart delayChart(&chart);
        delayChart.SetDataFolder(dataFolder, family.Name);
        delayChart.Plot(family.Summary);
        charts.push_back(chart.RenderToImage(scale));
    }
    return StackImages(charts);
}

TSaveChart ChartImageWriter(int scale)
{
    return [scale](const QString& dataFolder, const std::vector<TFamilyReading>& families, const QString& file) {
        QString error;
        // -png: a PNG whatever the name (chart.jpg, chart.img, /dev/stdout).
        if (SavePngFile(RenderFamilyCharts(families, dataFolder, scale), file, error))
            return true;
        TellUser(error);
        return false;
    };
}
