#include "MappingTestUtil.h"
#include "mapping/Presets.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

struct InverseCase
{
    const char* Name;
    TMappingParams P;
    int X, Y;
    bool Ok;
    float Lon, Lat;  // expected when Ok
};

const TMappingParams Plate360 = {.Kind = 1, .Height = 180, .Width = 360};
const TMappingParams Zoomed = {.Kind = 2, .Height = 200, .Width = 400, .CentreLon = 10, .LonSpan = 40, .LatSpan = 20};

const InverseCase InverseCases[] = {
    {"plate centre", Plate360, 180, 90, true, 0, 0},
    {"plate top left", Plate360, 0, 0, true, -180, 90},
    {"plate right edge wraps", Plate360, 360, 0, true, -180, 90},
    {"zoomed west edge", Zoomed, 0, 0, true, -10, 10},
    {"zoomed east edge", Zoomed, 400, 200, true, 30, -10},
    {"linear-based like zoomed", {.Kind = 14, .Height = 200, .Width = 400, .CentreLon = 10, .LonSpan = 40, .LatSpan = 20}, 400, 100, true, 30, 0},
    {"mercator full centre", {.Kind = 5, .Height = 360, .Width = 360, .CentreLon = 10}, 180, 180, true, 10, 0},
    // Centre pixels come back exactly.
    {"azimuthal centre", {.Kind = 3, .Height = 600, .Width = 800, .CentreLon = 12, .CentreLat = 34}, 400, 300, true, 12, 34},
    {"wide azimuthal centre", {.Kind = 4, .Height = 600, .Width = 800, .CentreLon = 12, .CentreLat = 34, .LatSpan = 90}, 400, 300, true, 12, 34},
    {"orthographic centre", {.Kind = 7, .Height = 600, .Width = 800, .CentreLon = 12, .CentreLat = 34, .LatSpan = 90}, 400, 300, true, 12, 34},
    {"gnomonic centre", {.Kind = 11, .Height = 600, .Width = 800, .CentreLon = 12, .CentreLat = 34, .LatSpan = 90}, 400, 300, true, 12, 34},
    {"great circle centre", {.Kind = 13, .Height = 600, .Width = 800, .CentreLon = 12, .CentreLat = 34}, 400, 300, true, 12, 34},
    // Van der Grinten: the centre pixel is the centre of the map.
    {"vdg centre", {.Kind = 12, .Height = 400, .Width = 800, .CentreLon = 30}, 400, 200, true, 30, 0},
    // Refusals.
    {"orthographic outside disc", {.Kind = 7, .Height = 800, .Width = 800, .LatSpan = 180}, 5, 5, false, 0, 0},
    {"great circle beyond 2 pi", {.Kind = 13, .Height = 400, .Width = 800}, 0, 0, false, 0, 0},
    {"linearised orthographic", {.Kind = 8, .Height = 800, .Width = 800, .LatSpan = 180}, 400, 400, false, 0, 0},
    {"kind 0", {.Kind = 0, .Height = 800, .Width = 800}, 400, 400, false, 0, 0},
    {"kind 15", {.Kind = 15, .Height = 800, .Width = 800}, 400, 400, false, 0, 0},
    {"zero width", {.Kind = 1, .Height = 800}, 0, 0, false, 0, 0},
    {"zero height", {.Kind = 1, .Width = 800}, 0, 0, false, 0, 0},
    {"great circle zero scale", {.Kind = 13, .Height = 1, .Width = 1}, 100, 100, false, 0, 0},
};

}  // namespace

class InverseCheckpoint : public ::testing::TestWithParam<InverseCase>
{
};

TEST_P(InverseCheckpoint, GivesItsPoint)
{
    const InverseCase& c = GetParam();
    const TMapping m = MakeMapping(c.P);
    float lon = 777, lat = 888;
    EXPECT_EQ(m.XYToLonLat(c.X, c.Y, lon, lat), c.Ok);
    if (c.Ok) {
        EXPECT_NEAR(lon, c.Lon, 1e-4);
        EXPECT_NEAR(lat, c.Lat, 1e-4);
    }
}

