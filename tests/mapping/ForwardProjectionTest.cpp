#include "MappingTestUtil.h"
#include "mapping/Presets.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct ForwardCase
{
    const char* Name;
    TMappingParams P;
    float Lon, Lat;
    bool Ok;
    int X, Y;
};

const TMappingParams Plate360 = {.Kind = 1, .Height = 180, .Width = 360};
const TMappingParams Zoomed = {.Kind = 2, .Height = 200, .Width = 400, .CentreLon = 10, .LonSpan = 40, .LatSpan = 20};
const TMappingParams Ortho = {.Kind = 7, .Height = 800, .Width = 800, .LatSpan = 180};
const TMappingParams Gnomonic = {.Kind = 11, .Height = 800, .Width = 800, .LatSpan = 90};
const TMappingParams GreatCircle = {.Kind = 13, .Height = 500, .Width = 801, .CentreLon = 20, .CentreLat = 30,
                                    .XOffset = 3, .YOffset = 4};
const TMappingParams Vdg = {.Kind = 12, .Height = 400, .Width = 800, .CentreLon = 30};
const TMappingParams HugeAzimuthal = {.Kind = 3, .Height = 4000000, .Width = 4000000, .CentreLon = 10, .CentreLat = 40};

const ForwardCase ForwardCases[] = {
    // Plate carree: CentreLon has no effect, longitudes wrap, ties go to even.
    {"plate centre", Plate360, 0, 0, true, 180, 90},
    {"plate wraps 190", Plate360, 190, 0, true, 10, 90},
    {"plate ignores centre", {.Kind = 1, .Height = 180, .Width = 360, .CentreLon = 77}, 190, 0, true, 10, 90},
    {"plate tie down", {.Kind = 1, .Height = 2, .Width = 4}, -135, 0, true, 0, 1},
    {"plate tie up", {.Kind = 1, .Height = 2, .Width = 4}, -45, 0, true, 2, 1},
    {"plate huge longitude", Plate360, 36000008.0f, 0, true, 188, 90},
    // Zoomed plate carree and linear-based.
    {"zoomed west edge", Zoomed, -10, 10, true, 0, 0},
    {"zoomed east edge", Zoomed, 30, -10, true, 400, 200},
    {"linear-based like zoomed", {.Kind = 14, .Height = 200, .Width = 400, .CentreLon = 10, .LonSpan = 40, .LatSpan = 20}, 30, 0, true, 400, 100},
    {"zoomed zero lon span", {.Kind = 2, .Height = 200, .Width = 400, .LatSpan = 20}, 5, 0, false, 0, 0},
    // Mercator.
    {"mercator full centre", {.Kind = 5, .Height = 360, .Width = 360}, 0, 0, true, 180, 180},
    {"mercator full 45N", {.Kind = 5, .Height = 360, .Width = 360}, 90, 45, true, 270, 130},
    {"mercator zoomed west of image", {.Kind = 6, .Height = 300, .Width = 300, .CentreLon = 10, .LonSpan = 30, .LatSpan = 30}, -20, 0, false, -150, 150},
    {"mercator zoomed inside", {.Kind = 6, .Height = 300, .Width = 300, .CentreLon = 10, .LonSpan = 30, .LatSpan = 30}, 10, 0, true, 150, 150},
    // Azimuthal family: cut-off distances.
    {"azimuthal centre", {.Kind = 3, .Height = 800, .Width = 800}, 0, 0, true, 400, 400},
    {"azimuthal 100 deg east", {.Kind = 3, .Height = 800, .Width = 800}, 100, 0, true, 1447, 400},
    {"azimuthal beyond 12000 km", {.Kind = 3, .Height = 800, .Width = 800}, 108, 0, false, 0, 0},
    {"wide azimuthal beyond 12000 km", {.Kind = 4, .Height = 800, .Width = 800, .LatSpan = 90}, 0, -108, false, 0, 0},
    {"orthographic centre", Ortho, 0, 0, true, 400, 400},
    {"orthographic 30N", Ortho, 0, 30, true, 400, 200},
    {"orthographic beyond 6300 km", Ortho, 57, 0, false, 0, 0},
    {"linearised ortho beyond 6300 km", {.Kind = 8, .Height = 800, .Width = 800, .LatSpan = 180}, 0, 57, false, 0, 0},
    {"linearised ortho 30E", {.Kind = 8, .Height = 800, .Width = 800, .LatSpan = 180}, 30, 0, true, 609, 400},
    // The angular distance is single precision, its sine is not: on a huge image
    // a sine rounded to single precision moves these pixels by one.
    {"huge azimuthal south-west", HugeAzimuthal, -113.870552f, 37.8937912f, true, -978846, -1424272},
    {"huge azimuthal far north-west", HugeAzimuthal, -163.035568f, 75.2113647f, true, 1884028, -1385554},
    {"huge azimuthal east", HugeAzimuthal, 72.3268127f, 43.9729004f, true, 4127664, 941630},
    {"gnomonic 45E", Gnomonic, 45, 0, true, 966, 400},
    {"gnomonic beyond 12000 km", Gnomonic, 0, 108, false, 0, 0},
    // 90 degrees from the centre: refused, but the image centre is handed back.
    {"gnomonic at 90 deg", Gnomonic, 90, 0, false, 400, 400},
    // The centre itself (gamma 1) is accepted, as its inverse gives the centre back.
    {"gnomonic centre itself", Gnomonic, 0, 0, true, 400, 400},
    {"gnomonic off-centre centre", {.Kind = 11, .Height = 600, .Width = 800, .CentreLon = 12, .CentreLat = 34, .LatSpan = 90}, 12, 34, true, 400, 300},
    {"polar 800 centre", {.Kind = 9, .Height = 800, .Width = 800, .CentreLon = 135, .CentreLat = 35.45f, .LatSpan = 46.6f, .XOffset = 137}, 135, 35.45f, true, 537, 357},
    {"polar north pole", {.Kind = 9, .Height = 877, .Width = 1078, .CentreLon = -45, .CentreLat = 90, .LatSpan = 101.68f, .XOffset = -36, .YOffset = 306}, 0, 90, true, 503, 132},
    // Van der Grinten: poles on the central column, at +-pi*Scale.
    {"vdg north pole", Vdg, 100, 90, true, 400, -190},
    {"vdg south pole", Vdg, -100, -90, true, 400, 590},
    {"vdg equator centre", Vdg, 30, 0, true, 400, 200},
    {"vdg antimeridian", Vdg, 210, 0, true, 790, 200},
    {"vdg tile 1", {.Kind = 12, .Height = 400, .Width = 800, .Tile = 1}, 0, 0, true, 800, 400},
    {"vdg tile 9", {.Kind = 12, .Height = 400, .Width = 800, .Tile = 9}, 0, 0, true, 400, 200},
    // Great circle: the centre and its antipode.
    {"great circle centre", GreatCircle, 20, 30, true, 403, 246},
    {"great circle antipode", GreatCircle, -160, -30, true, 154, 246},
    // Non-finite points have no position.
    {"infinite longitude", Plate360, std::numeric_limits<float>::infinity(), 0, false, 0, 0},
    {"nan latitude", Ortho, 0, std::numeric_limits<float>::quiet_NaN(), false, 0, 0},
    {"kind 0", {.Kind = 0, .Height = 100, .Width = 100, .XOffset = 171, .YOffset = 306}, 0, 0, false, 171, -306},
    {"kind 99", {.Kind = 99, .Height = 100, .Width = 100}, 0, 0, false, 0, 0},
};

}  // namespace

