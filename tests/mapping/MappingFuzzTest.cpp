// Random parameters and points, seeded so that a failure can be replayed:
// nothing may crash, hang, or return True with a value that is not finite.
#include "mapping/ImageGridCanvas.h"
#include "mapping/ormMapping.h"
#include "platform/DegreeSign.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace {

class TRandomValues
{
public:
    explicit TRandomValues(unsigned seed) : FEngine(seed) {}

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(FEngine); }

    float Angle(float range)
    {
        switch (Pick(12)) {
        case 0:
            return std::numeric_limits<float>::infinity();
        case 1:
            return -std::numeric_limits<float>::infinity();
        case 2:
            return std::numeric_limits<float>::quiet_NaN();
        case 3:
            return std::ldexp(static_cast<float>(Pick(2) ? 1 : -1), Pick(120));
        case 4:
            return static_cast<float>(Pick(5) * 45 - 90);  // poles, equator, exact multiples
        case 5:
            return 0;
        default:
            return std::uniform_real_distribution<float>(-range, range)(FEngine);
        }
    }

    int32_t Size()
    {
        switch (Pick(8)) {
        case 0:
            return 0;
        case 1:
            return 1;
        case 2:
            return std::numeric_limits<int32_t>::max();
        case 3:
            return -Pick(1000);
        default:
            return 1 + Pick(5000);
        }
    }

    int32_t Pixel()
    {
        switch (Pick(6)) {
        case 0:
            return std::numeric_limits<int32_t>::min();
        case 1:
            return std::numeric_limits<int32_t>::max();
        default:
            return Pick(6000) - 1000;
        }
    }

private:
    std::mt19937 FEngine;
};

}  // namespace

TEST(MappingFuzz, RandomParametersAndPointsStayFinite)
{
    TRandomValues r(20240611u);
    for (int round = 0; round < 3000; ++round) {
        TMapping m;
        m.SetKind(static_cast<uint8_t>(r.Pick(6) == 0 ? r.Pick(256) : r.Pick(16)));
        m.SetHeight(r.Size());
        m.SetWidth(r.Size());
        m.Tile = static_cast<uint8_t>(r.Pick(16));
        m.Rotation = r.Pick(3) == 0 ? r.Angle(360) : 0;
        m.SetLonSpan(r.Angle(400));
        m.SetLatSpan(r.Angle(200));
        m.SetCentreLon(r.Angle(360));
        m.SetCentreLat(r.Angle(100));
        if (r.Pick(2)) {
            m.SetStdParallel1(r.Angle(95));
            m.SetStdParallel2(r.Angle(95));
        }
        m.SetXOffset(r.Pixel());
        m.SetYOffset(r.Pixel());
        for (int i = 0; i < 300; ++i) {
            const float lon = r.Angle(400), lat = r.Angle(100);
            int x = r.Pixel(), y = r.Pixel();
            m.LonLatToXY(lon, lat, x, y);
            float fx = 0, fy = 0;
            if (m.LonLatToXYF(lon, lat, fx, fy)) {
                ASSERT_TRUE(std::isfinite(fx) && std::isfinite(fy)) << round << " " << lon << " " << lat;
            }
            float lon2 = 0, lat2 = 0;
            if (m.XYToLonLat(r.Pixel(), r.Pixel(), lon2, lat2)) {
                ASSERT_TRUE(std::isfinite(lon2) && std::isfinite(lat2)) << round;
            }
        }
    }
}

#ifdef LAGWATCH_SANITIZED
// The parameters of lagwatch-map's grid command as it accepts them (kinds
// 0..14, tiles 0..13, finite angles, positive sizes and any offsets in 32
// bits, steps of 1 or more), drawn through the image canvas on a real image of
// another size: under the sanitizers nothing may overflow or crash (so this
// case is built into the sanitizer build alone).
TEST(MappingFuzz, GridParametersDrawOnARealImage)
{
    InitDegreeSign();
    TRandomValues r(20261207u);
    auto finite = [&](float range) {
        const float v = r.Angle(range);
        return std::isfinite(v) ? v : 0.0f;
    };
    auto size = [&]() {
        const int32_t v = r.Size();
        return v > 0 ? v : 1 + r.Pick(5000);
    };
    auto offset = [&]() {
        switch (r.Pick(5)) {
        case 0:
            return std::numeric_limits<int32_t>::min() + r.Pick(3);
        case 1:
            return std::numeric_limits<int32_t>::max() - r.Pick(3);
        default:
            return r.Pixel();
        }
    };
    auto step = [&]() { return r.Pick(8) == 0 ? std::numeric_limits<int32_t>::max() - r.Pick(3) : 3 + r.Pick(60); };
    // The draws must reach the image at all, or the case checks nothing.
    int drawn = 0;
    for (int round = 0; round < 400; ++round) {
        TMapping m;
        m.SetKind(static_cast<uint8_t>(r.Pick(15)));
        m.SetHeight(size());
        m.SetWidth(size());
        m.Tile = static_cast<uint8_t>(r.Pick(14));
        m.Rotation = r.Pick(3) == 0 ? finite(360) : 0;
        m.SetLonSpan(finite(400));
        m.SetLatSpan(finite(200));
        m.SetCentreLon(finite(360));
        m.SetCentreLat(finite(100));
        if (r.Pick(2)) {
            m.SetStdParallel1(finite(95));
            m.SetStdParallel2(finite(95));
        }
        m.SetXOffset(offset());
        m.SetYOffset(offset());
        QImage image(1 + r.Pick(80), 1 + r.Pick(80), QImage::Format_RGB32);
        image.fill(Qt::black);
        TImageGridBitmap bitmap(image);
        m.DrawGridOnBitmap(&bitmap, step(), step(), 0xFFFFFF, 0x00FFFF, 0, 0, r.Pick(6) == 0,
                           static_cast<uint8_t>(r.Pick(32)), 0);
        bitmap.EndPaint();
        const auto black = [&image](int y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            return std::all_of(line, line + image.width(), [](QRgb pixel) { return (pixel & 0xFFFFFFu) == 0; });
        };
        bool touched = false;
        for (int y = 0; y < image.height() && !touched; ++y)
            touched = !black(y);
        drawn += touched;
    }
    EXPECT_GT(drawn, 40);
}
#endif
