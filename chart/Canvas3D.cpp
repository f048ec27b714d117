#include "chart/Canvas3D.h"

#include "platform/Rounding.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cmath>

QColor TColorToQColor(TColor color)
{
    if (color & clSystemFlag) {
        const QPalette palette = QGuiApplication::palette();
        switch (color) {
        case clBtnShadow:
            return palette.color(QPalette::Dark);
        case clBtnHighlight:
            return palette.color(QPalette::Light);
        default:
            return palette.color(QPalette::Button);
        }
    }
    return ToQColor(color);
}

QFont MakeQFont(const QString& name, int points, bool bold)
{
    QFont font(name);
    font.setPixelSize(FontPixelsAt96Dpi(points));
    font.setBold(bold);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

QFont MakeQFont(const TChartFont& font) { return MakeQFont(font.Name(), font.Size(), font.Bold()); }

void TCanvasPen::Assign(const TChartPen& pen)
{
    FColor = pen.Color();
    FWidth = pen.Width();
    FStyle = pen.Visible() ? pen.Style() : TPenStyle::Clear;
}

void TCanvasFont::Assign(const TChartFont& font)
{
    FName = font.Name();
    FSize = font.Size();
    FColor = font.Color();
    FBold = font.Bold();
}

TCanvas3D::TCanvas3D() { UpdateFont(); }
TCanvas3D::~TCanvas3D() { End(); }

void TCanvas3D::Begin(QImage* image)
{
    End();
    FImage = image;
    if (image && !image->isNull()) {
        FPainter = std::make_unique<QPainter>(image);
        if (!FPainter->isActive())
            FPainter.reset();
    }
}

void TCanvas3D::End()
{
    if (FPainter)
        FPainter->end();
    FPainter.reset();
    FImage = nullptr;
}

bool TCanvas3D::IsDrawing() const { return FPainter != nullptr; }

QSize TCanvas3D::LogicalSize() const
{
    if (!FImage)
        return {};
    const double ratio = FImage->devicePixelRatio();
    if (ratio == 1.0)
        return FImage->size();
    return {int(std::ceil(FImage->width() / ratio)), int(std::ceil(FImage->height() / ratio))};
}

void TCanvas3D::ResetState()
{
    FPen = TCanvasPen();
    FBrush = TCanvasBrush();
    FFont = TCanvasFont();
    FBackTransparent = true;
    FBackColor = clWhite;
    FHorzAlign = THorzTextAlign::Left;
    FVertAlign = TVertTextAlign::Top;
}

void TCanvas3D::UpdateFont()
{
    if (FMetrics && FCachedName == FFont.Name() && FCachedSize == FFont.Size() && FCachedBold == FFont.Bold())
        return;
    FCachedName = FFont.Name();
    FCachedSize = FFont.Size();
    FCachedBold = FFont.Bold();
    FQFont = MakeQFont(FCachedName, FCachedSize, FCachedBold);
    FMetrics.emplace(FQFont);
}

int TCanvas3D::TextWidth(const QString& text)
{
    UpdateFont();
    return FMetrics->horizontalAdvance(text);
}

int TCanvas3D::TextHeight(const QString&)
{
    UpdateFont();
    return FMetrics->height();
}

bool TCanvas3D::ApplyPen()
{
    if (FPen.Style() == TPenStyle::Clear || FPen.Color() == clNone || FPen.Width() < 0)
        return false;
    const TColor c = FPen.Color() == clDefault ? clBlack : FPen.Color();
    Qt::PenStyle style = Qt::SolidLine;
    switch (FPen.Style()) {
    case TPenStyle::Dash:
        style = Qt::DashLine;
        break;
    case TPenStyle::Dot:
        style = Qt::DotLine;
        break;
    case TPenStyle::DashDot:
        style = Qt::DashDotLine;
        break;
    case TPenStyle::DashDotDot:
        style = Qt::DashDotDotLine;
        break;
    default:
        break;
    }
    QPen pen(TColorToQColor(c), std::max(1, FPen.Width()), style, Qt::FlatCap, Qt::MiterJoin);
    FPainter->setPen(pen);
    FPainter->setBackgroundMode(FBackTransparent ? Qt::TransparentMode : Qt::OpaqueMode);
    if (!FBackTransparent && FBackColor != clNone && FBackColor != clDefault)
        FPainter->setBackground(TColorToQColor(FBackColor));
    return true;
}

bool TCanvas3D::ApplyBrushFill(QColor& fill) const
{
    if (FBrush.Style() == TBrushStyle::Clear || FBrush.Color() == clNone)
        return false;
    fill = TColorToQColor(FBrush.Color() == clDefault ? clWhite : FBrush.Color());
    return true;
}

namespace {

// Liang-Barsky in double precision, so coordinates far outside the image never
// reach the rasteriser. Returns false when nothing of the segment is inside.
bool ClipSegment(double& x0, double& y0, double& x1, double& y1, double l, double t, double r, double b)
{
    const double dx = x1 - x0, dy = y1 - y0;
    double u0 = 0, u1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - l, r - x0, y0 - t, b - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double u = q[i] / p[i];
        if (p[i] < 0)
            u0 = std::max(u0, u);
        else
            u1 = std::min(u1, u);
        if (u0 > u1)
            return false;
    }
    const double nx0 = x0 + u0 * dx, ny0 = y0 + u0 * dy;
    x1 = x0 + u1 * dx;
    y1 = y0 + u1 * dy;
    x0 = nx0;
    y0 = ny0;
    return true;
}

}  // namespace

