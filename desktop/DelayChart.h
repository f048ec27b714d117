#pragma once
// The delay chart as the window shows it: its design, the bars of a summary
// with the axes fitted to them, and the dashed reference line at the family's
// critical limit (45 minutes unless set) drawn after every paint. The window
// and the chart's tests set it up through here.
#include "report/DelaySummary.h"
#include "platform/DateTime.h"

#include <QPointer>
#include <QString>

#include <vector>

class TBarSeries;
class TChart;

// The chart's size in the window, and of the picture -png saves.
constexpr int DelayChartWidth = 728;
constexpr int DelayChartHeight = 289;

class TDelayChart
{
public:
    // Sizes the chart and applies its design data inside the loading
    // bracket, with one bar series, which the chart owns.
    explicit TDelayChart(TChart* chart);
    // The chart keeps no reference line after this object is gone.
    ~TDelayChart();
    TDelayChart(const TDelayChart&) = delete;
    TDelayChart& operator=(const TDelayChart&) = delete;

    TChart* Chart() const { return FChart; }
    TBarSeries* Series() const { return FSeries; }
    // The days (or slot times) the reference line runs between (0 before the first Plot).
    TDateTime FirstDate() const { return FFirstDate; }
    TDateTime LastDate() const { return FLastDate; }

    // The title: "Delay of CRM data in  " and the folder; another family is
    // named as it is written (FamilyDataName).
    void SetDataFolder(const QString& folder, const QString& family = {});

    // Adds a bar for every point in one batch (ColourOwnSeries: the series'
    // own colour), then fits the axes to them: minutes up to LeftAxisMaximum
    // of the tallest bar with a colour of its own, dates labelled "mmm dd"
    // every third day with two minor ticks in between. The reference line
    // runs from firstDate - 0.7 to lastDate + 0.7 at 45 minutes. The chart is
    // then painted anew, whatever changed.
    void Plot(const std::vector<TDelayPoint>& points, TDateTime firstDate, TDateTime lastDate);
    // The summary's points, between its first and last dates, its line at
    // its critical limit; slot bars on a time axis labelled "mmm dd hh:nn".
    void Plot(const TDelaySummary& summary);

    // The dashed line in ColourReferenceLine, drawn on the chart's canvas
    // when the last date is after the first; the chart calls it after every
    // paint.
    void DrawReferenceLine(TChart* sender) const;

private:
    QPointer<TChart> FChart;
    TBarSeries* FSeries = nullptr;
    TDateTime FFirstDate = 0, FLastDate = 0;
    // How far the line reaches beyond those, in days, and its height in minutes.
    double FLineReach = 0.7;
    double FLineMinutes = TFamilyLimits().CriticalMinutes;
};
