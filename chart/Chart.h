#pragma once
// The chart control: a flat chart with a title, axes and series, painted into
// an off-screen image that is reused until something changes.
#include "chart/Canvas3D.h"
#include "chart/ChartAxis.h"
#include "chart/ChartTypes.h"

#include <QImage>
#include <QStringList>
#include <QWidget>

#include <algorithm>
#include <functional>
#include <vector>

class TChartSeries;

enum class TPanelBevel { None, Raised, Lowered };
enum class TMarginUnits { Percent, Pixels };

class TChartTitle : public TChartNotifier
{
    friend class TChart;

public:
    QStringList Text() const { return FText; }
    void SetText(const QStringList& v) { Set(FText, v); }
    bool Visible() const { return FVisible; }
    void SetVisible(bool v) { Set(FVisible, v); }
    bool AdjustFrame() const { return FAdjustFrame; }
    void SetAdjustFrame(bool v) { Set(FAdjustFrame, v); }
    int VertMargin() const { return FVertMargin; }
    void SetVertMargin(int v) { Set(FVertMargin, v); }
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool v) { Set(FTransparent, v); }
    TColor BrushColor() const { return FBrushColor; }
    void SetBrushColor(TColor v) { Set(FBrushColor, v); }
    TChartFont* Font() { return &FFont; }
    TChartPen* Frame() { return &FFrame; }
    // Visible with some text: only then does the title take room.
    bool Shown() const { return FVisible && !FText.isEmpty(); }
    // Width of the frame pen where it is drawn, else 0.
    int FrameWidth() const { return FFrame.Visible() && FFrame.Color() != clDefault ? FFrame.Width() : 0; }
    // Where the title goes, as the layout with the title shown found it
    // (brought up to date first).
    TChartRect TitleRect() const;
    void SetTitleRect(const TChartRect& r) { FTitleRect = r; }

private:
    TChart* FChart = nullptr;
    QStringList FText;
    bool FVisible = true, FAdjustFrame = true, FTransparent = true;
    int FVertMargin = 5;
    TColor FBrushColor = clWhite;
    TChartFont FFont{clBlue};
    TChartPen FFrame;
    TChartRect FTitleRect;
};

// The legend is never shown by this program; hidden, it takes no room.
class TChartLegend : public TChartNotifier
{
public:
    bool Visible() const { return FVisible; }
    void SetVisible(bool v) { Set(FVisible, v); }

private:
    bool FVisible = true;
};

class TChartBackWall : public TChartNotifier
{
public:
    TChartPen* Pen() { return &FPen; }
    TColor Color() const { return FColor; }
    void SetColor(TColor v) { Set(FColor, v); }
    TBrushStyle BrushStyle() const { return FBrushStyle; }
    void SetBrushStyle(TBrushStyle v) { Set(FBrushStyle, v); }
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool v) { Set(FTransparent, v); }
    bool Visible() const { return FVisible; }
    void SetVisible(bool v) { Set(FVisible, v); }

private:
    TChartPen FPen;
    TColor FColor = clWhite;
    TBrushStyle FBrushStyle = TBrushStyle::Solid;
    bool FTransparent = true, FVisible = true;
};

