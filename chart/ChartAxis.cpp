#include "chart/ChartAxis.h"

#include "chart/Canvas3D.h"
#include "chart/Chart.h"
#include "chart/ChartSeries.h"
#include "chart/DateTimeSteps.h"
#include "chart/ValueFormat.h"
#include "platform/DateFormat.h"
#include "platform/Rounding.h"

#include <QFontMetrics>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {

// The locale's Qt date or time pattern in the letters the date formatter knows.
QString LocalePattern(bool date)
{
    const QLocale locale;
    const QString qt = date ? locale.dateFormat(QLocale::ShortFormat) : locale.timeFormat(QLocale::ShortFormat);
    QString out;
    for (int i = 0; i < qt.size(); ++i) {
        const QChar c = qt.at(i);
        if (c == QLatin1Char('M'))
            out += QLatin1Char('m');
        else if (c == QLatin1Char('H'))
            out += QLatin1Char('h');
        else if (!date && c == QLatin1Char('m'))
            out += QLatin1Char('n');
        else if (c == QLatin1Char('A') || c == QLatin1Char('a') || c == QLatin1Char('P') || c == QLatin1Char('p')
                 || c == QLatin1Char('t'))
            continue;
        else
            out += c;
    }
    return out.trimmed();
}

QString PrintG15(double v)
{
    return QString::number(v, 'g', 15);
}

} // namespace

TChartAxis::TChartAxis(TChart* chart, bool horizontal, bool otherSide)
    : FChart(chart), FHorizontal(horizontal), FOtherSide(otherSide)
{
    // The chart is still being built: defaults go in before change reports are wired.
    if (!horizontal)
        FTitle.SetAngle(otherSide ? 270 : 90);
    const auto changed = [this] {
        if (FChart)
            FChart->Invalidate();
    };
    SetOnChange(changed);
    for (TChartNotifier* part : std::initializer_list<TChartNotifier*>{
             &FTicks, &FMinorTicks, &FTicksInner, &FGrid, &FMinorGrid, &FAxisPen, &FTitle, FTitle.Font(), &FLabelsFont})
        part->SetOnChange(changed);
}

bool TChartAxis::Loading() const { return FChart && FChart->IsLoading(); }

void TChartAxis::Fresh() const
{
    if (FChart)
        FChart->UpdateLayout();
}

void TChartAxis::SetAutomatic(bool v)
{
    Set(FAutomatic, v);
    if (!Loading()) {
        SetAutomaticMinimum(v);
        SetAutomaticMaximum(v);
    }
}

void TChartAxis::SetAutomaticMaximum(bool v)
{
    // Automatic follows even when the flag already held v: design data may
    // have set Automatic alone.
    bool changed = AssignChanged(FAutomaticMaximum, v);
    if (!v || FAutomaticMinimum)
        changed = AssignChanged(FAutomatic, v) || changed;
    if (changed)
        Changed();
}

void TChartAxis::SetAutomaticMinimum(bool v)
{
    bool changed = AssignChanged(FAutomaticMinimum, v);
    if (!v || FAutomaticMaximum)
        changed = AssignChanged(FAutomatic, v) || changed;
    if (changed)
        Changed();
}

void TChartAxis::SetMaximum(double v)
{
    if (!Loading() && v < FMinimum)
        throw AxisException("Axis Maximum Value must be >= Minimum");
    Set(FMaximum, v);
}

void TChartAxis::SetMinimum(double v)
{
    if (!Loading() && v > FMaximum)
        throw AxisException("Axis Minimum Value must be <= Maximum");
    Set(FMinimum, v);
}

void TChartAxis::SetIncrement(double v)
{
    if (v < 0)
        throw AxisException("Axis increment must be >= 0");
    Set(FIncrement, v);
}

// ---- range and pixels ------------------------------------------------------

bool TChartAxis::IsVisibleInChart() const
{
    if (!FChart || !FChart->AxisVisible() || !FVisible)
        return false;
    for (int i = 0; i < FChart->SeriesCount(); ++i) {
        const TChartSeries* s = FChart->Series(i);
        if (s->Active() && s->UsesAxis(this))
            return true;
    }
    return false;
}

