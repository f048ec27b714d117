#pragma once
// The delay chart set up by the window's own unit (app/DelayChart), owned by
// the test and fed with test data.
#include "desktop/DelayChart.h"
#include "report/DelaySummary.h"
#include "chart/BarSeries.h"
#include "chart/Chart.h"
#include "platform/DateTime.h"

#include <memory>
#include <vector>

// 46 days ending 2021-06-23, heights spread over the three colour bands; the
// eighth day has a delay beyond a day and is drawn with height 0.
inline std::vector<TDelayPoint> DelayPoints(int count = 46)
{
    TDateTime last = 0;
    TryEncodeDate(2021, 6, 23, last);
    std::vector<TDelayPoint> points;
    for (int i = 0; i < count; ++i) {
        const double minutes = 5 + (i * 37 % 43);
        if (i == 7)
            points.push_back({last - (count - 1) + i, 0, ColourOwnSeries});
        else
            points.push_back({last - (count - 1) + i, minutes, DelayColour(float(minutes))});
    }
    return points;
}

// The chart of the window with the given points, from the first point's day
// to the last one's; counts the paints that reach OnAfterDraw.
struct DelayChart
{
    std::unique_ptr<TChart> Chart = std::make_unique<TChart>();
    TDelayChart Delay{Chart.get()};
    TBarSeries* Series = Delay.Series();
    TDateTime FirstDate = 0, LastDate = 0;
    int AfterDrawCount = 0;

    explicit DelayChart(const std::vector<TDelayPoint>& points = DelayPoints())
    {
        if (!points.empty()) {
            FirstDate = points.front().Day;
            LastDate = points.back().Day;
        }
        Delay.SetDataFolder(QStringLiteral("/some/folder/"));
        Delay.Plot(points, FirstDate, LastDate);
        Chart->SetOnAfterDraw([this](TChart* sender) {
            ++AfterDrawCount;
            Delay.DrawReferenceLine(sender);
        });
    }
};