class ForwardCheckpoint : public ::testing::TestWithParam<ForwardCase>
{
};

TEST_P(ForwardCheckpoint, GivesItsPixel)
{
    const ForwardCase& c = GetParam();
    const TMapping m = MakeMapping(c.P);
    int x = 0, y = 0;
    EXPECT_EQ(m.LonLatToXY(c.Lon, c.Lat, x, y), c.Ok);
    EXPECT_EQ(x, c.X);
    EXPECT_EQ(y, c.Y);
}

INSTANTIATE_TEST_SUITE_P(ForwardProjection, ForwardCheckpoint, ::testing::ValuesIn(ForwardCases),
                         CaseTestName<ForwardCase>);

TEST(ForwardProjection, PresetCheckpoints)
{
    struct Case { TPresetMapping Preset; float Lon, Lat; int X, Y; };
    const Case cases[] = {
        {TPresetMapping::Lambert1K, 128.5f, 35, 683, 324},
        {TPresetMapping::Lambert1K, 138.5f, 30, 858, 413},
        {TPresetMapping::Disc, 140.5f, 0, 856, 849},
        {TPresetMapping::Polar800, 135, 35.45f, 537, 357},
        {TPresetMapping::PolarNorth, 0, 90, 503, 132},
        {TPresetMapping::PolarNorth, 123, 90, 503, 132},
    };
    for (const Case& c : cases)
    {
        TMapping m;
        BuildPresetMapping(c.Preset, m);
        int x = 0, y = 0;
        EXPECT_TRUE(m.LonLatToXY(c.Lon, c.Lat, x, y)) << c.Lon << " " << c.Lat;
        EXPECT_EQ(x, c.X) << c.Lon << " " << c.Lat;
        EXPECT_EQ(y, c.Y) << c.Lon << " " << c.Lat;
    }
}

