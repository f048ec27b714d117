// libFuzzer target over the conversions and the grid: a mapping built from the
// input through the setters, then points and pixels from the input. Nothing may
// crash or hang, and a conversion that returns true must give finite values.
#include "mapping/GridCanvas.h"
#include "mapping/ormMapping.h"
#include "platform/DegreeSign.h"
#include "tests/mapping/fuzz/FuzzInput.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

class TInput : public TFuzzInput
{
public:
    using TFuzzInput::TFuzzInput;

    int32_t Size()
    {
        const uint8_t how = Take<uint8_t>();
        if (how < 32)
            return Take<int32_t>();
        return Take<uint16_t>() % 5000;
    }
};

// Measures text as a fixed box and checks every coordinate the grid hands over.
class TCheckingCanvas : public TGridCanvas
{
public:
    int TextWidth(const QString& Text) override { return 6 * static_cast<int>(Text.size()); }
    int TextHeight(const QString&) override { return 11; }
    void TextOut(int, int, const QString&) override {}
    void Polyline(const QPoint* Points, int Count) override
    {
        if (Count < 2 || Count > 361)
            std::abort();
        for (int i = 0; i < Count; ++i)
            (void)Points[i];
    }
    void SetBrushClear() override {}
    void SetPenColour(TColor) override {}
    TGridPenStyle PenStyle() const override { return FStyle; }
    void SetPenStyle(TGridPenStyle Style) override { FStyle = Style; }
    void SetFontName(const QString&) override {}
    void SetFontSize(int) override {}
    void SetFontColour(TColor) override {}
    void SaveFont() override {}
    void RestoreFont() override {}

private:
    TGridPenStyle FStyle = TGridPenStyle::Solid;
};

void Check(bool Condition)
{
    if (!Condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    if (DegreeSign.isEmpty())
        InitDegreeSign();
    TInput in(Data, Size);
    TMapping m;
    m.SetKind(in.Take<uint8_t>() % 17);
    m.SetHeight(in.Size());
    m.SetWidth(in.Size());
    m.Tile = in.Take<uint8_t>() % 16;
    if (in.Take<uint8_t>() < 32)
        m.Rotation = in.Angle(360);
    m.SetLonSpan(in.Angle(720));
    m.SetLatSpan(in.Angle(360));
    m.SetCentreLon(in.Angle(540));
    m.SetCentreLat(in.Angle(180));
    if (in.Take<uint8_t>() < 128)
    {
        m.SetStdParallel1(in.Angle(180));
        m.SetStdParallel2(in.Angle(180));
    }
    m.SetXOffset(in.Take<int16_t>());
    m.SetYOffset(in.Take<int16_t>());

    const uint8_t what = in.Take<uint8_t>();
    if (what < 16)
    {
        // The grid projects a few thousand points: only now and then.
        TCheckingCanvas canvas;
        const int32_t lonStep = in.Take<int8_t>(), latStep = in.Take<int8_t>();
        m.DrawGrid(&canvas, lonStep, latStep, 0, 0, in.Take<int16_t>(), in.Take<int16_t>(), in.Take<uint8_t>() & 1,
                   in.Take<uint8_t>(), 0);
        Check(canvas.PenStyle() == TGridPenStyle::Solid);
    }
    for (int i = 0; i < 8 && !in.Empty(); ++i)
    {
        const float lon = in.Angle(720), lat = in.Angle(200);
        int32_t x = 0, y = 0;
        (void)m.LonLatToXY(lon, lat, x, y);
        float fx = 0, fy = 0;
        if (m.LonLatToXYF(lon, lat, fx, fy))
            Check(std::isfinite(fx) && std::isfinite(fy));
        const int32_t px = in.Take<uint8_t>() < 32 ? in.Take<int32_t>() : in.Take<int16_t>();
        const int32_t py = in.Take<uint8_t>() < 32 ? in.Take<int32_t>() : in.Take<int16_t>();
        float rlon = 0, rlat = 0;
        if (m.XYToLonLat(px, py, rlon, rlat))
            Check(std::isfinite(rlon) && std::isfinite(rlat));
        float km = 0;
        if (GreatCircleDistance(km, lon, lat, m.CentreLon, m.CentreLat))
            Check(std::isfinite(km));
        (void)MercatorY(lat);
        (void)MercatorLat(in.Angle(1000));
    }
    return 0;
}
