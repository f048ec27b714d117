#include "mapping/ImageGridCanvas.h"

#include "platform/Rounding.h"

#include <QFontMetrics>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <cstdint>

TImageGridCanvas::TImageGridCanvas(QImage& Image) : FPainter(&Image)
{
    FFont.Name = QStringLiteral("Liberation Sans");
    ApplyFont();
    ApplyPen();
}

TImageGridCanvas::~TImageGridCanvas() { End(); }

void TImageGridCanvas::End()
{
    if (FPainter.isActive())
        FPainter.end();
}

void TImageGridCanvas::ApplyPen()
{
    QPen pen(ToQColor(FPenColour));
    pen.setWidth(1);
    // A flat cap leaves the end point unset, as the line drawing of the desktop does.
    pen.setCapStyle(Qt::FlatCap);
    switch (FPenStyle)
    {
    case TGridPenStyle::Solid: pen.setStyle(Qt::SolidLine); break;
    case TGridPenStyle::Dash: pen.setStyle(Qt::DashLine); break;
    case TGridPenStyle::Dot: pen.setStyle(Qt::DotLine); break;
    case TGridPenStyle::Clear: pen.setStyle(Qt::NoPen); break;
    }
    FPainter.setPen(pen);
}

void TImageGridCanvas::ApplyFont()
{
    QFont font;
    // "Small Fonts" rarely exists here: fall back to a close small sans face.
    font.setFamilies({FFont.Name, QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    // Sized as on a 96-DPI desktop, whatever the display.
    font.setPixelSize(FontPixelsAt96Dpi(FFont.Points));
    // Crisp pixels in the label colour, as a bitmap face would draw them: grey
    // smoothing at this size melts into the halo and the imagery.
    font.setStyleStrategy(QFont::NoAntialias);
    FPainter.setFont(font);
}

int TImageGridCanvas::TextWidth(const QString& Text) { return FPainter.fontMetrics().horizontalAdvance(Text); }
int TImageGridCanvas::TextHeight(const QString&) { return FPainter.fontMetrics().height(); }

void TImageGridCanvas::TextOut(int X, int Y, const QString& Text)
{
    // Text that cannot touch the image is left out, so a position anywhere in
    // the int range never overflows below, here or in the painter. The margin
    // of one line height covers overhanging glyphs.
    const QFontMetrics metrics = FPainter.fontMetrics();
    const int64_t margin = metrics.height();
    const QPaintDevice* device = FPainter.device();
    if (!device || X >= static_cast<int64_t>(device->width()) + margin ||
        Y >= static_cast<int64_t>(device->height()) + margin ||
        static_cast<int64_t>(X) + metrics.horizontalAdvance(Text) + margin < 0 ||
        static_cast<int64_t>(Y) + 2 * margin < 0)
        return;
    // Text is drawn with the pen: switch to the font colour and back.
    const QPen linePen = FPainter.pen();
    FPainter.setPen(ToQColor(FFontColour));
    FPainter.drawText(X, Y + metrics.ascent(), Text);
    FPainter.setPen(linePen);
}

void TImageGridCanvas::Polyline(const QPoint* Points, int Count)
{
    if (Count < 2)
        return;
    FPainter.drawPolyline(Points, Count);
}

void TImageGridCanvas::SetBrushClear() { FPainter.setBrush(Qt::NoBrush); }

void TImageGridCanvas::SetPenColour(TColor Colour)
{
    FPenColour = Colour;
    ApplyPen();
}

void TImageGridCanvas::SetPenStyle(TGridPenStyle Style)
{
    FPenStyle = Style;
    ApplyPen();
}

void TImageGridCanvas::SetFontName(const QString& Name)
{
    FFont.Name = Name;
    ApplyFont();
}

void TImageGridCanvas::SetFontSize(int Points)
{
    FFont.Points = Points;
    ApplyFont();
}

void TImageGridCanvas::SaveFont()
{
    FSavedFont = FFont;
    FSavedFont.Colour = FFontColour;
}

void TImageGridCanvas::RestoreFont()
{
    FFont = FSavedFont;
    FFontColour = FSavedFont.Colour;
    ApplyFont();
}

TGridCanvas* TImageGridBitmap::Canvas()
{
    if (!FCanvas)
        FCanvas = std::make_unique<TImageGridCanvas>(FImage);
    return FCanvas.get();
}

void TImageGridBitmap::Modified()
{
    if (FOnModified)
        FOnModified(this);
}
