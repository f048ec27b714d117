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

void TDelayChart::SetDataFolder(const QString& folder)
{
    FChart->Title()->SetText({QStringLiteral("Delay of CRM data in  ") + folder});
}

void TDelayChart::Plot(const std::vector<TDelayPoint>& points, TDateTime firstDate, TDateTime lastDate)
{
    FFirstDate = firstDate;
    FLastDate = lastDate;
    double tallest = 0;
    FSeries->BeginUpdate();
    // A window shows another family, or a later scan, in the same series.
    FSeries->Clear();
    for (const TDelayPoint& p : points) {
        if (p.Colour != ColourOwnSeries)
            tallest = std::max(tallest, p.Minutes);
        FSeries->AppendPoint(p.Day, p.Minutes, QString(), p.Colour);
    }
    FSeries->EndUpdate();

    FChart->LeftAxis()->SetAutomaticMaximum(false);
    FChart->LeftAxis()->SetMaximum(LeftAxisMaximum(tallest));
    FChart->BottomAxis()->SetDateTimeFormat(QStringLiteral("mmm dd"));
    FChart->BottomAxis()->SetIncrement(3);
    FChart->BottomAxis()->SetMinorTickCount(2);
}

void TDelayChart::Plot(const TDelaySummary& summary) { Plot(summary.Points, summary.FirstDate, summary.LastDate); }

void TDelayChart::DrawReferenceLine(TChart* sender) const
{
    if (!(FLastDate > FFirstDate))
        return;
    const int y = sender->LeftAxis()->ValueToPixel(45.0);
    const int x1 = sender->BottomAxis()->ValueToPixel(FFirstDate - 0.7);
    const int x2 = sender->BottomAxis()->ValueToPixel(FLastDate + 0.7);
    sender->Canvas()->Pen()->SetStyle(TPenStyle::Dash);
    sender->Canvas()->Pen()->SetColor(ColourReferenceLine);
    sender->Canvas()->DrawHorizontalLine(x1, x2, y);
}
