#include "chart/Chart.h"

#include "chart/ChartSeries.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>

namespace {

// Runs its action when the scope ends, by return or by exception.
template <class F>
class TScopeExit
{
public:
    explicit TScopeExit(F action) : FAction(std::move(action)) {}
    ~TScopeExit() { FAction(); }
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;

private:
    F FAction;
};

}  // namespace

TChart::TChart(QWidget* parent) : QWidget(parent)
{
    // The buffer covers every pixel, so Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(400, 250);
    const auto invalidate = [this] { Invalidate(); };
    SetOnChange(invalidate);
    for (TChartNotifier* part : std::initializer_list<TChartNotifier*>{&FTitle, FTitle.Font(), FTitle.Frame(),
                                                                       &FBackWall, FBackWall.Pen(), &FLegend, &FBorder})
        part->SetOnChange(invalidate);
    FTitle.FChart = this;
}

TChart::~TChart()
{
    std::vector<TChartSeries*> series;
    series.swap(FSeries);
    for (TChartSeries* s : series) {
        s->SetParentChart(nullptr);
        delete s;
    }
}

void TChart::AddSeries(TChartSeries* series)
{
    if (!series || std::find(FSeries.begin(), FSeries.end(), series) != FSeries.end())
        return;
    if (series->ParentChart() && series->ParentChart() != this)
        series->ParentChart()->RemoveSeries(series);
    series->SetParentChart(this);
    FSeries.push_back(series);
    Invalidate();
}

void TChart::RemoveSeries(TChartSeries* series)
{
    auto it = std::find(FSeries.begin(), FSeries.end(), series);
    if (it == FSeries.end())
        return;
    FSeries.erase(it);
    series->SetParentChart(nullptr);
    Invalidate();
}

void TChart::Invalidate()
{
    if (FBeforeLayout) {
        FLayoutValid = false;
        return;  // the paint under way lays out anew and shows the change
    }
    if (FPainting || FLayingOut)
        return;
    FLayoutValid = false;
    FBufferValid = false;
    update();
}

void TChart::InvalidateLayout()
{
    if (FBeforeLayout || (!FPainting && !FLayingOut))
        FLayoutValid = false;
}

void TChart::EndLoading()
{
    if (FLoading > 0)
        --FLoading;
}

TChartRect TChartTitle::TitleRect() const
{
    if (FChart)
        FChart->UpdateLayout();
    return FTitleRect;
}

int TChart::FrameWidth() const
{
    int w = FBorderWidth;
    if (FBevelOuter != TPanelBevel::None)
        w += FBevelWidth;
    if (FBevelInner != TPanelBevel::None)
        w += FBevelWidth;
    if (FBorder.Visible())
        w += FBorder.Width();
    return w;
}

void TChart::Raise(const TNotifyEvent& f)
{
    if (f)
        f(this);
}

