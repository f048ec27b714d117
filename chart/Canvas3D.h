#pragma once
// The chart's drawing surface: a small set of raster services over QPainter
// with exclusive end points and rectangle edges, so layout numbers come out
// in exact pixels.
#include "chart/ChartTypes.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QSize>
#include <QString>

#include <memory>
#include <optional>

class QImage;
class QPainter;

// Converts 0x00BBGGRR (and the desktop colours) to QColor. clDefault and
// clNone must be handled by the caller: they have no colour.
QColor TColorToQColor(TColor color);

// A font of the given points, sized as on a 96-DPI desktop.
QFont MakeQFont(const QString& name, int points, bool bold = false);
QFont MakeQFont(const TChartFont& font);

class TCanvasPen
{
public:
    TColor Color() const { return FColor; }
    int Width() const { return FWidth; }
    TPenStyle Style() const { return FStyle; }
    void SetColor(TColor v) { FColor = v; }
    void SetWidth(int v) { FWidth = v; }
    void SetStyle(TPenStyle v) { FStyle = v; }
    void Assign(const TChartPen& pen);

private:
    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = TPenStyle::Solid;
};

class TCanvasBrush
{
public:
    TColor Color() const { return FColor; }
    TBrushStyle Style() const { return FStyle; }
    void SetColor(TColor v) { FColor = v; }
    void SetStyle(TBrushStyle v) { FStyle = v; }

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = TBrushStyle::Solid;
};

class TCanvasFont
{
public:
    QString Name() const { return FName; }
    int Size() const { return FSize; }
    TColor Color() const { return FColor; }
    bool Bold() const { return FBold; }
    void SetName(const QString& v) { FName = v; }
    void SetSize(int v) { FSize = v; }
    void SetColor(TColor v) { FColor = v; }
    void SetBold(bool v) { FBold = v; }
    void Assign(const TChartFont& font);

private:
    QString FName = QStringLiteral("Arial");
    int FSize = 8;
    TColor FColor = clBlack;
    bool FBold = false;
};

enum class THorzTextAlign { Left, Center, Right };
enum class TVertTextAlign { Top, Bottom };

class TCanvas3D
{
public:
    TCanvas3D();
    ~TCanvas3D();
    TCanvas3D(const TCanvas3D&) = delete;
    TCanvas3D& operator=(const TCanvas3D&) = delete;

    // Directs drawing into the image until End(); a null image gives a canvas
    // that measures text but draws nothing. An image with a device pixel
    // ratio is drawn on in its logical pixels, every line and glyph at its
    // own resolution.
    void Begin(QImage* image);
    void End();
    bool IsDrawing() const;

    TCanvasPen* Pen() { return &FPen; }
    TCanvasBrush* Brush() { return &FBrush; }
    TCanvasFont* Font() { return &FFont; }

    bool BackTransparent() const { return FBackTransparent; }
    void SetBackTransparent(bool v) { FBackTransparent = v; }
    TColor BackColor() const { return FBackColor; }
    void SetBackColor(TColor v) { FBackColor = v; }
    void SetTextAlign(THorzTextAlign h, TVertTextAlign v)
    {
        FHorzAlign = h;
        FVertAlign = v;
    }

    // Pen black 1 pixel solid, brush white solid, Arial 8 black, transparent
    // white text background, text aligned left and top.
    void ResetState();

    // Lines never set their end point; a zero-length line draws nothing.
    void Line(int x0, int y0, int x1, int y1);
    void DrawHorizontalLine(int x0, int x1, int y) { Line(x0, y, x1, y); }
    // Right and bottom edges exclusive; filled with the brush unless clear,
    // outlined with the pen unless clear.
    void Rectangle(int left, int top, int right, int bottom);
    void FillRect(int left, int top, int right, int bottom);

    // Text at (x, y) with the current alignment; angle 90 reads bottom to top
    // and 270 top to bottom, (x, y) being the text's top-left corner before rotation.
    void TextOut(int x, int y, const QString& text, int angle = 0);
    int TextWidth(const QString& text);
    int TextHeight(const QString& text);  // the font's line height

    void SetClipRect(int left, int top, int right, int bottom);
    void ClearClip();

private:
    // The image's size in the canvas's coordinates.
    QSize LogicalSize() const;
    void UpdateFont();
    bool ApplyPen();  // false when the pen draws nothing
    bool ApplyBrushFill(QColor& fill) const;

    QImage* FImage = nullptr;
    std::unique_ptr<QPainter> FPainter;
    TCanvasPen FPen;
    TCanvasBrush FBrush;
    TCanvasFont FFont;
    bool FBackTransparent = true;
    TColor FBackColor = clWhite;
    THorzTextAlign FHorzAlign = THorzTextAlign::Left;
    TVertTextAlign FVertAlign = TVertTextAlign::Top;
    // Cached font and metrics, rebuilt when the font's name, size or weight change.
    QString FCachedName;
    int FCachedSize = -1;
    bool FCachedBold = false;
    QFont FQFont;
    std::optional<QFontMetrics> FMetrics;
};
