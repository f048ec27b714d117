#pragma once
// Colours and small shared types of the chart component.
#include <cstdint>
#include <functional>

#include <QString>

using TColor = uint32_t;  // 0x00BBGGRR, red in the low byte

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clGray = 0x808080;
// No colour of its own: a series point drawn in the series' colour.
constexpr TColor clDefault = 0x20000000;
// No colour at all: nothing is drawn.
constexpr TColor clNone = 0x1FFFFFFF;
// Desktop colours, resolved from the platform palette at the canvas.
constexpr TColor clSystemFlag = 0x80000000;
constexpr TColor clBtnFace = 0x8000000F;
constexpr TColor clBtnShadow = 0x80000010;
constexpr TColor clBtnHighlight = 0x80000014;

// A rectangle by its four edges, as the chart's layout is written; which edges
// are inclusive depends on the use (the plotting rectangle's frame lies on its
// right and bottom edges).
struct TChartRect
{
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const TChartRect&) const = default;
};

enum class TPenStyle { Solid, Dash, Dot, DashDot, DashDotDot, Clear };
enum class TBrushStyle { Solid, Clear, Horizontal, Vertical, FDiagonal, BDiagonal, Cross, DiagCross };

// Sets a field and reports whether it changed; the basis of "a setter given the
// value it already holds does nothing".
template <class T>
bool AssignChanged(T& field, const T& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

// A pen owned by a chart element; every change notifies its owner so the chart
// can invalidate.
class TChartPen
{
public:
    TChartPen(TColor color = clBlack, int width = 1, TPenStyle style = TPenStyle::Solid, bool visible = true)
        : FColor(color), FWidth(width), FStyle(style), FVisible(visible) {}

    TColor Color() const { return FColor; }
    int Width() const { return FWidth; }
    TPenStyle Style() const { return FStyle; }
    bool Visible() const { return FVisible; }
    void SetColor(TColor v) { if (AssignChanged(FColor, v)) Changed(); }
    void SetWidth(int v) { if (AssignChanged(FWidth, v)) Changed(); }
    void SetStyle(TPenStyle v) { if (AssignChanged(FStyle, v)) Changed(); }
    void SetVisible(bool v) { if (AssignChanged(FVisible, v)) Changed(); }
    void SetOnChange(std::function<void()> f) { FOnChange = std::move(f); }

private:
    void Changed() { if (FOnChange) FOnChange(); }
    TColor FColor;
    int FWidth;
    TPenStyle FStyle;
    bool FVisible;
    std::function<void()> FOnChange;
};

class TChartFont
{
public:
    TChartFont(TColor color = clBlack) : FColor(color) {}
    QString Name() const { return FName; }
    void SetName(const QString& v) { if (AssignChanged(FName, v)) Changed(); }
    int Size() const { return FSize; }
    TColor Color() const { return FColor; }
    bool Bold() const { return FBold; }
    void SetSize(int v) { if (AssignChanged(FSize, v)) Changed(); }
    void SetColor(TColor v) { if (AssignChanged(FColor, v)) Changed(); }
    void SetBold(bool v) { if (AssignChanged(FBold, v)) Changed(); }
    void SetOnChange(std::function<void()> f) { FOnChange = std::move(f); }

private:
    void Changed() { if (FOnChange) FOnChange(); }
    QString FName = QStringLiteral("Arial");
    int FSize = 8;
    TColor FColor;
    bool FBold = false;
    std::function<void()> FOnChange;
};
