#include "chart/BarSeries.h"

#include "chart/Canvas3D.h"
#include "chart/Chart.h"
#include "chart/ChartAxis.h"
#include "platform/Rounding.h"

#include <algorithm>
#include <cmath>

int BarWidthFromSlot(int barWidthPercent, int axisPixelsPerPoint, int bars)
{
    int width = RoundToInt(double(barWidthPercent) * axisPixelsPerPoint / 100.0) / std::max(1, bars);
    if (width % 2 != 0)
        ++width;
    return width;
}

TBarRect BarGeometry(int x, int top, int bottom, int barWidth, int order, int bars, int offsetPercent,
                     bool penVisible)
{
    TBarRect r;
    r.Left = x + RoundToInt((order - bars / 2.0 - 1) * barWidth);
    if (offsetPercent != 0)
        r.Left += RoundToInt(offsetPercent * barWidth / 100.0);
    r.Right = r.Left + barWidth + 1;
    r.Top = top;
    r.Bottom = bottom;
    if (!penVisible) {
        (r.Top > r.Bottom ? r.Top : r.Bottom) += 1;
        r.Right += 1;
    }
    return r;
}

TBarSeries::TBarSeries()
{
    YValues()->SetName(QStringLiteral("Bar"));
    FBarPen.SetOnChange([this] { Changed(); });
    FShadow.SetOnChange([this] { Changed(); });
}

double TBarSeries::MinYValue() const
{
    const double v = TChartSeries::MinYValue();
    return FUseYOrigin && !(v < FYOrigin) ? FYOrigin : v;
}

double TBarSeries::MaxYValue() const
{
    const double v = TChartSeries::MaxYValue();
    return FUseYOrigin && !(v > FYOrigin) ? FYOrigin : v;
}

void TBarSeries::PrepareForDraw()
{
    FMaxPoints = 0;
    FNumBars = 0;
    FOrder = 1;
    TChart* chart = ParentChart();
    if (!chart)
        return;
    for (int i = 0; i < chart->SeriesCount(); ++i) {
        auto* s = dynamic_cast<TBarSeries*>(chart->Series(i));
        if (!s || !s->Active())
            continue;
        ++FNumBars;
        if (s == this)
            FOrder = FNumBars;
        FMaxPoints = std::max(FMaxPoints, s->Count());
    }
    if (FSideMargins && FMaxPoints > 0)
        ++FMaxPoints;
    FNumBars = std::max(1, FNumBars);
}

void TBarSeries::CalcBarWidth()
{
    FBarWidth = 0;
    TChartAxis* axis = HorizAxis();
    if (FCustomBarWidth != 0) {
        FBarWidth = FCustomBarWidth;
        return;
    }
    if (FMaxPoints <= 0 || !axis)
        return;
    int a;
    if (FAutoBarSize)
        a = RoundToInt(axis->IAxisSize() / (axis->LimitMaximum() + 2 - axis->LimitMinimum()));
    else if (axis->Automatic())
        a = axis->IAxisSize() / FMaxPoints;
    else {
        const double minX = MinXValue(), maxX = MaxXValue();
        const double far = maxX + (Count() > 0 ? (maxX - minX) / Count() : 0);
        const double d = double(axis->ValueToPixel(far)) - axis->ValueToPixel(minX);
        a = RoundToInt(std::fabs(d)) / FMaxPoints;
    }
    FBarWidth = BarWidthFromSlot(FBarWidthPercent, a, FNumBars);
}

void TBarSeries::CalcHorizMargins(int& left, int& right)
{
    CalcBarWidth();
    left = right = FSideMargins ? FBarWidth * FNumBars : FBarWidth * FNumBars / 2;
}

void TBarSeries::CalcVerticalMargins(int& top, int& bottom)
{
    // Marks would need room above the bars; they are the only vertical margin.
    top = bottom = 0;
}

void TBarSeries::Fresh() const
{
    if (TChart* chart = ParentChart())
        chart->UpdateLayout();
}

int TBarSeries::MaxPoints() const
{
    Fresh();
    return FMaxPoints;
}

int TBarSeries::NumBars() const
{
    Fresh();
    return FNumBars;
}

int TBarSeries::BarOrder() const
{
    Fresh();
    return FOrder;
}

int TBarSeries::BarWidth() const
{
    Fresh();
    return FBarWidth;
}

TBarRect TBarSeries::PointRect(int i) const
{
    Fresh();
    TChartAxis* h = HorizAxis();
    TChartAxis* v = VertAxis();
    const int x = h->ValueToPixel(XValues()->Value(i));
    const int top = v->ValueToPixel(YValues()->Value(i));
    const int bottom = FUseYOrigin ? v->ValueToPixel(FYOrigin) : v->IEndPos();
    return BarGeometry(x, top, bottom, FBarWidth, FOrder, FNumBars, FOffsetPercent, FBarPen.Visible());
}

void TBarSeries::DrawValues(TCanvas3D* canvas)
{
    TChartAxis* h = HorizAxis();
    TChartAxis* v = VertAxis();
    if (!h || !v)
        return;
    const double lo = h->MinAxisValue(), hi = h->MaxAxisValue();
    // Later points are drawn over earlier ones; on an inverted axis the order turns round.
    const bool backwards = h->Inverted();
    for (int n = 0; n < Count(); ++n) {
        const int i = backwards ? Count() - 1 - n : n;
        const double x = XValues()->Value(i), y = YValues()->Value(i);
        // Points that have no place on the axes are skipped rather than drawn at a clamp.
        if (!std::isfinite(x) || !std::isfinite(y) || x < lo || x > hi)
            continue;
        const TColor color = ValueColor(i);
        if (color == clNone)
            continue;
        const TBarRect r = PointRect(i);
        if (FShadow.Visible() && (FShadow.HorizSize() != 0 || FShadow.VertSize() != 0)) {
            canvas->Pen()->SetStyle(TPenStyle::Clear);
            canvas->Brush()->SetStyle(TBrushStyle::Solid);
            canvas->Brush()->SetColor(FShadow.Color());
            canvas->Rectangle(r.Left + FShadow.HorizSize(), r.Top + FShadow.VertSize(),
                              r.Right + FShadow.HorizSize(), r.Bottom + FShadow.VertSize());
        }
        canvas->Pen()->Assign(FBarPen);
        canvas->Brush()->SetStyle(FBarBrushStyle);
        canvas->Brush()->SetColor(color);
        canvas->SetBackColor(ParentChart()->Color());
        const bool solid = FBarBrushStyle == TBrushStyle::Solid;
        if (solid && (r.Right == r.Left || r.Top == r.Bottom)) {
            canvas->Pen()->SetColor(color);
            if (canvas->Pen()->Style() == TPenStyle::Clear)
                canvas->Pen()->SetStyle(TPenStyle::Solid);
            canvas->Line(r.Left, r.Top, r.Right, r.Bottom);
            continue;
        }
        if (solid && (std::abs(r.Right - r.Left) < canvas->Pen()->Width()
                      || std::abs(r.Bottom - r.Top) < canvas->Pen()->Width())) {
            canvas->Pen()->SetColor(color);
            if (canvas->Pen()->Style() == TPenStyle::Clear)
                canvas->Pen()->SetStyle(TPenStyle::Solid);
            canvas->Brush()->SetStyle(TBrushStyle::Clear);
        }
        canvas->Rectangle(r.Left, r.Top, r.Right, r.Bottom);
    }
}
