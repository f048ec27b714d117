#pragma once
// One side of the plotting rectangle: the range of values it shows, the
// conversion between values and pixels, the label step and the drawing of
// line, ticks, grid, labels and title.
#include "chart/ChartTypes.h"

#include <QString>

#include <stdexcept>
#include <vector>

class TChart;
class TCanvas3D;

class AxisException : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Pixel positions of a value are clamped to this, so far-away values never overflow.
constexpr int MaxAxisPixel = 67108863;

class TChartAxisTitle : public TChartNotifier
{
public:
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& v) { Set(FCaption, v); }
    int Angle() const { return FAngle; }
    void SetAngle(int v) { Set(FAngle, v); }
    bool Visible() const { return FVisible; }
    void SetVisible(bool v) { Set(FVisible, v); }
    TChartFont* Font() { return &FFont; }
    const TChartFont* Font() const { return &FFont; }

private:
    QString FCaption;
    int FAngle = 0;
    bool FVisible = true;
    TChartFont FFont;
};

class TChartAxis : private TChartNotifier
{
public:
    TChartAxis(TChart* chart, bool horizontal, bool otherSide);
    TChartAxis(const TChartAxis&) = delete;
    TChartAxis& operator=(const TChartAxis&) = delete;

    bool Horizontal() const { return FHorizontal; }
    bool OtherSide() const { return FOtherSide; }

    // Settings.
    bool Automatic() const { return FAutomatic; }
    void SetAutomatic(bool v);
    bool AutomaticMaximum() const { return FAutomaticMaximum; }
    void SetAutomaticMaximum(bool v);
    bool AutomaticMinimum() const { return FAutomaticMinimum; }
    void SetAutomaticMinimum(bool v);
    double Maximum() const { return FMaximum; }
    void SetMaximum(double v);
    double Minimum() const { return FMinimum; }
    void SetMinimum(double v);
    double Increment() const { return FIncrement; }
    void SetIncrement(double v);
    QString DateTimeFormat() const { return FDateTimeFormat; }
    void SetDateTimeFormat(const QString& v) { Set(FDateTimeFormat, v); }
    QString AxisValuesFormat() const { return FAxisValuesFormat; }
    void SetAxisValuesFormat(const QString& v) { Set(FAxisValuesFormat, v); }
    bool ExactDateTime() const { return FExactDateTime; }
    void SetExactDateTime(bool v) { Set(FExactDateTime, v); }
    bool RoundFirstLabel() const { return FRoundFirstLabel; }
    void SetRoundFirstLabel(bool v) { Set(FRoundFirstLabel, v); }
    int LabelsSeparation() const { return FLabelsSeparation; }
    void SetLabelsSeparation(int v) { Set(FLabelsSeparation, v); }
    bool LabelsOnAxis() const { return FLabelsOnAxis; }
    void SetLabelsOnAxis(bool v) { Set(FLabelsOnAxis, v); }
    bool TickOnLabelsOnly() const { return FTickOnLabelsOnly; }
    void SetTickOnLabelsOnly(bool v) { Set(FTickOnLabelsOnly, v); }
    bool Labels() const { return FLabels; }
    void SetLabels(bool v) { Set(FLabels, v); }
    int TickLength() const { return FTickLength; }
    void SetTickLength(int v) { Set(FTickLength, v); }
    int TickInnerLength() const { return FTickInnerLength; }
    void SetTickInnerLength(int v) { Set(FTickInnerLength, v); }
    int MinorTickLength() const { return FMinorTickLength; }
    void SetMinorTickLength(int v) { Set(FMinorTickLength, v); }
    int MinorTickCount() const { return FMinorTickCount; }
    void SetMinorTickCount(int v) { Set(FMinorTickCount, v); }
    int GridDrawEvery() const { return FGridDrawEvery; }
    void SetGridDrawEvery(int v) { Set(FGridDrawEvery, v); }
    bool Visible() const { return FVisible; }
    void SetVisible(bool v) { Set(FVisible, v); }
    bool Inverted() const { return FInverted; }
    void SetInverted(bool v) { Set(FInverted, v); }
    double StartPosition() const { return FStartPosition; }
    void SetStartPosition(double v) { Set(FStartPosition, v); }
    double EndPosition() const { return FEndPosition; }
    void SetEndPosition(double v) { Set(FEndPosition, v); }
    double PositionPercent() const { return FPositionPercent; }
    void SetPositionPercent(double v) { Set(FPositionPercent, v); }

