#include "chart/Chart.h"

#include "chart/ChartSeries.h"

#include <QEvent>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>
#include <cstdio>
#include <exception>

// ---- title and back wall ---------------------------------------------------

TChartTitle::TChartTitle(TChart* chart) : FChart(chart)
{
    FFont.SetOnChange([this] { FChart->Invalidate(); });
    FFrame.SetOnChange([this] { FChart->Invalidate(); });
}

void TChartTitle::SetText(const QStringList& v) { if (AssignChanged(FText, v)) FChart->Invalidate(); }
void TChartTitle::SetVisible(bool v) { if (AssignChanged(FVisible, v)) FChart->Invalidate(); }
void TChartTitle::SetAdjustFrame(bool v) { if (AssignChanged(FAdjustFrame, v)) FChart->Invalidate(); }
void TChartTitle::SetVertMargin(int v) { if (AssignChanged(FVertMargin, v)) FChart->Invalidate(); }
void TChartTitle::SetTransparent(bool v) { if (AssignChanged(FTransparent, v)) FChart->Invalidate(); }
void TChartTitle::SetBrushColor(TColor v) { if (AssignChanged(FBrushColor, v)) FChart->Invalidate(); }

TChartBackWall::TChartBackWall(TChart* chart) : FChart(chart)
{
    FPen.SetOnChange([this] { FChart->Invalidate(); });
}

void TChartLegend::SetVisible(bool v) { if (AssignChanged(FVisible, v)) FChart->Invalidate(); }

void TChartBackWall::SetColor(TColor v) { if (AssignChanged(FColor, v)) FChart->Invalidate(); }
void TChartBackWall::SetBrushStyle(TBrushStyle v) { if (AssignChanged(FBrushStyle, v)) FChart->Invalidate(); }
void TChartBackWall::SetTransparent(bool v) { if (AssignChanged(FTransparent, v)) FChart->Invalidate(); }
void TChartBackWall::SetVisible(bool v) { if (AssignChanged(FVisible, v)) FChart->Invalidate(); }

// ---- chart -----------------------------------------------------------------