TEST(ForwardProjection, OffsetsShiftEveryKindAndEveryExit)
{
    const float points[][2] = {{0, 0}, {20, 10}, {-70, -40}, {150, 80}, {179, -5}, {100, 0}};
    for (int kind = 0; kind <= 15; ++kind)
    {
        TMappingParams p = {.Kind = kind, .Height = 600, .Width = 800, .CentreLon = 10, .CentreLat = 20,
                            .LonSpan = 120, .LatSpan = 80};
        const TMapping plain = MakeMapping(p);
        p.XOffset = 171;
        p.YOffset = 306;
        const TMapping shifted = MakeMapping(p);
        for (const auto& pt : points)
        {
            int x0 = 5, y0 = 6, x1 = 5, y1 = 6;
            const bool ok0 = plain.LonLatToXY(pt[0], pt[1], x0, y0);
            const bool ok1 = shifted.LonLatToXY(pt[0], pt[1], x1, y1);
            EXPECT_EQ(ok0, ok1) << kind;
            EXPECT_EQ(x1, x0 + 171) << kind;
            EXPECT_EQ(y1, y0 - 306) << kind;
            float fx0 = 5, fy0 = 6, fx1 = 5, fy1 = 6;
            EXPECT_EQ(plain.LonLatToXYF(pt[0], pt[1], fx0, fy0), ok0) << kind;
            shifted.LonLatToXYF(pt[0], pt[1], fx1, fy1);
            EXPECT_NEAR(fx1, fx0 + 171, 1e-3) << kind;
            EXPECT_NEAR(fy1, fy0 - 306, 1e-3) << kind;
        }
    }
}

TEST(ForwardProjection, RealValuedPixelsRoundToTheWholeOnes)
{
    for (int kind = 1; kind <= 14; ++kind)
    {
        const TMapping m = MakeMapping({.Kind = kind, .Height = 500, .Width = 700, .CentreLon = -20, .CentreLat = 40,
                                        .LonSpan = 90, .LatSpan = 60, .XOffset = -9, .YOffset = 12});
        for (float lon = -60; lon <= 20; lon += 7.3f)
            for (float lat = 15; lat <= 65; lat += 6.1f)
            {
                int x = 0, y = 0;
                float fx = 0, fy = 0;
                const bool ok = m.LonLatToXY(lon, lat, x, y);
                const bool okF = m.LonLatToXYF(lon, lat, fx, fy);
                if (kind != 6)
                {
                    EXPECT_EQ(ok, okF) << kind << " " << lon << " " << lat;
                }
                if (ok && okF)
                {
                    EXPECT_NEAR(x, fx, 0.5 + 1e-3) << kind << " " << lon << " " << lat;
                    EXPECT_NEAR(y, fy, 0.5 + 1e-3) << kind << " " << lon << " " << lat;
                }
            }
    }
}