void TChartAxis::CalcMinMax()
{
    double lo = 0, hi = 0;
    bool any = false;
    FIsDateTime = false;
    if (FChart) {
        for (int i = 0; i < FChart->SeriesCount(); ++i) {
            const TChartSeries* s = FChart->Series(i);
            if (!s->Active() || !s->UsesAxis(this))
                continue;
            const bool along = FHorizontal ? s->HorizAxis() == this : s->VertAxis() == this;
            if (!along)
                continue;
            if (FHorizontal ? s->XValues()->DateTime() : s->YValues()->DateTime())
                FIsDateTime = true;
            if (s->Count() == 0)
                continue;
            const double smin = FHorizontal ? s->MinXValue() : s->MinYValue();
            const double smax = FHorizontal ? s->MaxXValue() : s->MaxYValue();
            lo = any ? std::min(lo, smin) : smin;
            hi = any ? std::max(hi, smax) : smax;
            any = true;
        }
    }
    FLimitMax = FAutomatic || FAutomaticMaximum ? hi : FMaximum;
    FLimitMin = FAutomatic || FAutomaticMinimum ? lo : FMinimum;
    SetWorkingRange(FLimitMin, FLimitMax);
}

void TChartAxis::StoreFoundLimits()
{
    // Without invalidating: the picture being painted shows these limits.
    if (FAutomatic || FAutomaticMaximum)
        FMaximum = FLimitMax;
    if (FAutomatic || FAutomaticMinimum)
        FMinimum = FLimitMin;
}

void TChartAxis::SetWorkingRange(double lo, double hi)
{
    FMinAxis = lo;
    FMaxAxis = hi;
    FRange = hi - lo;
    FPixelsPerUnit = FRange != 0 ? FSize / FRange : 0;
}

void TChartAxis::SetExtent(const TChartRect& plot)
{
    const int origin = FHorizontal ? plot.Left : plot.Top;
    const double length = FHorizontal ? double(plot.Right) - plot.Left : double(plot.Bottom) - plot.Top;
    FStart = origin + RoundToInt(length * FStartPosition / 100.0);
    FEnd = origin + RoundToInt(length * FEndPosition / 100.0);
    FSize = FEnd - FStart;
    FCenter = int((int64_t(FStart) + FEnd) / 2);
    SetWorkingRange(FMinAxis, FMaxAxis);
}

void TChartAxis::ApplyMargins()
{
    if (!FChart)
        return;
    int m1 = 0, m2 = 0;
    for (int i = 0; i < FChart->SeriesCount(); ++i) {
        TChartSeries* s = FChart->Series(i);
        if (!s->Active() || !(FHorizontal ? s->HorizAxis() == this : s->VertAxis() == this))
            continue;
        int a = 0, b = 0;
        if (FHorizontal)
            s->CalcHorizMargins(a, b);
        else
            s->CalcVerticalMargins(a, b);
        m1 = std::max(m1, a);
        m2 = std::max(m2, b);
    }
    if (FHorizontal) {
        m1 = FAutomaticMinimum ? m1 : 0;
        m2 = FAutomaticMaximum ? m2 : 0;
    } else {
        m1 = FAutomaticMaximum ? m1 : 0;
        m2 = FAutomaticMinimum ? m2 : 0;
    }
    if (m1 == 0 && m2 == 0)
        return;
    const int start = FStart, end = FEnd, size = FSize;
    FStart = start + m1;
    FEnd = end - m2;
    FSize = FEnd - FStart;
    const double v1 = PixelToValue(start), v2 = PixelToValue(end);
    FStart = start;
    FEnd = end;
    FSize = size;
    SetWorkingRange(std::min(v1, v2), std::max(v1, v2));
}

int TChartAxis::ValueToPixel(double value) const
{
    Fresh();
    if (FRange == 0)
        return FCenter;
    const double d = (value - FMinAxis) * FPixelsPerUnit;
    // 0 x infinity and friends have no place on the axis: the centre stands in.
    if (!std::isfinite(d))
        return FCenter;
    double p;
    if (FHorizontal)
        p = FInverted ? FEnd - d : FStart + d;
    else
        p = FInverted ? FStart + d : FEnd - d;
    if (p > MaxAxisPixel)
        return MaxAxisPixel;
    if (p < -MaxAxisPixel)
        return -MaxAxisPixel;
    return int(std::nearbyint(p));
}

double TChartAxis::PixelToValue(int pixel) const
{
    Fresh();
    if (FSize < 1)
        return 0;
    const double a = (FInverted ? double(FEnd) - pixel : double(pixel) - FStart) * FRange / FSize;
    return FHorizontal ? FMinAxis + a : FMaxAxis - a;
}

// ---- labels ----------------------------------------------------------------

