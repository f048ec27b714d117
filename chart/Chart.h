#pragma once
// The chart control: a flat chart with a title, axes and series, painted into
// an off-screen image that is reused until something changes.
#include "chart/Canvas3D.h"
#include "chart/ChartAxis.h"
#include "chart/ChartTypes.h"

#include <QImage>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class TChartSeries;
class TChart;

enum class TPanelBevel { None, Raised, Lowered };
enum class TMarginUnits { Percent, Pixels };

class TChartTitle
{
public:
    explicit TChartTitle(TChart* chart);
    QStringList Text() const { return FText; }
    void SetText(const QStringList& v);
    bool Visible() const { return FVisible; }
    void SetVisible(bool v);
    bool AdjustFrame() const { return FAdjustFrame; }
    void SetAdjustFrame(bool v);
    int VertMargin() const { return FVertMargin; }
    void SetVertMargin(int v);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool v);
    TColor BrushColor() const { return FBrushColor; }
    void SetBrushColor(TColor v);
    TChartFont* Font() { return &FFont; }
    TChartPen* Frame() { return &FFrame; }
    // Where the title went at the last paint.
    TChartRect TitleRect() const { return FTitleRect; }
    void SetTitleRect(const TChartRect& r) { FTitleRect = r; }

private:
    TChart* FChart;
    QStringList FText;
    bool FVisible = true, FAdjustFrame = true, FTransparent = true;
    int FVertMargin = 5;
    TColor FBrushColor = clWhite;
    TChartFont FFont{clBlue};
    TChartPen FFrame;
    TChartRect FTitleRect;
};

// The legend is never shown by this program; hidden, it takes no room.
class TChartLegend
{
public:
    explicit TChartLegend(TChart* chart) : FChart(chart) {}
    bool Visible() const { return FVisible; }
    void SetVisible(bool v);

private:
    TChart* FChart;
    bool FVisible = true;
};

class TChartBackWall
{
public:
    explicit TChartBackWall(TChart* chart);
    TChartPen* Pen() { return &FPen; }
    TColor Color() const { return FColor; }
    void SetColor(TColor v);
    TBrushStyle BrushStyle() const { return FBrushStyle; }
    void SetBrushStyle(TBrushStyle v);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool v);
    bool Visible() const { return FVisible; }
    void SetVisible(bool v);

private:
    TChart* FChart;
    TChartPen FPen;
    TColor FColor = clWhite;
    TBrushStyle FBrushStyle = TBrushStyle::Solid;
    bool FTransparent = true, FVisible = true;
};

class TChart : public QWidget
{
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TChart* sender)>;

    explicit TChart(QWidget* parent = nullptr);
    ~TChart() override;

    TChartAxis* BottomAxis() { return &FBottomAxis; }
    TChartAxis* TopAxis() { return &FTopAxis; }
    TChartAxis* LeftAxis() { return &FLeftAxis; }
    TChartAxis* RightAxis() { return &FRightAxis; }
    TCanvas3D* Canvas() { return &FCanvas; }
    TChartTitle* Title() { return &FTitle; }
    TChartBackWall* BackWall() { return &FBackWall; }
    TChartLegend* Legend() { return &FLegend; }
    // Shorthand for Legend()->Visible, as the window's design data sets it.
    bool LegendVisible() const { return FLegend.Visible(); }
    void SetLegendVisible(bool v) { FLegend.SetVisible(v); }

    // The chart takes ownership of the series.
    void AddSeries(TChartSeries* series);
    void RemoveSeries(TChartSeries* series);
    int SeriesCount() const { return int(FSeries.size()); }
    TChartSeries* Series(int i) const { return FSeries[size_t(i)]; }

    bool View3D() const { return FView3D; }
    void SetView3D(bool v);
    bool View3DWalls() const { return FView3DWalls; }
    void SetView3DWalls(bool v);
    bool AxisVisible() const { return FAxisVisible; }
    void SetAxisVisible(bool v);
    bool AxisBehind() const { return FAxisBehind; }
    void SetAxisBehind(bool v);
    bool ClipPoints() const { return FClipPoints; }
    void SetClipPoints(bool v);
    TColor Color() const { return FColor; }
    void SetColor(TColor v);
    int MarginLeft() const { return FMarginLeft; }
    void SetMarginLeft(int v);
    int MarginTop() const { return FMarginTop; }
    void SetMarginTop(int v);
    int MarginRight() const { return FMarginRight; }
    void SetMarginRight(int v);
    int MarginBottom() const { return FMarginBottom; }
    void SetMarginBottom(int v);
    TMarginUnits MarginUnits() const { return FMarginUnits; }
    void SetMarginUnits(TMarginUnits v);
    TPanelBevel BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TPanelBevel v);
    TPanelBevel BevelInner() const { return FBevelInner; }
    void SetBevelInner(TPanelBevel v);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int v);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int v);
    TChartPen* Border() { return &FBorder; }

    void SetOnAfterDraw(TNotifyEvent f) { FOnAfterDraw = std::move(f); }
    void SetOnBeforeDrawChart(TNotifyEvent f) { FOnBeforeDrawChart = std::move(f); }
    void SetOnBeforeDrawAxes(TNotifyEvent f) { FOnBeforeDrawAxes = std::move(f); }
    void SetOnBeforeDrawSeries(TNotifyEvent f) { FOnBeforeDrawSeries = std::move(f); }

    // Marks the buffer stale and asks for a repaint; ignored while painting.
    void Invalidate();
    bool BufferValid() const { return FBufferValid; }
    bool Painting() const { return FPainting; }

    // Design data is applied between these: the axis setters skip their checks.
    void BeginLoading() { ++FLoading; }
    void EndLoading() { if (FLoading > 0) --FLoading; }
    bool IsLoading() const { return FLoading > 0; }

    // A complete paint (OnAfterDraw included) into an image of the control's
    // size at device pixel ratio 1, for saving without a display.
    QImage RenderToImage();

    // Layout of the last paint.
    TChartRect ChartRect() const { return FPlot; }
    TChartRect ChartBounds() const { return FBounds; }
    int FrameWidth() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void PaintBuffer();
    void DrawBackground();
    void DrawTitle();
    void CalcAxesAndSpace();
    void NormalizePlot();
    void Raise(const TNotifyEvent& f);

    TCanvas3D FCanvas;
    TChartAxis FBottomAxis{this, true, false};
    TChartAxis FTopAxis{this, true, true};
    TChartAxis FLeftAxis{this, false, false};
    TChartAxis FRightAxis{this, false, true};
    TChartTitle FTitle{this};
    TChartBackWall FBackWall{this};
    TChartLegend FLegend{this};
    std::vector<TChartSeries*> FSeries;

    bool FView3D = true, FView3DWalls = true, FAxisVisible = true;
    bool FAxisBehind = true, FClipPoints = true;
    TColor FColor = clBtnFace;
    int FMarginLeft = 3, FMarginTop = 4, FMarginRight = 3, FMarginBottom = 4;
    TMarginUnits FMarginUnits = TMarginUnits::Percent;
    TPanelBevel FBevelOuter = TPanelBevel::Raised, FBevelInner = TPanelBevel::None;
    int FBevelWidth = 1, FBorderWidth = 0;
    TChartPen FBorder{clBlack, 1, TPenStyle::Solid, false};

    TNotifyEvent FOnAfterDraw, FOnBeforeDrawChart, FOnBeforeDrawAxes, FOnBeforeDrawSeries;

    QImage FBuffer;
    TChartRect FPlot, FBounds;
    bool FBufferValid = false;
    bool FPainting = false;
    int FLoading = 0;
};
