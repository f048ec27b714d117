#pragma once
// A chart set up the way the delay window sets up its own: design data inside
// the loading bracket, one bar series filled in a batch, axes fixed afterwards.
#include "chart/BarSeries.h"
#include "chart/Chart.h"
#include "platform/DateTime.h"

#include <memory>
#include <vector>

struct DelayPoint
{
    TDateTime Day;
    double Minutes;
    TColor Color;
};

inline TColor DelayColor(double minutes)
{
    if (minutes > 45)
        return 0x5050FF;
    if (minutes > 35)
        return 0x5096FF;
    return 0x46C846;
}

// 46 days ending 2021-06-23, heights spread over the three colour bands; the
// eighth day has a delay beyond a day and is drawn with height 0.
inline std::vector<DelayPoint> DelayPoints(int count = 46)
{
    TDateTime last = 0;
    TryEncodeDate(2021, 6, 23, last);
    std::vector<DelayPoint> points;
    for (int i = 0; i < count; ++i) {
        const double minutes = 5 + (i * 37 % 43);
        if (i == 7)
            points.push_back({last - (count - 1) + i, 0, clDefault});
        else
            points.push_back({last - (count - 1) + i, minutes, DelayColor(minutes)});
    }
    return points;
}

struct DelayChart
{
    std::unique_ptr<TChart> Chart;
    TBarSeries* Series = nullptr;
    TDateTime FirstDate = 0, LastDate = 0;
    int AfterDrawCount = 0;

    explicit DelayChart(const std::vector<DelayPoint>& points = DelayPoints(), bool withAfterDraw = true)
    {
        Chart = std::make_unique<TChart>();
        TChart* c = Chart.get();
        c->BeginLoading();
        c->setGeometry(8, 8, 728, 289);
        c->SetView3D(false);
        c->Legend()->SetVisible(false);
        c->Title()->SetText({QStringLiteral("Delay of CRM data in  /some/folder/")});
        c->BottomAxis()->Title()->SetCaption(QStringLiteral("Date"));
        c->LeftAxis()->Title()->SetCaption(QStringLiteral("Minutes"));
        c->BackWall()->SetColor(clWhite);
        c->BackWall()->SetBrushStyle(TBrushStyle::Clear);
        Series = new TBarSeries;
        Series->SetMarksVisible(false);
        Series->Shadow()->SetColor(0x848484);
        Series->XValues()->SetDateTime(true);
        c->AddSeries(Series);
        c->EndLoading();

        double maximum = 0;
        Series->BeginUpdate();
        for (const DelayPoint& p : points) {
            if (FirstDate == 0)
                FirstDate = p.Day;
            LastDate = p.Day;
            if (p.Color != clDefault)
                maximum = std::max(maximum, p.Minutes);
            Series->AppendPoint(p.Day, p.Minutes, QString(), p.Color);
        }
        Series->EndUpdate();
        c->LeftAxis()->SetAutomaticMaximum(false);
        c->LeftAxis()->SetMaximum(maximum >= 45 ? maximum + 2 : 47);
        c->BottomAxis()->SetDateTimeFormat(QStringLiteral("mmm dd"));
        c->BottomAxis()->SetIncrement(3);
        c->BottomAxis()->SetMinorTickCount(2);
        if (withAfterDraw)
            c->SetOnAfterDraw([this](TChart* sender) { AfterDraw(sender); });
    }

    void AfterDraw(TChart* sender)
    {
        ++AfterDrawCount;
        if (!(LastDate > FirstDate))
            return;
        const int y = sender->LeftAxis()->ValueToPixel(45.0);
        const int x1 = sender->BottomAxis()->ValueToPixel(FirstDate - 0.7);
        const int x2 = sender->BottomAxis()->ValueToPixel(LastDate + 0.7);
        sender->Canvas()->Pen()->SetStyle(TPenStyle::Dash);
        sender->Canvas()->Pen()->SetColor(0x200080);
        sender->Canvas()->DrawHorizontalLine(x1, x2, y);
    }
};