QString TChartAxis::LabelText(double value) const
{
    Fresh();
    if (FIsDateTime) {
        if (!(value >= 0))
            return {};
        QString pattern = FDateTimeFormat;
        if (pattern.isEmpty())
            pattern = LocalePattern(FRange > 1);
        return FormatDateTime(pattern, value, QLocale());
    }
    return FormatAxisValue(value, FAxisValuesFormat, QLocale());
}

int TChartAxis::LabelSize(double value) const
{
    const QString text = LabelText(value);
    const QFontMetrics fm(MakeQFont(FLabelsFont));
    if (FHorizontal)
        return fm.horizontalAdvance(text);
    return fm.height() * int(text.count(QLatin1Char('\n')) + 1);
}

int TChartAxis::LabelsThatFit(double increment) const
{
    Fresh();
    double hi = FMaxAxis, lo = FMinAxis;
    if (FRoundFirstLabel && increment != 0) {
        hi = std::trunc(FMaxAxis / increment) * increment;
        lo = std::nearbyint(FMinAxis / increment) * increment;
    }
    double mid = (hi + lo) / 2;
    // An infinite middle has no fractional part either: it would halve forever.
    for (int guard = 0; guard < MaxAxisSteps && std::isfinite(mid) && mid != 0 && mid == std::trunc(mid); ++guard)
        mid /= 2;
    int s = std::max({LabelSize(mid), LabelSize(hi), LabelSize(lo)});
    if (increment != 0)
        s = std::max({s, LabelSize(hi - increment), LabelSize(lo + increment)});
    if (s <= 0)
        return 1;
    if (FLabelsSeparation <= 0)
        return FSize / s;
    return RoundToInt(FSize / (s + std::nearbyint(s * double(FLabelsSeparation) / 100.0)));
}

double TChartAxis::LabelStepFor(double increment) const
{
    Fresh();
    const int n = LabelsThatFit(increment);
    if (FIsDateTime)
        return DateTimeLabelStep(n, increment, FRange);
    bool raise = false;
    if (FHorizontal && FChart) {
        for (int i = 0; i < FChart->SeriesCount() && !raise; ++i) {
            const TChartSeries* s = FChart->Series(i);
            raise = s->Active() && s->HorizAxis() == this && s->Count() <= n;
        }
    }
    return ValueLabelStep(n, increment, FRange, raise, FLabelsSeparation);
}

double TChartAxis::FinalLabelStep() const
{
    Fresh();
    const double step = LabelStepFor(FIncrement);
    // A step found without a wanted increment is tried again from 1, so that
    // automatic labels land on whole numbers.
    if (FIncrement == 0 && step >= 2)
        return LabelStepFor(1);
    return step;
}

std::vector<double> TChartAxis::LabelValues(double inc, int* kOut) const
{
    Fresh();
    std::vector<double> values;
    int k = -1;
    if (FIsDateTime && FExactDateTime && FIncrement != 0) {
        k = FindDateTimeStep(FIncrement);
        if (k >= 0)
            while (inc > DateTimeStepTable[k] && k < DtOneYear)
                ++k;
    }
    if (kOut)
        *kOut = k;
    const double lo = FMinAxis, hi = FMaxAxis;
    if (!(inc > 0 || (k >= DtHalfMonth && k <= DtOneYear)) || !(hi >= lo))
        return values;
    if (!std::isfinite(lo) || !std::isfinite(hi) || !std::isfinite(inc) || !(std::fabs(FRange / inc) < 10000))
        return values;

    double v;
    const bool calendar = FIsDateTime && FExactDateTime && k >= DtHalfMonth && k <= DtOneYear;
    if (FIsDateTime && FExactDateTime && k >= DtOneDay && k <= DtOneYear)
        v = CalendarFirstLabel(hi, k);
    else if (FRoundFirstLabel && PrintG15(lo) != PrintG15(hi))
        v = std::trunc(hi / inc) * inc;
    else
        v = hi;
    auto stepBack = [&](double x) { return calendar ? CalendarStepBack(x, k, inc) : x - inc; };

    for (int guard = 0; guard < MaxAxisSteps && v > hi; ++guard) {
        const double next = stepBack(v);
        if (!(next < v))
            break;
        v = next;
    }
    if (FRange == 0 || std::fabs(hi - lo) < 1e-10 || PrintG15(v) == PrintG15(v - inc)) {
        values.push_back(v);
        return values;
    }
    const double limit = lo >= 0 ? (lo - 1e-12) / (1 + 1e-12) : lo;
    for (int guard = 0; guard < MaxAxisSteps && v >= limit; ++guard) {
        values.push_back(v);
        const double next = stepBack(v);
        // Near 1e20 a step can be lost in rounding: stop rather than spin.
        if (!(next < v))
            break;
        v = next;
    }
    return values;
}