TChart::TChart(QWidget* parent) : QWidget(parent)
{
    // The buffer covers every pixel, so Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(400, 250);
    FBorder.SetOnChange([this] { Invalidate(); });
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

#define LW_CHART_SETTER(Name, Type, Field) \
    void TChart::Set##Name(Type v) { if (AssignChanged(Field, v)) Invalidate(); }
LW_CHART_SETTER(View3D, bool, FView3D)
LW_CHART_SETTER(View3DWalls, bool, FView3DWalls)
LW_CHART_SETTER(AxisVisible, bool, FAxisVisible)
LW_CHART_SETTER(AxisBehind, bool, FAxisBehind)
LW_CHART_SETTER(ClipPoints, bool, FClipPoints)
LW_CHART_SETTER(Color, TColor, FColor)
LW_CHART_SETTER(MarginLeft, int, FMarginLeft)
LW_CHART_SETTER(MarginTop, int, FMarginTop)
LW_CHART_SETTER(MarginRight, int, FMarginRight)
LW_CHART_SETTER(MarginBottom, int, FMarginBottom)
LW_CHART_SETTER(MarginUnits, TMarginUnits, FMarginUnits)
LW_CHART_SETTER(BevelOuter, TPanelBevel, FBevelOuter)
LW_CHART_SETTER(BevelInner, TPanelBevel, FBevelInner)
LW_CHART_SETTER(BevelWidth, int, FBevelWidth)
LW_CHART_SETTER(BorderWidth, int, FBorderWidth)
#undef LW_CHART_SETTER

void TChart::Invalidate()
{
    if (FPainting)
        return;
    FBufferValid = false;
    update();
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

void TChart::DrawTitle()
{
    const QStringList lines = FTitle.Text();
    if (!FTitle.Visible() || lines.isEmpty())
        return;
    TChartPen* frame = FTitle.Frame();
    const int fw = frame->Visible() && frame->Color() != clDefault ? frame->Width() : 0;
    FCanvas.Font()->Assign(*FTitle.Font());
    const int h = FCanvas.TextHeight(QStringLiteral("W"));
    TChartRect block{FPlot.Left, FPlot.Top + fw, FPlot.Right, 0};
    block.Bottom = block.Top + int(lines.size()) * h;
    block = {block.Left - fw, block.Top - fw, block.Right + fw, block.Bottom + fw};
    if (FTitle.AdjustFrame()) {
        int widest = 0;
        for (const QString& line : lines)
            widest = std::max(widest, FCanvas.TextWidth(line));
        const int width = FCanvas.TextWidth(QStringLiteral("W")) + fw + widest;
        const int centre = (block.Left + block.Right) / 2;
        block.Left = centre - width / 2;
        block.Right = centre + width / 2;
    }
    FTitle.SetTitleRect(block);
    if (!FTitle.Transparent()) {
        FCanvas.Brush()->SetStyle(TBrushStyle::Solid);
        FCanvas.Brush()->SetColor(FTitle.BrushColor());
        FCanvas.Pen()->Assign(*frame);
        FCanvas.Rectangle(block.Left, block.Top, block.Right, block.Bottom);
    }
    FCanvas.SetBackTransparent(true);
    FCanvas.SetTextAlign(THorzTextAlign::Left, TVertTextAlign::Top);
    for (int i = 0; i < lines.size(); ++i) {
        const int x = (block.Left + block.Right) / 2 - FCanvas.TextWidth(lines[i]) / 2;
        FCanvas.TextOut(x, block.Top + fw + i * h, lines[i]);
    }
    FPlot.Top = block.Bottom + FTitle.VertMargin() + fw;
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
}

void TChart::PaintBuffer()
{
    const bool wasPainting = FPainting;
    FPainting = true;
    const int w = std::max(0, width()), h = std::max(0, height());
    if (FBuffer.size() != QSize(w, h) || FBuffer.devicePixelRatio() != 1.0) {
        FBuffer = w > 0 && h > 0 ? QImage(w, h, QImage::Format_RGB32) : QImage();
    }
    FCanvas.Begin(&FBuffer);
    FCanvas.ResetState();

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

    DrawBackground();
    Raise(FOnBeforeDrawChart);
    for (TChartSeries* s : FSeries)
        if (s->Active())
            s->PrepareForDraw();
    DrawTitle();
    NormalizePlot();
    CalcAxesAndSpace();

    bool anySeriesWithAxes = false;
    for (TChartSeries* s : FSeries)
        anySeriesWithAxes = anySeriesWithAxes || s->Active();
    if (anySeriesWithAxes && FView3DWalls && FBackWall.Visible()) {
        FCanvas.Pen()->Assign(*FBackWall.Pen());
        FCanvas.Brush()->SetStyle(FBackWall.Transparent() ? TBrushStyle::Clear : FBackWall.BrushStyle());
        FCanvas.Brush()->SetColor(FBackWall.Color());
        FCanvas.Rectangle(FPlot.Left, FPlot.Top, FPlot.Right + 1, FPlot.Bottom + 1);
    }
    TChartAxis* axes[] = {&FBottomAxis, &FTopAxis, &FLeftAxis, &FRightAxis};
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
    FCanvas.End();
    FBufferValid = true;
    FPainting = wasPainting;
}

QImage TChart::RenderToImage()
{
    if (!FPainting) {
        try {
            PaintBuffer();
        } catch (...) {
            FCanvas.End();
            FPainting = false;
            throw;
        }
    }
    return FBuffer;
}

void TChart::paintEvent(QPaintEvent*)
{
    if (!FBufferValid) {
        // Nothing may escape into Qt's event loop: a failing paint leaves the
        // picture as far as it got.
        try {
            PaintBuffer();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "chart paint failed: %s\n", e.what());
            FCanvas.End();
            FPainting = false;
            FBufferValid = true;
        } catch (...) {
            FCanvas.End();
            FPainting = false;
            FBufferValid = true;
        }
    }
    if (FBuffer.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, FBuffer);
}

void TChart::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // A resize delivered late (on show) to a buffer of that size changes nothing.
    if (event->size() != FBuffer.size())
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
