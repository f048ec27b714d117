#pragma once
// Vertical bars standing on the origin, one per point, centred on the point's x.
#include "chart/ChartSeries.h"

struct TBarRect
{
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// Width of each bar in pixels: a share of the axis' room per point, always even.
// axisPixelsPerPoint is the "a" of the rule (axis size div max points).
int BarWidthFromSlot(int barWidthPercent, int axisPixelsPerPoint, int bars);

// The rectangle of one bar: x the pixel of the point's x, top the pixel of its
// value, bottom the pixel of the origin.
TBarRect BarGeometry(int x, int top, int bottom, int barWidth, int order, int bars, int offsetPercent,
                     bool penVisible);

class TBarShadow : public TChartNotifier
{
public:
    TColor Color() const { return FColor; }
    int HorizSize() const { return FHorizSize; }
    int VertSize() const { return FVertSize; }
    bool Visible() const { return FVisible; }
    void SetColor(TColor v) { Set(FColor, v); }
    void SetHorizSize(int v) { Set(FHorizSize, v); }
    void SetVertSize(int v) { Set(FVertSize, v); }
    void SetVisible(bool v) { Set(FVisible, v); }

private:
    TColor FColor = clGray;
    int FHorizSize = 0, FVertSize = 0;
    bool FVisible = true;
};

class TBarSeries : public TChartSeries
{
public:
    TBarSeries();

    int BarWidthPercent() const { return FBarWidthPercent; }
    void SetBarWidthPercent(int v) { Set(FBarWidthPercent, v); }
    bool SideMargins() const { return FSideMargins; }
    void SetSideMargins(bool v) { Set(FSideMargins, v); }
    bool UseYOrigin() const { return FUseYOrigin; }
    void SetUseYOrigin(bool v) { Set(FUseYOrigin, v); }
    double YOrigin() const { return FYOrigin; }
    void SetYOrigin(double v) { Set(FYOrigin, v); }
    int OffsetPercent() const { return FOffsetPercent; }
    void SetOffsetPercent(int v) { Set(FOffsetPercent, v); }
    int CustomBarWidth() const { return FCustomBarWidth; }
    void SetCustomBarWidth(int v) { Set(FCustomBarWidth, v); }
    bool AutoBarSize() const { return FAutoBarSize; }
    void SetAutoBarSize(bool v) { Set(FAutoBarSize, v); }

    TChartPen* BarPen() { return &FBarPen; }
    TColor BarBrushColor() const { return FBarBrushColor; }
    TBrushStyle BarBrushStyle() const { return FBarBrushStyle; }
    void SetBarBrushColor(TColor v) { Set(FBarBrushColor, v); }
    void SetBarBrushStyle(TBrushStyle v) { Set(FBarBrushStyle, v); }
    TBarShadow* Shadow() { return &FShadow; }

    // Worked out by the chart's layout, which each reader brings up to date first.
    int MaxPoints() const;
    int NumBars() const;
    int BarOrder() const;
    int BarWidth() const;
    TBarRect PointRect(int i) const;

    double MinYValue() const override;
    double MaxYValue() const override;
    void PrepareForDraw() override;
    void CalcHorizMargins(int& left, int& right) override;
    void CalcVerticalMargins(int& top, int& bottom) override;
    void DrawValues(TCanvas3D* canvas) override;

private:
    void Fresh() const;
    void CalcBarWidth();

    int FBarWidthPercent = 70;
    bool FSideMargins = true;
    bool FUseYOrigin = true;
    double FYOrigin = 0;
    int FOffsetPercent = 0;
    int FCustomBarWidth = 0;
    bool FAutoBarSize = false;
    TChartPen FBarPen;
    TColor FBarBrushColor = clDefault;
    TBrushStyle FBarBrushStyle = TBrushStyle::Solid;
    TBarShadow FShadow;

    int FMaxPoints = 0;
    int FNumBars = 1;
    int FOrder = 1;
    int FBarWidth = 0;
};
