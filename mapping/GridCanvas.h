#pragma once
// What grid drawing needs from a drawing surface. A recording implementation
// lets tests check exact positions; TImageGridCanvas draws on a QImage.
#include "platform/Color.h"

#include <QPoint>
#include <QString>

#include <cstdint>


enum class TGridPenStyle
{
    Solid,
    Dash,
    Dot,
    Clear,
};

class TGridCanvas
{
public:
    virtual ~TGridCanvas() = default;
    virtual int TextWidth(const QString& Text) = 0;
    virtual int TextHeight(const QString& Text) = 0;
    // Top-left placement, transparent background, in the font colour.
    virtual void TextOut(int X, int Y, const QString& Text) = 0;
    virtual void Polyline(const QPoint* Points, int Count) = 0;
    virtual void SetBrushClear() = 0;
    virtual void SetPenColour(TColor Colour) = 0;
    virtual TGridPenStyle PenStyle() const = 0;
    virtual void SetPenStyle(TGridPenStyle Style) = 0;
    virtual void SetFontName(const QString& Name) = 0;
    virtual void SetFontSize(int Points) = 0;
    virtual void SetFontColour(TColor Colour) = 0;
    // Copies the font (name, size, colour) aside and back.
    virtual void SaveFont() = 0;
    virtual void RestoreFont() = 0;
};

class TGridBitmap
{
public:
    virtual ~TGridBitmap() = default;
    virtual TGridCanvas* Canvas() = 0;
    // Tells the bitmap's owner that its pixels changed.
    virtual void Modified() = 0;
};