void TCanvas3D::Line(int x0, int y0, int x1, int y1)
{
    if (!FPainter || (x0 == x1 && y0 == y1) || !ApplyPen())
        return;
    // Clip to the image plus a band wider than any pen, so the visible part and
    // its dash phase near the edges stay as drawn unclipped.
    const double m = 64.0 + FPen.Width();
    double ax = x0, ay = y0, bx = x1, by = y1;
    const QSize size = LogicalSize();
    if (!ClipSegment(ax, ay, bx, by, -m, -m, size.width() + m, size.height() + m))
        return;
    const int w = std::max(1, FPen.Width());
    // A wide pen covers w pixels across the line, from w/2 before it.
    const double across = -(w / 2) + w / 2.0;
    if (y0 == y1 || x0 == x1) {
        // Axis-parallel lines are given as the exact pixel run from the start
        // up to, not including, the end point; Qt covers pixel centres in
        // (lo, hi + 1] for thin pens and [lo, hi + 1] for wide ones.
        const bool horizontal = y0 == y1;
        const double from = horizontal ? ax : ay, to = horizontal ? bx : by;
        const bool forward = (horizontal ? x1 > x0 : y1 > y0);
        double lo = forward ? std::ceil(from) : std::floor(to) + 1;
        double hi = forward ? std::ceil(to) - 1 : std::floor(from);
        if (forward && to == (horizontal ? x1 : y1))
            hi = (horizontal ? x1 : y1) - 1;
        if (!forward && to == (horizontal ? x1 : y1))
            lo = (horizontal ? x1 : y1) + 1;
        if (hi < lo)
            return;
        if (horizontal)
            FPainter->drawLine(QPointF(forward ? lo : hi + 1, y0 + across),
                               QPointF(forward ? hi + 1 : lo, y0 + across));
        else
            FPainter->drawLine(QPointF(x0 + across, forward ? lo : hi + 1),
                               QPointF(x0 + across, forward ? hi + 1 : lo));
        return;
    }
    FPainter->drawLine(QPointF(ax + across, ay + across), QPointF(bx + across, by + across));
}