TEST(ForwardProjection, DistanceCutOffByKind)
{
    struct Case { int Kind; double LimitKm; };
    const Case cases[] = {{3, 12000}, {4, 12000}, {11, 12000}, {7, 6300}, {8, 6300}, {10, 10000}};
    const double kmPerDegree = 6378.135 * M_PI / 180;
    for (const Case& c : cases)
    {
        // Along the central meridian, northward from a centre at 10S.
        const TMapping m = MakeMapping({.Kind = c.Kind, .Height = 800, .Width = 800, .CentreLat = -10,
                                        .LatSpan = 60, .StdParallel1 = 20, .StdParallel2 = 30});
        const float inside = static_cast<float>(-10 + c.LimitKm / kmPerDegree - 0.05);
        const float outside = static_cast<float>(-10 + c.LimitKm / kmPerDegree + 0.05);
        int x = 0, y = 0;
        if (c.Kind != 11 && c.Kind != 10)
        {
            EXPECT_TRUE(m.LonLatToXY(0, inside, x, y)) << c.Kind;
        }
        EXPECT_FALSE(m.LonLatToXY(0, outside, x, y)) << c.Kind;
}
}

TEST(ForwardProjection, GreatCircleDistance)
{
    float km = -1;
    EXPECT_TRUE(GreatCircleDistance(km, 0, 0, 90, 0));
    EXPECT_NEAR(km, 6378.135 * M_PI / 2, 0.01);
    EXPECT_TRUE(GreatCircleDistance(km, 10, 20, 10, 20));
    EXPECT_NEAR(km, 0, 0.5);
    km = -1;
    EXPECT_FALSE(GreatCircleDistance(km, 0, std::numeric_limits<float>::quiet_NaN(), 0, 0));
    EXPECT_EQ(km, -1);
}

TEST(ForwardProjection, MercatorOrdinate)
{
    EXPECT_EQ(MercatorY(0), 0);
    EXPECT_NEAR(MercatorY(45), 50.49899, 1e-5);
    EXPECT_NEAR(MercatorY(-45), -50.49899, 1e-5);
    // Beyond the pole the logarithm fails and the latitude comes back unchanged.
    EXPECT_EQ(MercatorY(100), 100);
    for (float lat = -89; lat <= 89; lat += 0.5f)
        EXPECT_NEAR(MercatorLat(static_cast<float>(MercatorY(lat))), lat, 1e-4) << lat;
}

// Polar stereographic sends the far pole to a pixel far beyond 32 bits.
TEST(ForwardProjection, PixelBeyondIntegerRangeIsRefused)
{
    TMapping m;
    BuildPresetMapping(TPresetMapping::Polar800, m);
    int x = 1, y = 2;
    EXPECT_FALSE(m.LonLatToXY(-45, -90, x, y));
    EXPECT_EQ(x, 1 + 137);
    EXPECT_EQ(y, 2);
    float fx = 0, fy = 0;
    EXPECT_TRUE(m.LonLatToXYF(-45, -89.9f, fx, fy));
    EXPECT_TRUE(std::isfinite(fx) && std::isfinite(fy));
}

TEST(ForwardProjection, HugeLongitudesWrapWithoutLooping)
{
    const TMapping m = MakeMapping({.Kind = 2, .Height = 180, .Width = 360, .LonSpan = 360, .LatSpan = 180});
    int x = 0, y = 0;
    EXPECT_TRUE(m.LonLatToXY(3.0e38f, 0, x, y));
    EXPECT_GE(x, 0);
    EXPECT_LE(x, 360);
    EXPECT_TRUE(m.LonLatToXY(-720 + 90, 0, x, y));
    EXPECT_EQ(x, 270);
    x = y = 0;
    EXPECT_FALSE(m.LonLatToXY(-std::numeric_limits<float>::infinity(), 0, x, y));
    EXPECT_EQ(x, 0);
}

TEST(ForwardProjection, ZeroSizesAndSpansAreRefusedNotFatal)
{
    for (int kind = 1; kind <= 14; ++kind)
    {
        const TMapping m = MakeMapping({.Kind = kind});
        int x = 3, y = 4;
        const bool ok = m.LonLatToXY(10, 10, x, y);
        if (ok)
        {
            EXPECT_EQ(x, 0) << kind;  // a zero-size image has every point at its origin
        }
        float lon = 0, lat = 0;
        EXPECT_FALSE(m.XYToLonLat(0, 0, lon, lat)) << kind;
    }
}