int TChartAxis::WidestLabel(double step) const
{
    const QFontMetrics fm(MakeQFont(FLabelsFont));
    int widest = 0;
    auto measure = [&](double v) { widest = std::max(widest, fm.horizontalAdvance(LabelText(v))); };
    if (step == 0 || !std::isfinite(step) || !std::isfinite(FMaxAxis) || !std::isfinite(FMinAxis)) {
        measure(FMaxAxis);
        measure(FMinAxis);
        return widest;
    }
    const double hi = std::trunc(FMaxAxis / step) * step;
    const double lo = std::trunc(FMinAxis / step) * step;
    double v = hi;
    for (int guard = 0; guard < MaxAxisSteps && v >= lo; ++guard) {
        measure(v);
        const double next = v - step;
        if (!(next < v))
            break;
        v = next;
    }
    return widest;
}

// ---- space and drawing -----------------------------------------------------

void TChartAxis::CalcSpace(TChartRect& plot)
{
    int& left = plot.Left;
    int& top = plot.Top;
    int& right = plot.Right;
    int& bottom = plot.Bottom;
    auto moveIn = [&](int by) {
        if (FHorizontal)
            (FOtherSide ? top += by : bottom -= by);
        else
            (FOtherSide ? right -= by : left += by);
        return FHorizontal ? (FOtherSide ? top : bottom) : (FOtherSide ? right : left);
    };
    const QFontMetrics titleFm(MakeQFont(*FTitle.Font()));
    const QFontMetrics labelFm(MakeQFont(FLabelsFont));
    FTitleSize = 0;
    if (FTitle.Visible() && !FTitle.Caption().isEmpty()) {
        const int a = FTitle.Angle();
        const bool across = FHorizontal ? (a == 0 || a == 180) : (a == 90 || a == 270);
        FTitleSize = across ? titleFm.height() : titleFm.horizontalAdvance(FTitle.Caption());
        FPosTitle = moveIn(FTitleSize);
    }
    FLabelsSize = 0;
    if (FLabels) {
        if (FHorizontal)
            FLabelsSize = labelFm.height();
        else {
            // The widest label depends on the step, and the step on the room
            // left after the horizontal axes took theirs.
            SetExtent(plot);
            FLabelsSize = WidestLabel(FinalLabelStep()) + labelFm.horizontalAdvance(QStringLiteral(" "));
        }
        FPosLabels = moveIn(FLabelsSize);
    }
    int g = (FAxisPen.Visible() ? FAxisPen.Width() + 1 : 0) + (FTicks.Visible() ? FTickLength : 0);
    if (FMinorTicks.Visible())
        g = std::max(g, FMinorTickLength);
    moveIn(g);
}

void TChartAxis::CalcTicks(const TChartRect& plot)
{
    if (FHorizontal)
        FPosAxis = FOtherSide ? plot.Top : plot.Bottom;
    else
        FPosAxis = FOtherSide ? plot.Right : plot.Left;
    if (FPositionPercent != 0) {
        const int span = FHorizontal ? plot.Bottom - plot.Top : plot.Right - plot.Left;
        const int shift = RoundToInt(span * FPositionPercent / 100.0);
        FPosAxis += (FHorizontal != FOtherSide) ? -shift : shift;
    }
    FTickList.clear();
    FLabelMarks.clear();
    FLastStep = FinalLabelStep();
    for (double v : LabelValues(FLastStep)) {
        const int p = ValueToPixel(v);
        if (!std::isfinite(v) || !(FLabelsOnAxis || (FStart < p && p < FEnd)))
            continue;
        if (!FTickOnLabelsOnly || FLabels)
            FTickList.push_back(p);
        if (FLabels)
            FLabelMarks.push_back({p, LabelText(v)});
    }
}