void TCanvas3D::FillRect(int left, int top, int right, int bottom)
{
    if (!FPainter)
        return;
    QColor fill;
    if (!ApplyBrushFill(fill))
        return;
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    const QSize size = LogicalSize();
    const int w = size.width(), h = size.height();
    left = std::clamp(left, -1, w + 1);
    right = std::clamp(right, -1, w + 1);
    top = std::clamp(top, -1, h + 1);
    bottom = std::clamp(bottom, -1, h + 1);
    if (right <= left || bottom <= top)
        return;
    Qt::BrushStyle style = Qt::SolidPattern;
    switch (FBrush.Style()) {
    case TBrushStyle::Horizontal:
        style = Qt::HorPattern;
        break;
    case TBrushStyle::Vertical:
        style = Qt::VerPattern;
        break;
    case TBrushStyle::FDiagonal:
        style = Qt::FDiagPattern;
        break;
    case TBrushStyle::BDiagonal:
        style = Qt::BDiagPattern;
        break;
    case TBrushStyle::Cross:
        style = Qt::CrossPattern;
        break;
    case TBrushStyle::DiagCross:
        style = Qt::DiagCrossPattern;
        break;
    default:
        break;
    }
    FPainter->fillRect(QRect(left, top, right - left, bottom - top), QBrush(fill, style));
}

void TCanvas3D::Rectangle(int left, int top, int right, int bottom)
{
    if (!FPainter)
        return;
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    FillRect(left, top, right, bottom);
    if (right <= left || bottom <= top || !ApplyPen())
        return;
    // The outline runs along the last included row and column.
    const int r = right - 1, b = bottom - 1;
    if (FPen.Width() <= 1 && FPen.Style() == TPenStyle::Solid) {
        const QColor c = FPainter->pen().color();
        const QSize size = LogicalSize();
        const int w = size.width(), h = size.height();
        auto fill = [&](int l, int t, int rr, int bb) {  // inclusive, clipped
            l = std::max(l, 0);
            t = std::max(t, 0);
            rr = std::min(rr, w - 1);
            bb = std::min(bb, h - 1);
            if (l <= rr && t <= bb)
                FPainter->fillRect(QRect(l, t, rr - l + 1, bb - t + 1), c);
        };
        fill(left, top, r, top);
        fill(left, b, r, b);
        fill(left, top, left, b);
        fill(r, top, r, b);
        return;
    }
    if (left == r || top == b) {
        Line(left, top, r + (left == r ? 0 : 1), b + (top == b ? 0 : 1));
        return;
    }
    Line(left, top, r, top);
    Line(r, top, r, b);
    Line(r, b, left, b);
    Line(left, b, left, top);
}

void TCanvas3D::TextOut(int x, int y, const QString& text, int angle)
{
    if (!FPainter || text.isEmpty() || FFont.Color() == clNone)
        return;
    UpdateFont();
    const int width = FMetrics->horizontalAdvance(text);
    const int height = FMetrics->height();
    int dx = 0;
    if (FHorzAlign == THorzTextAlign::Center)
        dx = -width / 2;
    else if (FHorzAlign == THorzTextAlign::Right)
        dx = -width;
    const int dy = FVertAlign == TVertTextAlign::Top ? 0 : -height;
    FPainter->save();
    FPainter->translate(x, y);
    if (angle == 90)
        FPainter->rotate(-90);
    else if (angle == 270)
        FPainter->rotate(90);
    else if (angle == 180)
        FPainter->rotate(180);
    if (!FBackTransparent && FBackColor != clNone && FBackColor != clDefault)
        FPainter->fillRect(QRect(dx, dy, width, height), TColorToQColor(FBackColor));
    // Text is drawn with the pen in Qt: the font colour goes on a pen of its own.
    FPainter->setPen(TColorToQColor(FFont.Color() == clDefault ? clBlack : FFont.Color()));
    FPainter->setFont(FQFont);
    FPainter->drawText(dx, dy + FMetrics->ascent(), text);
    FPainter->restore();
}

void TCanvas3D::SetClipRect(int left, int top, int right, int bottom)
{
    if (FPainter)
        FPainter->setClipRect(QRect(left, top, std::max(0, right - left), std::max(0, bottom - top)));
}

void TCanvas3D::ClearClip()
{
    if (FPainter)
        FPainter->setClipping(false);
}