INSTANTIATE_TEST_SUITE_P(InverseProjection, InverseCheckpoint, ::testing::ValuesIn(InverseCases),
                         CaseTestName<InverseCase>);

TEST(InverseProjection, ZeroSizeWritesNothing)
{
    const TMapping m = MakeMapping({.Kind = 2, .Height = 0, .Width = 400, .LonSpan = 40, .LatSpan = 20});
    float lon = 5, lat = 6;
    EXPECT_FALSE(m.XYToLonLat(1, 1, lon, lat));
    EXPECT_EQ(lon, 5);
    EXPECT_EQ(lat, 6);
}

TEST(InverseProjection, PlateCarreeIgnoresTheVerticalOffset)
{
    const TMapping m = MakeMapping({.Kind = 1, .Height = 180, .Width = 360, .XOffset = 20, .YOffset = 30});
    int x = 0, y = 0;
    ASSERT_TRUE(m.LonLatToXY(40, 10, x, y));
    float lon = 0, lat = 0;
    ASSERT_TRUE(m.XYToLonLat(x, y, lon, lat));
    EXPECT_NEAR(lon, 40, 1e-4);
    EXPECT_NEAR(lat, 10 + 30 * 180.0 / 180, 1e-4);
}

TEST(InverseProjection, MercatorLatitudeSaturatesAtThePoles)
{
    EXPECT_EQ(MercatorLat(0), 0);
    EXPECT_EQ(MercatorLat(1e6f), 90);
    EXPECT_EQ(MercatorLat(-1e6f), -90);
    EXPECT_EQ(MercatorLat(3e38f), 90);
    // Infinity overflows like any huge value; NaN stays NaN.
    EXPECT_EQ(MercatorLat(std::numeric_limits<float>::infinity()), 90);
    EXPECT_EQ(MercatorLat(-std::numeric_limits<float>::infinity()), -90);
    EXPECT_TRUE(std::isnan(MercatorLat(std::numeric_limits<float>::quiet_NaN())));
    // A Mercator image one pixel wide puts far rows beyond any latitude.
    const TMapping m = MakeMapping({.Kind = 5, .Height = 1, .Width = 1});
    float lon = 0, lat = 0;
    ASSERT_TRUE(m.XYToLonLat(0, -2000000000, lon, lat));
    EXPECT_EQ(lat, 90);
    ASSERT_TRUE(m.XYToLonLat(0, 2000000000, lon, lat));
    EXPECT_EQ(lat, -90);
}

// On the equator row the arccosine argument is -1 in theory; every pixel of
// the row inside the map must come back on the equator.
TEST(InverseProjection, VanDerGrintenEquatorRow)
{
    const TMapping m = MakeMapping({.Kind = 12, .Height = 400, .Width = 800, .CentreLon = 30});
    int refused = 0;
    for (int x = 12; x <= 788; ++x)
    {
        float lon = 0, lat = 99;
        if (!m.XYToLonLat(x, 200, lon, lat))
        {
            ++refused;
            continue;
        }
        EXPECT_NEAR(lat, 0, 1e-3) << x;
        int fx = 0, fy = 0;
        ASSERT_TRUE(m.LonLatToXY(lon, lat, fx, fy));
        EXPECT_LE(std::abs(fx - x), 1) << x;
    }
    EXPECT_EQ(refused, 0);
}

TEST(InverseProjection, KindTenIterationEnds)
{
    TMapping m;
    BuildPresetMapping(TPresetMapping::Lambert1K, m);
    const int pixels[][2] = {{-2000000000, -2000000000}, {2000000000, 5}, {171 + 512, 2000000000}, {0, 0}};
    for (const auto& p : pixels)
    {
        float lon = 0, lat = 0;
        if (m.XYToLonLat(p[0], p[1], lon, lat))
        {
            EXPECT_TRUE(std::isfinite(lon) && std::isfinite(lat));
            EXPECT_LE(std::fabs(lat), 90.0f);
        }
    }
}

