#pragma once
// Grid canvas and bitmap on a QImage through QPainter.
#include "mapping/GridCanvas.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>

#include <functional>
#include <memory>

class TImageGridCanvas : public TGridCanvas
{
public:
    explicit TImageGridCanvas(QImage& Image);
    ~TImageGridCanvas() override;

    int TextWidth(const QString& Text) override;
    int TextHeight(const QString& Text) override;
    void TextOut(int X, int Y, const QString& Text) override;
    void Polyline(const QPoint* Points, int Count) override;
    void SetBrushClear() override;
    void SetPenColour(TColor Colour) override;
    TGridPenStyle PenStyle() const override { return FPenStyle; }
    void SetPenStyle(TGridPenStyle Style) override;
    void SetFontName(const QString& Name) override;
    void SetFontSize(int Points) override;
    void SetFontColour(TColor Colour) override { FFontColour = Colour; }
    void SaveFont() override;
    void RestoreFont() override;

    // Ends painting so that the image can be read or saved.
    void End();

private:
    struct TFontState
    {
        QString Name;
        int Points = 8;
        TColor Colour = 0;
    };
    QPainter FPainter;
    TFontState FFont, FSavedFont;
    TColor FPenColour = 0;
    TColor FFontColour = 0;
    TGridPenStyle FPenStyle = TGridPenStyle::Solid;

    void ApplyPen();
    void ApplyFont();
};

class TImageGridBitmap : public TGridBitmap
{
public:
    explicit TImageGridBitmap(QImage& Image) : FImage(Image) {}
    TGridCanvas* Canvas() override;
    void Modified() override;
    void SetOnModified(std::function<void(TImageGridBitmap*)> Handler) { FOnModified = std::move(Handler); }
    // Ends painting; the canvas is created afresh on the next use.
    void EndPaint() { FCanvas.reset(); }

private:
    QImage& FImage;
    std::unique_ptr<TImageGridCanvas> FCanvas;
    std::function<void(TImageGridBitmap*)> FOnModified;
};