void TChartAxis::Draw(TCanvas3D* canvas, const TChartRect& plot) const
{
    const int pl = plot.Left, pt = plot.Top, pr = plot.Right, pb = plot.Bottom;
    // Outward is down for the bottom axis, left for the left axis.
    const int out = (FHorizontal ? !FOtherSide : FOtherSide) ? 1 : -1;

    if (FTitle.Visible() && !FTitle.Caption().isEmpty() && FTitleSize > 0) {
        canvas->Font()->Assign(*FTitle.Font());
        canvas->SetBackTransparent(true);
        canvas->SetTextAlign(THorzTextAlign::Center, TVertTextAlign::Top);
        const int a = FTitle.Angle();
        if (FHorizontal) {
            const int y = FOtherSide ? FPosTitle - FTitleSize : FPosTitle;
            canvas->TextOut(FCenter, y, FTitle.Caption(), a == 180 ? 0 : a);
        } else if (a == 90) {
            // Bottom-to-top text grows to the right of its anchor: anchor at the band's left.
            canvas->TextOut(FOtherSide ? FPosTitle : FPosTitle - FTitleSize, FCenter, FTitle.Caption(), 90);
        } else if (a == 270) {
            canvas->TextOut(FOtherSide ? FPosTitle + FTitleSize : FPosTitle, FCenter, FTitle.Caption(), 270);
        } else {
            canvas->SetTextAlign(THorzTextAlign::Left, TVertTextAlign::Top);
            canvas->TextOut(FOtherSide ? FPosTitle : FPosTitle - FTitleSize, FCenter - canvas->TextHeight("W") / 2,
                            FTitle.Caption());
        }
    }

    canvas->Font()->Assign(FLabelsFont);
    canvas->SetBackTransparent(true);
    const int lineHeight = canvas->TextHeight(QStringLiteral("W"));
    for (const TLabelMark& label : FLabelMarks) {
        if (FHorizontal) {
            canvas->SetTextAlign(THorzTextAlign::Center, TVertTextAlign::Top);
            canvas->TextOut(label.Pixel, FOtherSide ? FPosLabels - lineHeight : FPosLabels, label.Text);
        } else {
            canvas->SetTextAlign(FOtherSide ? THorzTextAlign::Left : THorzTextAlign::Right, TVertTextAlign::Top);
            canvas->TextOut(FPosLabels, label.Pixel - lineHeight / 2, label.Text);
        }
    }

    if (FAxisPen.Visible()) {
        canvas->Pen()->Assign(FAxisPen);
        if (FHorizontal)
            canvas->Line(FStart, FPosAxis, FEnd, FPosAxis);
        else
            canvas->Line(FPosAxis, FStart, FPosAxis, FEnd);
    }
    auto tick = [&](int p, int from, int length) {
        if (FHorizontal)
            canvas->Line(p, from, p, from + out * length);
        else
            canvas->Line(from, p, from + out * length, p);
    };
    if (FTicks.Visible() && FTickLength != 0) {
        canvas->Pen()->Assign(FTicks);
        for (int p : FTickList)
            tick(p, FPosAxis + out, FTickLength);
    }
    if (FGrid.Visible()) {
        canvas->Pen()->Assign(FGrid);
        if (FGrid.Color() == clDefault)
            canvas->Pen()->SetColor(clGray);
        canvas->SetBackTransparent(true);
        const int every = std::max(1, FGridDrawEvery);
        for (size_t i = 0; i < FTickList.size(); i += size_t(every)) {
            const int p = FTickList[i];
            if (!(FStart < p && p < FEnd))
                continue;
            if (FHorizontal)
                canvas->Line(p, pt + 1, p, pb);
            else
                canvas->Line(pl + 1, p, pr, p);
        }
    }
    if (FTicksInner.Visible() && FTickInnerLength != 0) {
        canvas->Pen()->Assign(FTicksInner);
        for (int p : FTickList)
            tick(p, FPosAxis - out, -FTickInnerLength);
    }
    // A count below 1 has nothing to place; more minor ticks than pixels
    // cannot be told apart, so the count is capped by the axis length.
    const int count = std::min(FMinorTickCount, std::max(0, std::abs(FSize)));
    if (FMinorTicks.Visible() && FTickList.size() >= 2 && count >= 1) {
        canvas->Pen()->Assign(FMinorTicks);
        auto minor = [&](double pos) {
            const int p = RoundToInt(pos);
            if (FStart < p && p < FEnd)
                tick(p, FPosAxis + out, FMinorTickLength);
        };
        const double d = double(FTickList[1] - FTickList[0]) / (count + 1);
        for (int j = 1; j <= count; ++j) {
            minor(FTickList.front() - std::nearbyint(j * d));
            minor(FTickList.back() + std::nearbyint(j * d));
        }
        for (size_t i = 1; i < FTickList.size(); ++i) {
            const double gap = double(FTickList[i]) - FTickList[i - 1];
            for (int j = 1; j <= count; ++j)
                minor(FTickList[i] - std::nearbyint(j * gap / (count + 1)));
        }
    }
}
