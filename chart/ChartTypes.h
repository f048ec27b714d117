#pragma once
// Colours and small shared types of the chart component.
#include <cstdint>
#include <functional>
#include <type_traits>

#include "platform/Color.h"

#include <QString>


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

// The base of everything in the chart that has settings. Every setter goes
// through Set: a value the setting already holds changes nothing, a new one is
// stored and reported once through OnChange, which the owner wires to the
// chart's Invalidate.
class TChartNotifier
{
public:
    void SetOnChange(std::function<void()> f) { FOnChange = std::move(f); }

protected:
    void Changed() const
    {
        if (FOnChange)
            FOnChange();
    }
    template <class T>
    void Set(T& field, const std::type_identity_t<T>& value)
    {
        if (AssignChanged(field, value))
            Changed();
    }

private:
    std::function<void()> FOnChange;
};

// A pen owned by a chart element.
class TChartPen : public TChartNotifier
{
public:
    TChartPen(TColor color = clBlack, int width = 1, TPenStyle style = TPenStyle::Solid, bool visible = true)
        : FColor(color), FWidth(width), FStyle(style), FVisible(visible) {}

    TColor Color() const { return FColor; }
    int Width() const { return FWidth; }
    TPenStyle Style() const { return FStyle; }
    bool Visible() const { return FVisible; }
    void SetColor(TColor v) { Set(FColor, v); }
    void SetWidth(int v) { Set(FWidth, v); }
    void SetStyle(TPenStyle v) { Set(FStyle, v); }
    void SetVisible(bool v) { Set(FVisible, v); }

private:
    TColor FColor;
    int FWidth;
    TPenStyle FStyle;
    bool FVisible;
};

class TChartFont : public TChartNotifier
{
public:
    TChartFont(TColor color = clBlack) : FColor(color) {}
    QString Name() const { return FName; }
    void SetName(const QString& v) { Set(FName, v); }
    int Size() const { return FSize; }
    TColor Color() const { return FColor; }
    bool Bold() const { return FBold; }
    void SetSize(int v) { Set(FSize, v); }
    void SetColor(TColor v) { Set(FColor, v); }
    void SetBold(bool v) { Set(FBold, v); }

private:
    QString FName = QStringLiteral("Arial");
    int FSize = 8;
    TColor FColor;
    bool FBold = false;
};