// Every change of a setting marks the layout (the plotting rectangle, the
// axes' extents and ticks, the bars' width) and the picture stale. The layout
// is worked out when something needs it: the next paint, or a caller asking
// for a position, extent or pixel it decides. A paint only draws what the
// layout placed.
class TChart : public QWidget, private TChartNotifier
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
    void SetView3D(bool v) { Set(FView3D, v); }
    bool View3DWalls() const { return FView3DWalls; }
    void SetView3DWalls(bool v) { Set(FView3DWalls, v); }
    bool AxisVisible() const { return FAxisVisible; }
    void SetAxisVisible(bool v) { Set(FAxisVisible, v); }
    bool AxisBehind() const { return FAxisBehind; }
    void SetAxisBehind(bool v) { Set(FAxisBehind, v); }
    bool ClipPoints() const { return FClipPoints; }
    void SetClipPoints(bool v) { Set(FClipPoints, v); }
    TColor Color() const { return FColor; }
    void SetColor(TColor v) { Set(FColor, v); }
    int MarginLeft() const { return FMarginLeft; }
    void SetMarginLeft(int v) { Set(FMarginLeft, v); }
    int MarginTop() const { return FMarginTop; }
    void SetMarginTop(int v) { Set(FMarginTop, v); }
    int MarginRight() const { return FMarginRight; }
    void SetMarginRight(int v) { Set(FMarginRight, v); }
    int MarginBottom() const { return FMarginBottom; }
    void SetMarginBottom(int v) { Set(FMarginBottom, v); }
    TMarginUnits MarginUnits() const { return FMarginUnits; }
    void SetMarginUnits(TMarginUnits v) { Set(FMarginUnits, v); }
    TPanelBevel BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TPanelBevel v) { Set(FBevelOuter, v); }
    TPanelBevel BevelInner() const { return FBevelInner; }
    void SetBevelInner(TPanelBevel v) { Set(FBevelInner, v); }
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int v) { Set(FBevelWidth, v); }
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int v) { Set(FBorderWidth, v); }
    TChartPen* Border() { return &FBorder; }

    void SetOnAfterDraw(TNotifyEvent f) { FOnAfterDraw = std::move(f); }
    void SetOnBeforeDrawChart(TNotifyEvent f) { FOnBeforeDrawChart = std::move(f); }
    void SetOnBeforeDrawAxes(TNotifyEvent f) { FOnBeforeDrawAxes = std::move(f); }
    void SetOnBeforeDrawSeries(TNotifyEvent f) { FOnBeforeDrawSeries = std::move(f); }

    // Marks the layout and the picture stale and asks for a repaint; ignored
    // while painting or laying out.
    void Invalidate();
    bool BufferValid() const { return FBufferValid; }
    bool Painting() const { return FPainting; }

    // Marks the layout stale without a repaint: points added in a batch.
    void InvalidateLayout();
    // Lays the chart out when the layout is stale or was made for another
    // size (a hidden control learns of its resize only when shown); nothing
    // while the layout runs or a paint shows it. Every reader of the layout
    // calls this first.
    void UpdateLayout()
    {
        if (!FPainting || FBeforeLayout)
            LayOutIfStale();
    }
    // Whether the layout is up to date, without bringing it there.
    bool LayoutValid() const { return FLayoutValid; }

    // Design data is applied between these: the axis setters skip their checks.
    void BeginLoading() { ++FLoading; }
    void EndLoading();
    bool IsLoading() const { return FLoading > 0; }

    // A complete paint (OnAfterDraw included) into an image of the control's
    // size times scale, for saving without a display. The layout stays in
    // logical pixels; the result has device pixel ratio 1.
    QImage RenderToImage(double scale = 1.0);
    // The device pixel ratio of the last paint (the screen's, or a render's scale).
    double BufferScale() const { return FBuffer.isNull() ? 1.0 : FBuffer.devicePixelRatio(); }
    QSize BufferPixelSize() const { return FBuffer.size(); }

    // The layout, brought up to date first.
    TChartRect ChartRect() const
    {
        Self()->UpdateLayout();
        return FPlot;
    }
    TChartRect ChartBounds() const
    {
        Self()->UpdateLayout();
        return FBounds;
    }
    int FrameWidth() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    // The chart is never a constant object; its readers lay it out on demand.
    TChart* Self() const { return const_cast<TChart*>(this); }
    // The layout step: where everything goes.
    void LayOut();
    // LayOut when the layout is stale or made for another size, unless it runs.
    void LayOutIfStale()
    {
        if (!FLayingOut && !(FLayoutValid && FLayoutSize.width() == std::max(0, width()) &&
                             FLayoutSize.height() == std::max(0, height())))
            LayOut();
    }
    void LayOutTitle();
    void NormalizePlot();
    void CalcAxesAndSpace();
    // The paint step: draws what the layout placed.
    // scale: device pixels per logical pixel of the buffer.
    void PaintBuffer(double scale);
    void DrawBackground();
    void DrawTitle();
    void Raise(const TNotifyEvent& f);

    TCanvas3D FCanvas;
    TChartAxis FBottomAxis{this, true, false};
    TChartAxis FTopAxis{this, true, true};
    TChartAxis FLeftAxis{this, false, false};
    TChartAxis FRightAxis{this, false, true};
    TChartTitle FTitle;
    TChartBackWall FBackWall;
    TChartLegend FLegend;
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
    QSize FLayoutSize;
    bool FLayoutValid = false;
    bool FLayingOut = false;
    bool FBufferValid = false;
    bool FPainting = false;
    // A paint's first steps, before its layout: what the before-draw-chart
    // handler changes marks the layout stale and shows in the same paint.
    bool FBeforeLayout = false;
    int FLoading = 0;
};
