#include "chart/ChartSeries.h"

#include "chart/Chart.h"

#include <cmath>

const TColor DefaultChartPalette[20] = {0x0000FF, 0x008000, 0x00FFFF, 0xFF0000, 0xFFFFFF, 0x808080, 0xFF00FF,
                                        0x808000, 0x800000, 0x000080, 0x00FF00, 0x008080, 0x800080, 0xC0C0C0,
                                        0xFFFF00, 0x000000, 0xC0DCC0, 0xF0CAA6, 0xF0FBFF, 0xA4A0A0};

void TChartValueList::Insert(int i, double v)
{
    FValues.insert(FValues.begin() + i, v);
    FStale = true;
}

void TChartValueList::Clear()
{
    FValues.clear();
    FStale = true;
}

void TChartValueList::Recalc() const
{
    FStale = false;
    bool any = false;
    FMin = FMax = 0;
    for (double v : FValues) {
        if (std::isnan(v))
            continue;
        if (!any || v < FMin)
            FMin = v;
        if (!any || v > FMax)
            FMax = v;
        any = true;
    }
}

double TChartValueList::MinValue() const
{
    if (FStale)
        Recalc();
    return FMin;
}

double TChartValueList::MaxValue() const
{
    if (FStale)
        Recalc();
    return FMax;
}

int TChartValueList::InsertionIndex(double v) const
{
    const int n = Count();
    if (FOrder == TValueListOrder::None || n == 0)
        return n;
    // Binary search for the first value that v must precede; comparisons with
    // NaN are false, so a NaN anywhere cannot send the search out of range.
    const bool ascending = FOrder == TValueListOrder::Ascending;
    if (ascending ? !(v < FValues.back()) : !(v > FValues.back()))
        return n;
    int lo = 0, hi = n;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        const double m = FValues[size_t(mid)];
        if (ascending ? m > v : m < v)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

TChartSeries::TChartSeries()
{
    SetOnChange([this] {
        if (FChart)
            FChart->Invalidate();
    });
    FXValues.SetOnChange([this] { Changed(); });
    FYValues.SetOnChange([this] { Changed(); });
}

TChartSeries::~TChartSeries()
{
    if (FChart)
        FChart->RemoveSeries(this);
}

void TChartSeries::SetParentChart(TChart* chart)
{
    FChart = chart;
    if (!chart || FSeriesColorSet)
        return;
    TColor chosen = DefaultChartPalette[19];
    for (TColor c : DefaultChartPalette) {
        bool used = c == chart->Color() || c == chart->BackWall()->Color();
        for (int i = 0; i < chart->SeriesCount() && !used; ++i)
            used = chart->Series(i) != this && chart->Series(i)->SeriesColor() == c;
        if (!used) {
            chosen = c;
            break;
        }
    }
    FSeriesColor = chosen;
}

void TChartSeries::SetSeriesColor(TColor v)
{
    FSeriesColorSet = true;
    Set(FSeriesColor, v);
}

QString TChartSeries::Label(int i) const
{
    return FHasLabels && i >= 0 && i < int(FLabels.size()) ? FLabels[size_t(i)] : QString();
}

TColor TChartSeries::ValueColor(int i) const
{
    const TColor stored = FHasColors && i >= 0 && i < int(FColors.size()) ? FColors[size_t(i)] : clDefault;
    if (stored != clDefault)
        return stored;
    if (!FColorEachPoint)
        return FSeriesColor;
    return DefaultChartPalette[size_t(i) % 20];
}

void TChartSeries::Clear()
{
    FXValues.Clear();
    FYValues.Clear();
    FHasColors = false;
    FColors.clear();
    FHasLabels = false;
    FLabels.clear();
    if (FUpdateCount == 0 && FActive)
        Changed();
    else if (FActive && FChart)
        FChart->InvalidateLayout();
}

int TChartSeries::AppendPoint(double x, double y, const QString& label, TColor color)
{
    if (FOnBeforeAdd && !FOnBeforeAdd(this))
        return -1;
    const int index = FXValues.InsertionIndex(x);
    FXValues.Insert(index, x);
    FYValues.Insert(index, y);
    if (!FHasColors && color != clDefault) {
        FHasColors = true;
        FColors.assign(size_t(Count() - 1), clDefault);
    }
    if (FHasColors)
        FColors.insert(FColors.begin() + index, color);
    if (!label.isEmpty() && !FHasLabels) {
        FHasLabels = true;
        FLabels.assign(size_t(Count() - 1), QString());
    }
    if (FHasLabels)
        FLabels.insert(FLabels.begin() + index, label);
    if (FUpdateCount == 0) {
        if (FOnAfterAdd)
            FOnAfterAdd(index);
        if (FActive)
            Changed();
    } else if (FActive && FChart) {
        FChart->InvalidateLayout();
    }
    return index;
}

void TChartSeries::EndUpdate()
{
    // Closing a batch reports the new data to listeners (none here) and lays
    // the chart out for it, but does not repaint: the caller decides when the
    // chart shows it.
    if (FUpdateCount == 0)
        return;
    if (--FUpdateCount == 0 && FChart)
        FChart->UpdateLayout();
}

TChartAxis* TChartSeries::HorizAxis() const { return FChart ? FChart->BottomAxis() : nullptr; }
TChartAxis* TChartSeries::VertAxis() const { return FChart ? FChart->LeftAxis() : nullptr; }

bool TChartSeries::UsesAxis(const TChartAxis* axis) const
{
    return axis && (axis == HorizAxis() || axis == VertAxis());
}