namespace {

struct RoundTripCase
{
    const char* Name;
    TMappingParams P;
};

// Offsets only where the inverse takes them back (kinds 2, 14, 7, 9, 10 both,
// 1, 3, 4, 11, 12, 13 the horizontal one, 5 and 6 none). Rotation stays 0.
const RoundTripCase RoundTripCases[] = {
    {"plate carree", {.Kind = 1, .Height = 360, .Width = 720, .XOffset = 5}},
    {"zoomed", {.Kind = 2, .Height = 400, .Width = 600, .CentreLon = 20, .CentreLat = 15, .LonSpan = 120, .LatSpan = 80, .XOffset = 7, .YOffset = -9}},
    {"zoomed across the antimeridian", {.Kind = 2, .Height = 400, .Width = 600, .CentreLon = 170, .CentreLat = -15, .LonSpan = 60, .LatSpan = 40, .XOffset = 7, .YOffset = 9}},
    {"linear-based", {.Kind = 14, .Height = 400, .Width = 600, .CentreLon = -20, .CentreLat = 15, .LonSpan = 120, .LatSpan = 80, .XOffset = 7, .YOffset = -9}},
    {"azimuthal", {.Kind = 3, .Height = 800, .Width = 800, .CentreLon = -40, .CentreLat = 30, .XOffset = 11}},
    {"azimuthal at the north pole", {.Kind = 3, .Height = 800, .Width = 800, .CentreLat = 90}},
    {"azimuthal at the south pole", {.Kind = 3, .Height = 800, .Width = 800, .CentreLon = 60, .CentreLat = -90}},
    {"wide azimuthal", {.Kind = 4, .Height = 600, .Width = 800, .CentreLat = -20, .LatSpan = 100, .XOffset = -5}},
    {"mercator full", {.Kind = 5, .Height = 720, .Width = 720, .CentreLon = 30}},
    {"mercator zoomed", {.Kind = 6, .Height = 500, .Width = 600, .CentreLon = 10, .CentreLat = 40, .LonSpan = 60, .LatSpan = 40}},
    {"orthographic", {.Kind = 7, .Height = 800, .Width = 800, .CentreLon = 100, .CentreLat = 35, .LatSpan = 180, .XOffset = 13, .YOffset = -17}},
    {"polar north", {.Kind = 9, .Height = 800, .Width = 800, .CentreLon = 135, .CentreLat = 35.45f, .LatSpan = 46.6f, .XOffset = 137, .YOffset = 21}},
    {"polar south", {.Kind = 9, .Height = 600, .Width = 700, .CentreLon = -60, .CentreLat = -60, .LatSpan = 50, .XOffset = -8, .YOffset = 12}},
    {"lambert", {.Kind = 10, .Height = 1024, .Width = 1024, .CentreLon = 128.5f, .CentreLat = 25.7f, .LatSpan = 46.6f, .XOffset = 171, .YOffset = 15, .StdParallel1 = 44.5f, .StdParallel2 = 44}},
    {"lambert south", {.Kind = 10, .Height = 800, .Width = 900, .CentreLon = 20, .CentreLat = -30, .LatSpan = 40, .XOffset = -20, .YOffset = 10, .StdParallel1 = 20, .StdParallel2 = 40}},
    {"gnomonic", {.Kind = 11, .Height = 800, .Width = 800, .CentreLon = 5, .CentreLat = 50, .LatSpan = 90, .XOffset = 3}},
    {"van der grinten", {.Kind = 12, .Height = 400, .Width = 800, .CentreLon = 30, .XOffset = 4}},
    {"van der grinten tile", {.Kind = 12, .Height = 400, .Width = 800, .CentreLon = -10, .Tile = 6}},
    {"great circle", {.Kind = 13, .Height = 500, .Width = 801, .CentreLon = 20, .CentreLat = 30, .XOffset = 3}},
    {"great circle at the north pole", {.Kind = 13, .Height = 600, .Width = 600, .CentreLon = 40, .CentreLat = 90}},
    {"great circle at the south pole", {.Kind = 13, .Height = 600, .Width = 600, .CentreLon = 40, .CentreLat = -90}},
};

double LonDifference(double a, double b)
{
    double d = std::fmod(std::fabs(a - b), 360.0);
    return std::min(d, 360.0 - d);
}

}  // namespace