void TChart::DrawBackground()
{
    const int w = FBounds.Width(), h = FBounds.Height();
    FCanvas.Pen()->SetStyle(TPenStyle::Clear);
    FCanvas.Brush()->SetStyle(TBrushStyle::Solid);
    FCanvas.Brush()->SetColor(FColor);
    FCanvas.FillRect(0, 0, w, h);
    TChartRect r = FBounds;
    if (FBorder.Visible()) {
        FCanvas.Pen()->Assign(FBorder);
        FCanvas.Brush()->SetStyle(TBrushStyle::Clear);
        FCanvas.Rectangle(r.Left, r.Top, r.Right, r.Bottom);
        r = {r.Left + FBorder.Width(), r.Top + FBorder.Width(), r.Right - FBorder.Width(), r.Bottom - FBorder.Width()};
    }
    // A bevel: light top and left edges, dark bottom and right edges (the
    // reverse when lowered), one ring per pixel of width.
    auto bevel = [&](TPanelBevel kind) {
        if (kind == TPanelBevel::None)
            return;
        const TColor topLeft = kind == TPanelBevel::Raised ? clBtnHighlight : clBtnShadow;
        const TColor bottomRight = kind == TPanelBevel::Raised ? clBtnShadow : clBtnHighlight;
        FCanvas.Brush()->SetStyle(TBrushStyle::Solid);
        for (int i = 0; i < FBevelWidth && r.Width() > 0 && r.Height() > 0; ++i) {
            FCanvas.Brush()->SetColor(topLeft);
            FCanvas.FillRect(r.Left, r.Top, r.Right - 1, r.Top + 1);
            FCanvas.FillRect(r.Left, r.Top, r.Left + 1, r.Bottom - 1);
            FCanvas.Brush()->SetColor(bottomRight);
            FCanvas.FillRect(r.Right - 1, r.Top, r.Right, r.Bottom);
            FCanvas.FillRect(r.Left, r.Bottom - 1, r.Right, r.Bottom);
            r = {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
        }
    };
    bevel(FBevelOuter);
    if (FBorderWidth > 0) {
        FCanvas.Brush()->SetColor(FColor);
        for (int i = 0; i < FBorderWidth && r.Width() > 0 && r.Height() > 0; ++i)
            r = {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
    }
    bevel(FBevelInner);
}

void TChart::LayOutTitle()
{
    if (!FTitle.Shown())
        return;
    const QStringList lines = FTitle.Text();
    const int fw = FTitle.FrameWidth();
    const QFontMetrics fm(MakeQFont(*FTitle.Font()));
    const int h = fm.height();
    TChartRect block{FPlot.Left, FPlot.Top + fw, FPlot.Right, 0};
    block.Bottom = block.Top + int(lines.size()) * h;
    block = {block.Left - fw, block.Top - fw, block.Right + fw, block.Bottom + fw};
    if (FTitle.AdjustFrame()) {
        int widest = 0;
        for (const QString& line : lines)
            widest = std::max(widest, fm.horizontalAdvance(line));
        const int width = fm.horizontalAdvance(QStringLiteral("W")) + fw + widest;
        const int centre = (block.Left + block.Right) / 2;
        block.Left = centre - width / 2;
        block.Right = centre + width / 2;
    }
    FTitle.SetTitleRect(block);
    FPlot.Top = block.Bottom + FTitle.VertMargin() + fw;
}

void TChart::DrawTitle()
{
    if (!FTitle.Shown())
        return;
    const QStringList lines = FTitle.Text();
    const int fw = FTitle.FrameWidth();
    const TChartRect block = FTitle.TitleRect();
    FCanvas.Font()->Assign(*FTitle.Font());
    const int h = FCanvas.TextHeight(QStringLiteral("W"));
    if (!FTitle.Transparent()) {
        FCanvas.Brush()->SetStyle(TBrushStyle::Solid);
        FCanvas.Brush()->SetColor(FTitle.BrushColor());
        FCanvas.Pen()->Assign(*FTitle.Frame());
        FCanvas.Rectangle(block.Left, block.Top, block.Right, block.Bottom);
    }
    FCanvas.SetBackTransparent(true);
    FCanvas.SetTextAlign(THorzTextAlign::Left, TVertTextAlign::Top);
    for (int i = 0; i < lines.size(); ++i) {
        const int x = (block.Left + block.Right) / 2 - FCanvas.TextWidth(lines[i]) / 2;
        FCanvas.TextOut(x, block.Top + fw + i * h, lines[i]);
    }
}

void TChart::NormalizePlot()
{
    FPlot.Left = std::max(FPlot.Left, FBounds.Left);
    FPlot.Top = std::max(FPlot.Top, FBounds.Top);
    if (FPlot.Right < FPlot.Left)
        FPlot.Right = FPlot.Left + 1;
    else if (FPlot.Right == FPlot.Left)
        FPlot.Right = FPlot.Left + width();
    if (FPlot.Bottom < FPlot.Top)
        FPlot.Bottom = FPlot.Top + 1;
    else if (FPlot.Bottom == FPlot.Top)
        FPlot.Bottom = FPlot.Top + height();
}

void TChart::CalcAxesAndSpace()
{
    TChartAxis* axes[] = {&FBottomAxis, &FTopAxis, &FLeftAxis, &FRightAxis};
    for (TChartAxis* axis : axes)
        axis->CalcMinMax();
    for (TChartAxis* axis : axes)
        if (axis->IsVisibleInChart())
            axis->CalcSpace(FPlot);
    NormalizePlot();
    for (TChartAxis* axis : axes)
        axis->SetExtent(FPlot);
    for (TChartAxis* axis : axes)
        axis->ApplyMargins();
    for (TChartAxis* axis : axes)
        if (axis->IsVisibleInChart())
            axis->CalcTicks(FPlot);
}

void TChart::LayOut()
{
    FLayingOut = true;
    const TScopeExit done([this] { FLayingOut = false; });
    const int w = std::max(0, width()), h = std::max(0, height());
    FBounds = {0, 0, w, h};
    const int frame = FrameWidth();
    int ml = FMarginLeft, mt = FMarginTop, mr = FMarginRight, mb = FMarginBottom;
    if (FMarginUnits == TMarginUnits::Percent) {
        ml = int(int64_t(FMarginLeft) * w / 100);
        mr = int(int64_t(FMarginRight) * w / 100);
        mt = int(int64_t(FMarginTop) * h / 100);
        mb = int(int64_t(FMarginBottom) * h / 100);
    }
    FPlot = {frame + ml, frame + mt, w - frame - mr, h - frame - mb};
    for (TChartSeries* s : FSeries)
        if (s->Active())
            s->PrepareForDraw();
    LayOutTitle();
    NormalizePlot();
    CalcAxesAndSpace();
    FLayoutSize = QSize(w, h);
    FLayoutValid = true;
}

void TChart::PaintBuffer(double scale)
{
    // Whatever happens, the canvas lets go of the buffer and the flag returns.
    const TScopeExit done([this, wasPainting = FPainting] {
        FCanvas.End();
        FPainting = wasPainting;
        FBeforeLayout = false;
    });
    // The background needs only the bounds. The series' preparation and the
    // axes' ranges come after the before-draw-chart event, so that what its
    // handler changes (an axis limit, a title) is in this very picture.
    const int w = std::max(0, width()), h = std::max(0, height());
    FBounds = {0, 0, w, h};
    if (!(scale > 0) || !std::isfinite(scale))
        scale = 1.0;
    // On a high-density screen every line and glyph is drawn at the device's
    // resolution, while the layout stays in logical pixels.
    const QSize pixels(int(std::ceil(w * scale)), int(std::ceil(h * scale)));
    if (FBuffer.size() != pixels || FBuffer.devicePixelRatio() != scale) {
        FBuffer = w > 0 && h > 0 ? QImage(pixels, QImage::Format_RGB32) : QImage();
        if (!FBuffer.isNull())
            FBuffer.setDevicePixelRatio(scale);
    }
    FCanvas.Begin(&FBuffer);
    FCanvas.ResetState();

    // Painting from here on, also for the before-draw-chart handler; what it
    // changes still reaches the layout made after it.
    FPainting = true;
    FBeforeLayout = true;
    DrawBackground();
    Raise(FOnBeforeDrawChart);
    FBeforeLayout = false;
    LayOutIfStale();
    TChartAxis* axes[] = {&FBottomAxis, &FTopAxis, &FLeftAxis, &FRightAxis};
    for (TChartAxis* axis : axes)
        axis->StoreFoundLimits();
    DrawTitle();

    bool anySeriesWithAxes = false;
    for (TChartSeries* s : FSeries)
        anySeriesWithAxes = anySeriesWithAxes || s->Active();
    if (anySeriesWithAxes && FView3DWalls && FBackWall.Visible()) {
        FCanvas.Pen()->Assign(*FBackWall.Pen());
        FCanvas.Brush()->SetStyle(FBackWall.Transparent() ? TBrushStyle::Clear : FBackWall.BrushStyle());
        FCanvas.Brush()->SetColor(FBackWall.Color());
        FCanvas.Rectangle(FPlot.Left, FPlot.Top, FPlot.Right + 1, FPlot.Bottom + 1);
    }
    auto drawAxes = [&] {
        for (TChartAxis* axis : axes)
            if (axis->IsVisibleInChart())
                axis->Draw(&FCanvas, FPlot);
    };
    if (FAxisBehind) {
        Raise(FOnBeforeDrawAxes);
        drawAxes();
    }
    Raise(FOnBeforeDrawSeries);
    // Zero-height bars lie on the plot's bottom row: the clip includes it.
    if (FClipPoints)
        FCanvas.SetClipRect(FPlot.Left, FPlot.Top, FPlot.Right + 1, FPlot.Bottom + 1);
    for (TChartSeries* s : FSeries)
        if (s->Active())
            s->DrawValues(&FCanvas);
    FCanvas.ClearClip();
    if (!FAxisBehind)
        drawAxes();

    FCanvas.ResetState();
    Raise(FOnAfterDraw);
    FBufferValid = true;
}

QImage TChart::RenderToImage(double scale)
{
    if (!FPainting)
        PaintBuffer(scale);
    QImage image = FBuffer;
    image.setDevicePixelRatio(1.0);
    return image;
}

void TChart::paintEvent(QPaintEvent*)
{
    const double scale = devicePixelRatioF();
    if (!FBufferValid || BufferScale() != scale) {
        // Nothing may escape into Qt's event loop: a failing paint leaves the
        // picture as far as it got.
        try {
            PaintBuffer(scale);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "chart paint failed: %s\n", e.what());
        } catch (...) {}
        FBufferValid = true;
    }
    if (FBuffer.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, FBuffer);
}

void TChart::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // A resize delivered late (on show) to a buffer of that size changes
    // nothing; the layout compares its size itself when next read.
    if (event->size() != FBuffer.deviceIndependentSize().toSize())
        Invalidate();
}

bool TChart::event(QEvent* event)
{
    // Without a tip of its own the chart leaves the request unaccepted, so it
    // travels to the parent and the window's hint shows over the chart.
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        event->ignore();
        return false;
    }
    return QWidget::event(event);
}
