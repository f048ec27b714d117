// libFuzzer target over the parameters of lagwatch-map's grid command: a
// mapping as the tool accepts it (kinds 0..14, tiles 0..13, any finite
// angles, any sizes and offsets in 32 bits) and the grid options (steps,
// special parallels, labels), drawn through the image canvas on a real image,
// whose size need not be the mapping's. Nothing may crash, hang or overflow.
#include "mapping/ImageGridCanvas.h"
#include "mapping/ormMapping.h"
#include "platform/DegreeSign.h"
#include "tests/mapping/fuzz/FuzzInput.h"

#include <QGuiApplication>
#include <QImage>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

class TInput : public TFuzzInput
{
public:
    using TFuzzInput::TFuzzInput;

    // The tool refuses infinity and NaN.
    float FiniteAngle(float Range)
    {
        const float v = Angle(Range);
        return std::isfinite(v) ? v : 0.0f;
    }
    // Positive sizes (the tool refuses others), now and then the extremes.
    int32_t Size()
    {
        const uint8_t how = Take<uint8_t>();
        if (how < 16)
            return std::numeric_limits<int32_t>::max() - Take<uint8_t>();
        if (how < 48)
            return 1 + static_cast<int32_t>(Take<uint32_t>() & 0x7FFFFFFE);
        return 1 + Take<uint16_t>() % 5000;
    }
    int32_t Offset()
    {
        const uint8_t how = Take<uint8_t>();
        if (how < 16)
            return std::numeric_limits<int32_t>::min() + Take<uint8_t>();
        if (how < 32)
            return std::numeric_limits<int32_t>::max() - Take<uint8_t>();
        if (how < 64)
            return Take<int32_t>();
        return Take<int16_t>();
    }
    // Steps of 1 or more; the smallest draw many lines, so they are rarer.
    int32_t Step()
    {
        const uint8_t how = Take<uint8_t>();
        if (how >= 240)
            return 1 + static_cast<int32_t>(Take<uint32_t>() & 0x7FFFFFFE);
        if (how >= 224)
            return 1 + how % 8;
        return 10 + how % 80;
    }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Fonts need an application object for the whole run.
    static int qtArgc = 1;
    static char* qtArgv[] = {(*argv)[0], nullptr};
    static QGuiApplication app(qtArgc, qtArgv);
    (void)argc;
    InitDegreeSign();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    TInput in(Data, Size);
    TMapping m;
    m.SetKind(in.Take<uint8_t>() % 15);
    m.SetHeight(in.Size());
    m.SetWidth(in.Size());
    m.Tile = in.Take<uint8_t>() % 14;
    m.Rotation = in.FiniteAngle(360);
    m.SetLonSpan(in.FiniteAngle(720));
    m.SetLatSpan(in.FiniteAngle(360));
    m.SetCentreLon(in.FiniteAngle(540));
    m.SetCentreLat(in.FiniteAngle(180));
    if (in.Take<uint8_t>() < 128)
    {
        m.SetStdParallel1(in.FiniteAngle(180));
        m.SetStdParallel2(in.FiniteAngle(180));
    }
    m.SetXOffset(in.Offset());
    m.SetYOffset(in.Offset());
    const int32_t lonStep = in.Step(), latStep = in.Step();
    const uint8_t special = in.Take<uint8_t>() & 0x1F;
    const bool noLabels = (in.Take<uint8_t>() & 7) == 0;
    QImage image(1 + in.Take<uint8_t>() % 96, 1 + in.Take<uint8_t>() % 96, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        TImageGridBitmap bitmap(image);
        m.DrawGridOnBitmap(&bitmap, lonStep, latStep, 0xFFFFFF, 0x00FFFF, 0, 0, noLabels, special, 0);
    }
    return 0;
}
