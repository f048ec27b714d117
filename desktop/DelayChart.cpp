#include "desktop/DelayChart.h"

#include "chart/BarSeries.h"
#include "chart/Chart.h"

#include <algorithm>

TDelayChart::TDelayChart(TChart* chart) : FChart(chart)
{
    // Design values go in inside the loading bracket, as a stored form is read.
    chart->BeginLoading();
    chart->resize(DelayChartWidth, DelayChartHeight);
    chart->SetView3D(false);
    chart->SetLegendVisible(false);
    chart->Title()->SetText({QStringLiteral("Delay of CRM data")});
    chart->BottomAxis()->Title()->SetCaption(QStringLiteral("Date"));
    chart->LeftAxis()->Title()->SetCaption(QStringLiteral("Minutes"));
    chart->BackWall()->SetColor(clWhite);
    chart->BackWall()->SetBrushStyle(TBrushStyle::Clear);
    chart->SetOnAfterDraw([this](TChart* sender) { DrawReferenceLine(sender); });

    FSeries = new TBarSeries;
    FSeries->SetMarksVisible(false);
    FSeries->Shadow()->SetColor(0x848484);
    FSeries->XValues()->SetDateTime(true);
    FSeries->XValues()->SetOrder(TValueListOrder::Ascending);
    FSeries->YValues()->SetOrder(TValueListOrder::None);
    chart->AddSeries(FSeries);
    chart->EndLoading();
}

TDelayChart::~TDelayChart()
{
    if (FChart)
        FChart->SetOnAfterDraw({});
}

void TDelayChart::SetDataFolder(const QString& folder, const QString& family)
{
    FChart->Title()->SetText({QStringLiteral("Delay of %1 data in  ").arg(FamilyDataName(family)) + folder});
}

namespace {

// The slots of a day on a time axis: a label every hour or more, as many as fit.
constexpr double OneHour = 1.0 / 24;
constexpr int BarWidthPercent = 70;

// The chart gives each bar a share of the axis per point. Bars at their slots'
// times fill 70% of a slot where the slots are regular; where some are
// missing there are fewer points than slots, and neighbours would overlap.
int SlotBarWidthPercent(const std::vector<TDelayPoint>& points)
{
    double least = 0;
    for (size_t i = 1; i < points.size(); ++i) {
        const double gap = points[i].Day - points[i - 1].Day;
        if (gap > 0 && (least == 0 || gap < least))
            least = gap;
    }
    if (least == 0)
        return BarWidthPercent;
    // The axis spans the points and about a slot of margin on either side.
    const double share = least * double(points.size() + 1) / (points.back().Day - points.front().Day + 2 * least);
    return std::clamp(int(BarWidthPercent * share), 1, BarWidthPercent);
}

}  // namespace

void TDelayChart::Plot(const std::vector<TDelayPoint>& points, TDateTime firstDate, TDateTime lastDate)
{
    TDelaySummary days;
    days.Points = points;
    days.FirstDate = firstDate;
    days.LastDate = lastDate;
    Plot(days);
}

void TDelayChart::Plot(const TDelaySummary& summary)
{
    FFirstDate = summary.FirstDate;
    FLastDate = summary.LastDate;
    FLineReach = 0.7 * summary.BarSpacing;
    FLineMinutes = summary.Limits.CriticalMinutes;
    double tallest = 0;
    FSeries->SetBarWidthPercent(summary.SlotBars ? SlotBarWidthPercent(summary.Points) : BarWidthPercent);
    FSeries->BeginUpdate();
    // A window shows another family, or a later scan, in the same series.
    FSeries->Clear();
    for (const TDelayPoint& p : summary.Points) {
        if (p.Colour != ColourOwnSeries)
            tallest = std::max(tallest, p.Minutes);
        FSeries->AppendPoint(p.Day, p.Minutes, QString(), p.Colour);
    }
    FSeries->EndUpdate();

    FChart->LeftAxis()->SetAutomaticMaximum(false);
    FChart->LeftAxis()->SetMaximum(LeftAxisMaximum(tallest, summary.Limits));
    FChart->BottomAxis()->SetDateTimeFormat(summary.SlotBars ? QStringLiteral("mmm dd hh:nn") : QStringLiteral("mmm dd"));
    FChart->BottomAxis()->SetIncrement(summary.SlotBars ? OneHour : 3);
    FChart->BottomAxis()->SetMinorTickCount(2);
    // A batch does not repaint, and the setters above only when a value
    // changed: a later scan or another family with the same axes would keep
    // the old bars on the screen.
    FChart->Invalidate();
}

void TDelayChart::DrawReferenceLine(TChart* sender) const
{
    if (!(FLastDate > FFirstDate))
        return;
    const int y = sender->LeftAxis()->ValueToPixel(FLineMinutes);
    const int x1 = sender->BottomAxis()->ValueToPixel(FFirstDate - FLineReach);
    const int x2 = sender->BottomAxis()->ValueToPixel(FLastDate + FLineReach);
    sender->Canvas()->Pen()->SetStyle(TPenStyle::Dash);
    sender->Canvas()->Pen()->SetColor(ColourReferenceLine);
    sender->Canvas()->DrawHorizontalLine(x1, x2, y);
}