    TChartPen* Ticks() { return &FTicks; }
    TChartPen* MinorTicks() { return &FMinorTicks; }
    TChartPen* TicksInner() { return &FTicksInner; }
    TChartPen* Grid() { return &FGrid; }
    TChartPen* MinorGrid() { return &FMinorGrid; }
    TChartPen* AxisPen() { return &FAxisPen; }
    TChartAxisTitle* Title() { return &FTitle; }
    TChartFont* LabelsFont() { return &FLabelsFont; }

    // Run-time state of the layout; each reader brings the layout up to date first.
    double MinAxisValue() const
    {
        Fresh();
        return FMinAxis;
    }
    double MaxAxisValue() const
    {
        Fresh();
        return FMaxAxis;
    }
    double Range() const
    {
        Fresh();
        return FRange;
    }
    int IStartPos() const
    {
        Fresh();
        return FStart;
    }
    int IEndPos() const
    {
        Fresh();
        return FEnd;
    }
    int IAxisSize() const
    {
        Fresh();
        return FSize;
    }
    int ICenterPos() const
    {
        Fresh();
        return FCenter;
    }
    int PosAxis() const
    {
        Fresh();
        return FPosAxis;
    }
    int PosLabels() const
    {
        Fresh();
        return FPosLabels;
    }
    int PosTitle() const
    {
        Fresh();
        return FPosTitle;
    }
    bool IsDateTime() const
    {
        Fresh();
        return FIsDateTime;
    }
    const std::vector<int>& TickPositions() const
    {
        Fresh();
        return FTickList;
    }
    double LastStep() const
    {
        Fresh();
        return FLastStep;
    }
    // The limits the layout used: those found in the data where automatic,
    // else the settings.
    double LimitMinimum() const
    {
        Fresh();
        return FLimitMin;
    }
    double LimitMaximum() const
    {
        Fresh();
        return FLimitMax;
    }

    int ValueToPixel(double value) const;
    double PixelToValue(int pixel) const;
    QString LabelText(double value) const;

    // The layout, in order.
    bool IsVisibleInChart() const;
    void CalcMinMax();
    void CalcSpace(TChartRect& plot);
    void SetExtent(const TChartRect& plot);
    void ApplyMargins();
    void CalcTicks(const TChartRect& plot);
    // The paint: automatic limits become the settings (so that the limit
    // setters check against what the last paint showed), then the drawing.
    void StoreFoundLimits();
    void Draw(TCanvas3D* canvas, const TChartRect& plot) const;

    // Label step decisions, open to tests.
    int LabelsThatFit(double increment) const;
    double LabelStepFor(double increment) const;
    double FinalLabelStep() const;
    // Label values in drawing order (from the maximum down); the table index
    // used for calendar stepping is returned through k.
    std::vector<double> LabelValues(double inc, int* k = nullptr) const;

private:
    struct TLabelMark
    {
        int Pixel;
        QString Text;
    };

    bool Loading() const;
    // Brings the chart's layout up to date (nothing while it runs or paints).
    void Fresh() const;
    int LabelSize(double value) const;
    int WidestLabel(double step) const;
    void SetWorkingRange(double lo, double hi);

    TChart* FChart;
    bool FHorizontal, FOtherSide;

    bool FAutomatic = true, FAutomaticMaximum = true, FAutomaticMinimum = true;
    double FMaximum = 0, FMinimum = 0, FIncrement = 0;
    QString FDateTimeFormat;
    QString FAxisValuesFormat = QStringLiteral("#,##0.###");
    bool FExactDateTime = true, FRoundFirstLabel = true;
    int FLabelsSeparation = 10;
    bool FLabelsOnAxis = true, FTickOnLabelsOnly = true, FLabels = true;
    int FTickLength = 4, FTickInnerLength = 0, FMinorTickLength = 2, FMinorTickCount = 3;
    int FGridDrawEvery = 1;
    bool FVisible = true, FInverted = false;
    double FStartPosition = 0, FEndPosition = 100, FPositionPercent = 0;
    TChartPen FTicks{clGray}, FMinorTicks{clGray}, FTicksInner{clGray};
    TChartPen FGrid{clGray, 1, TPenStyle::Dot};
    TChartPen FMinorGrid{clGray, 1, TPenStyle::Dot, false};
    TChartPen FAxisPen{clBlack, 2};
    TChartAxisTitle FTitle;
    TChartFont FLabelsFont;

    double FLimitMin = 0, FLimitMax = 0;
    double FMinAxis = 0, FMaxAxis = 0, FRange = 0, FPixelsPerUnit = 0;
    int FStart = 0, FEnd = 0, FSize = 0, FCenter = 0;
    int FPosAxis = 0, FPosLabels = 0, FPosTitle = 0, FTitleSize = 0, FLabelsSize = 0;
    bool FIsDateTime = false;
    std::vector<int> FTickList;
    std::vector<TLabelMark> FLabelMarks;
    double FLastStep = 0;
};