class RoundTrip : public ::testing::TestWithParam<RoundTripCase>
{
};

TEST_P(RoundTrip, ForwardThenInverseReturnsEveryVisiblePoint)
{
    const RoundTripCase& c = GetParam();
    const TMapping m = MakeMapping(c.P);
    int visible = 0;
    for (double dl = -179.3; dl < 180; dl += 7.7)
        for (double lat = -88.7; lat < 89; lat += 5.3)
        {
            const float lon = static_cast<float>(c.P.CentreLon + dl);
            int x = 0, y = 0;
            if (!m.LonLatToXY(lon, static_cast<float>(lat), x, y))
                continue;
            const int ix = x - m.GetXOffset(), iy = y + m.GetYOffset();
            if (ix < 0 || ix >= m.Width || iy < 0 || iy >= m.Height)
                continue;
            ++visible;
            float lon2 = 0, lat2 = 0;
            ASSERT_TRUE(m.XYToLonLat(x, y, lon2, lat2)) << c.Name << " " << lon << " " << lat;
            float fx = 0, fy = 0;
            ASSERT_TRUE(m.LonLatToXYF(lon2, lat2, fx, fy)) << c.Name << " " << lon << " " << lat;
            EXPECT_LE(std::fabs(fx - x), 1.0) << c.Name << " " << lon << " " << lat;
            EXPECT_LE(std::fabs(fy - y), 1.0) << c.Name << " " << lon << " " << lat;
            EXPECT_NEAR(lat2, lat, 2.0) << c.Name << " " << lon << " " << lat;
            if (std::fabs(lat) < 80)
            {
                EXPECT_LE(LonDifference(lon2, lon), 2.0) << c.Name << " " << lon << " " << lat << " -> " << lon2;
            }
        }
    EXPECT_GT(visible, 20) << c.Name;
}

INSTANTIATE_TEST_SUITE_P(InverseProjection, RoundTrip, ::testing::ValuesIn(RoundTripCases), CaseTestName<RoundTripCase>);

TEST(InverseProjection, PresetRoundTrips)
{
    struct Case { TPresetMapping Preset; float Lon, Lat; };
    const Case cases[] = {
        {TPresetMapping::Lambert1K, 128.5f, 35}, {TPresetMapping::Lambert1K, 138.5f, 30},
        {TPresetMapping::Lambert4K, 120, 20},    {TPresetMapping::Polar800, 135, 35.45f},
        {TPresetMapping::PolarNorth, 10, 60},    {TPresetMapping::Disc, 140.5f, 0},
        {TPresetMapping::Disc, 100, -30},
    };
    for (const Case& c : cases)
    {
        TMapping m;
        BuildPresetMapping(c.Preset, m);
        int x = 0, y = 0;
        ASSERT_TRUE(m.LonLatToXY(c.Lon, c.Lat, x, y));
        float lon = 0, lat = 0;
        ASSERT_TRUE(m.XYToLonLat(x, y, lon, lat));
        const double tolerance = c.Preset == TPresetMapping::Lambert4K ? 0.05 : 0.2;
        EXPECT_NEAR(lat, c.Lat, tolerance) << PresetMappingName(c.Preset).toStdString();
        EXPECT_NEAR(lon, c.Lon, tolerance) << PresetMappingName(c.Preset).toStdString();
    }
}
