#include "MappingTestUtil.h"
#include "mapping/Presets.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

TEST(MappingParameters, NewInstanceIsEmptyAndHasNoProjection)
{
    TMapping m;
    EXPECT_EQ(m.Kind, 0);
    EXPECT_FALSE(m.HasProjection());
    EXPECT_EQ(m.GetXOffset(), 0);
    EXPECT_EQ(m.GetYOffset(), 0);
    EXPECT_EQ(m.GetMaxSize(), 0);
    int x = 7, y = 9;
    EXPECT_FALSE(m.LonLatToXY(0, 0, x, y));
    EXPECT_EQ(x, 7);
    EXPECT_EQ(y, 9);
}

TEST(MappingParameters, ProjectionNamesAndHasProjectionByKind)
{
    EXPECT_STREQ(ProjectionNames[0], "Unknown");
    EXPECT_STREQ(ProjectionNames[8], "Linearised Orthographic");
    EXPECT_STREQ(ProjectionNames[14], "Linear-based");
    for (int kind = 0; kind < 256; ++kind) {
        TMapping m;
        m.SetKind(static_cast<uint8_t>(kind));
        const bool expected = (kind >= 1 && kind <= 7) || (kind >= 9 && kind <= 13);
        EXPECT_EQ(m.HasProjection(), expected) << kind;
    }
}

TEST(MappingParameters, SetKindAppliesOnlyItsDefaults)
{
    struct Case
    {
        int Kind;
        float Scale;
        float CentreLon;
        float LonSpan;
    };
    // Start from a mapping with non-default values; kinds without defaults keep them.
    const Case cases[] = {
        {2, 9.0f, 0, 50},   {3, 0.75f, 33, 50}, {4, 0.4f, 33, 50},   {5, 9.0f, 0, 360}, {7, 0.8f, 33, 50},
        {8, 0.8f, 33, 50},  {9, 1.7f, 33, 50},  {11, 0.4f, 33, 50},  {1, 9.0f, 33, 50}, {6, 9.0f, 33, 50},
        {10, 9.0f, 33, 50}, {14, 9.0f, 33, 50}, {200, 9.0f, 33, 50},
    };
    for (const Case& c : cases) {
        TMapping m;
        m.Scale = 9.0f;
        m.SetCentreLon(33);
        m.SetLonSpan(50);
        m.SetKind(static_cast<uint8_t>(c.Kind));
        EXPECT_FLOAT_EQ(m.Scale, c.Scale) << c.Kind;
        EXPECT_FLOAT_EQ(m.CentreLon, c.CentreLon) << c.Kind;
        EXPECT_FLOAT_EQ(m.LonSpan, c.LonSpan) << c.Kind;
    }
}

TEST(MappingParameters, MercatorFullDefaultsMoveTheWesternEdge)
{
    TMapping m;
    m.SetKind(5);
    EXPECT_FLOAT_EQ(m.WestLon, -180);
    m.SetCentreLon(10);
    EXPECT_FLOAT_EQ(m.WestLon, -170);
}

TEST(MappingParameters, CentreLatitudeOverwritesStandardParallels)
{
    TMapping a;
    a.SetKind(10);
    a.SetStdParallel1(44.5f);
    a.SetCentreLat(25.7f);
    EXPECT_FLOAT_EQ(a.StdParallel1, 25.7f);
    EXPECT_FLOAT_EQ(a.StdParallel2, 25.7f);
    TMapping b;
    b.SetKind(10);
    b.SetCentreLat(25.7f);
    b.SetStdParallel1(44.5f);
    b.SetStdParallel2(-30);
    EXPECT_FLOAT_EQ(b.StdParallel1, 44.5f);
    EXPECT_FLOAT_EQ(b.StdParallel2, 30);
}

TEST(MappingParameters, CentreLatitudeNearZeroForPolarAndConic)
{
    struct Case
    {
        int Kind;
        float Value;
        float Stored;
        bool South;
    };
    const Case cases[] = {
        {10, 0, -0.001f, true},
        {9, 0, -0.001f, true},
        {10, 0.0005f, 0.001f, false},
        {9, -0.0002f, -0.001f, true},
        {2, 0, 0, false},
        {10, 0.002f, 0.002f, false},
        {7, -5, -5, true},
    };
    for (const Case& c : cases) {
        TMapping m;
        m.SetKind(static_cast<uint8_t>(c.Kind));
        m.SetCentreLat(c.Value);
        EXPECT_FLOAT_EQ(m.CentreLat, c.Stored) << c.Kind << " " << c.Value;
        EXPECT_EQ(m.SouthernHemisphere, c.South) << c.Kind << " " << c.Value;
        EXPECT_FLOAT_EQ(m.StdParallel1, std::fabs(c.Stored));
        EXPECT_NEAR(m.SinLat0, std::sin(c.Stored * M_PI / 180), 1e-7);
    }
}

TEST(MappingParameters, LatitudeSpanIsClampedExceptForGreatCircle)
{
    TMapping ortho;
    ortho.SetKind(7);
    ortho.SetLatSpan(200);
    EXPECT_FLOAT_EQ(ortho.LatSpan, 180);
    TMapping gc;
    gc.SetKind(13);
    gc.SetLatSpan(200);
    EXPECT_FLOAT_EQ(gc.LatSpan, 200);
}

// Only a and b are single precision: their sines and cosines are not, and the
// rounding of the stored Scale shows it (one or two units in the last place).
TEST(MappingParameters, SpanScaleUsesFullPrecisionSines)
{
    struct Case
    {
        TMappingParams P;
        float Scale;
    };
    const Case cases[] = {
        {{.Kind = 4, .Height = 821, .Width = 1777, .CentreLat = -48, .LatSpan = 73}, 0.388363242f},
        {{.Kind = 7, .Height = 307, .Width = 1283, .CentreLat = -30, .LatSpan = 50}, 0.283095837f},
        {{.Kind = 8, .Height = 1788, .Width = 361, .CentreLat = -42, .LatSpan = 88}, 3.564996f},
        {{.Kind = 11, .Height = 530, .Width = 1078, .CentreLat = 15, .LatSpan = 61}, 0.484348834f},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MakeMapping(c.P).Scale, c.Scale) << c.P.Kind;
}

// A standard parallel of 0.1f is above the 0.1 limit (compared in double), so
// the cone constant comes from the two parallels, not from the first alone.
TEST(MappingParameters, ConeConstantLimitOfTheStandardParallels)
{
    struct Case
    {
        float StdParallel1;
        double ConeN;
    };
    const Case cases[] = {
        {0.05f, 0.9999996},  // at or below 0.1: n = sin(phi1)
        {0.1f, 0.9879019},   // just above: the logarithmic formula
        {0.2f, 0.9862361},
    };
    for (const Case& c : cases) {
        const TMapping m =
            MakeMapping({.Kind = 10, .CentreLat = 30, .StdParallel1 = c.StdParallel1, .StdParallel2 = 30});
        EXPECT_TRUE(m.ConeConstantsValid());
        EXPECT_NEAR(m.ConeN, c.ConeN, 1e-6) << c.StdParallel1;
    }
    // Equal parallels: n is the sine of the single-precision angle, rounded once.
    struct TangentCase
    {
        float CentreLat;
        float ConeN;
    };
    const TangentCase tangents[] = {{27.5f, 0.887010872f}, {47.5f, 0.675590158f}, {67.3f, 0.385905981f}};
    for (const TangentCase& c : tangents)
        EXPECT_EQ(MakeMapping({.Kind = 10, .CentreLat = c.CentreLat}).ConeN, c.ConeN) << c.CentreLat;
}

TEST(MappingParameters, KindScales)
{
    struct Case
    {
        const char* Name;
        TMappingParams P;
        float Scale;
        float Tolerance;
    };
    const Case cases[] = {
        {"orthographic disc", {.Kind = 7, .Height = 1595, .Width = 1595, .LatSpan = 180}, 0.5f, 1e-6f},
        {"great circle wide", {.Kind = 13, .Height = 400, .Width = 800}, 0.0795775f, 1e-6f},
        {"great circle tall", {.Kind = 13, .Height = 800, .Width = 400}, 0.15915494f, 1e-7f},
        {"great circle span", {.Kind = 13, .Height = 400, .Width = 400, .LatSpan = 90}, float(2 / M_PI), 1e-6f},
        {"van der grinten", {.Kind = 12, .Height = 400, .Width = 800}, 0.155f, 0},
        {"azimuthal keeps 0.75", {.Kind = 3, .Height = 400, .Width = 800, .LatSpan = 90}, 0.75f, 0},
        {"gnomonic without span", {.Kind = 11, .Height = 400, .Width = 800}, 0.4f, 0},
        {"polar without span", {.Kind = 9, .Height = 400, .Width = 400, .CentreLat = 60}, 1.7f, 0},
    };
    for (const Case& c : cases) {
        const TMapping m = MakeMapping(c.P);
        EXPECT_NEAR(m.Scale, c.Scale, c.Tolerance) << c.Name;
    }
    const TMapping vdg = MakeMapping({.Kind = 12, .Height = 400, .Width = 800});
    EXPECT_NEAR(vdg.VdgRadius, M_PI * 0.155, 1e-6);
    EXPECT_NEAR(vdg.InvVdgRadius * vdg.VdgRadius, 1.0, 1e-6);
}

TEST(MappingParameters, PresetDerivedConstants)
{
    struct Case
    {
        TPresetMapping Preset;
        double ConeN, ConeScale, Rho0, Scale, PolarOffset;
    };
    const double skip = NAN;
    const Case cases[] = {
        {TPresetMapping::Lambert1K, 0.7163, 2.0290, 1.4578, 0, skip},
        {TPresetMapping::Lambert4K, 0.7163, 2.0290, 1.4578, 0, skip},
        {TPresetMapping::Polar800, skip, skip, skip, 1.8941, 1.0297},
        {TPresetMapping::PolarNorth, skip, skip, skip, 1.0520, 0},
        {TPresetMapping::Disc, skip, skip, skip, 0.5, skip},
    };
    for (const Case& c : cases) {
        TMapping m;
        BuildPresetMapping(c.Preset, m);
        const std::string name = PresetMappingName(c.Preset).toStdString();
        if (!std::isnan(c.ConeN)) {
            EXPECT_NEAR(m.ConeN, c.ConeN, 5e-5) << name;
            EXPECT_NEAR(m.ConeScale, c.ConeScale, 5e-5) << name;
            EXPECT_NEAR(m.ConeScale / 1.095, 1.8529, 5e-5) << name;
            EXPECT_NEAR(m.Rho0, c.Rho0, 5e-5) << name;
        }
        EXPECT_NEAR(m.Scale, c.Scale, 5e-5) << name;
        if (!std::isnan(c.PolarOffset)) {
            EXPECT_NEAR(m.PolarOffset, c.PolarOffset, 5e-5) << name;
        }
        EXPECT_FALSE(m.SouthernHemisphere) << name;
    }
    TMapping disc;
    BuildPresetMapping(TPresetMapping::Disc, disc);
    EXPECT_EQ(disc.Width, disc.Height);
    EXPECT_EQ(disc.GetXOffset(), 58);
    EXPECT_EQ(disc.GetYOffset(), -52);
}

// Kinds 4, 7, 8 and 11 scale by the span seen along the central meridian,
// which is nothing until the centre latitude has been set.
TEST(MappingParameters, SpanScaleFallsBackBeforeTheCentreIsSet)
{
    struct Case
    {
        int Kind;
        float Default;
    };
    const Case cases[] = {{4, 0.4f}, {7, 0.8f}, {8, 0.8f}, {11, 0.4f}};
    for (const Case& c : cases) {
        TMapping m;
        m.SetKind(static_cast<uint8_t>(c.Kind));
        m.SetHeight(600);
        m.SetWidth(800);
        m.Scale = 123;
        m.SetLatSpan(60);
        EXPECT_FLOAT_EQ(m.Scale, c.Default) << c.Kind;
        m.SetCentreLat(0);
        EXPECT_NEAR(m.Scale, 600.0 / 800 / (2 * std::sin(30 * M_PI / 180)), 1e-6) << c.Kind;
    }
}

TEST(MappingParameters, AssignFromCopiesThroughTheSetters)
{
    for (int i = 0; i < PresetMappingCount; ++i) {
        TMapping source;
        BuildPresetMapping(static_cast<TPresetMapping>(i), source);
        source.Tile = 3;
        source.Rotation = 12.5f;
        TMapping copy;
        copy.Assign(source);
        const std::string name = PresetMappingName(static_cast<TPresetMapping>(i)).toStdString();
        EXPECT_EQ(copy.Kind, source.Kind) << name;
        EXPECT_EQ(copy.Width, source.Width) << name;
        EXPECT_EQ(copy.Height, source.Height) << name;
        EXPECT_EQ(copy.Tile, 3) << name;
        EXPECT_FLOAT_EQ(copy.Rotation, 12.5f) << name;
        EXPECT_FLOAT_EQ(copy.CentreLat, source.CentreLat) << name;
        EXPECT_FLOAT_EQ(copy.StdParallel1, source.StdParallel1) << name;
        EXPECT_FLOAT_EQ(copy.StdParallel2, source.StdParallel2) << name;
        EXPECT_FLOAT_EQ(copy.Scale, source.Scale) << name;
        EXPECT_FLOAT_EQ(copy.Rho0, source.Rho0) << name;
        EXPECT_FLOAT_EQ(copy.PolarOffset, source.PolarOffset) << name;
        EXPECT_EQ(copy.GetXOffset(), source.GetXOffset()) << name;
        EXPECT_EQ(copy.GetYOffset(), source.GetYOffset()) << name;
    }
}

TEST(MappingParameters, OffsetsReadAsWholePixels)
{
    TMapping m;
    m.XOffset = 2.5f;
    m.YOffset = -3.5f;
    EXPECT_EQ(m.GetXOffset(), 2);
    EXPECT_EQ(m.GetYOffset(), -4);
    m.XOffset = 1e20f;
    m.YOffset = NAN;
    EXPECT_EQ(m.GetXOffset(), INT32_MAX);
    EXPECT_EQ(m.GetYOffset(), 0);
}

// A standard parallel at 90 degrees makes the cone constant 0: the block
// stops at 1/n, keeping ConeN's new value and the older reciprocal.
TEST(MappingParameters, FailedLambertBlockKeepsWhatItWroteAndRefuses)
{
    TMapping m;
    BuildPresetMapping(TPresetMapping::Lambert1K, m);
    ASSERT_TRUE(m.ConeConstantsValid());
    m.SetStdParallel1(90);
    ASSERT_TRUE(m.ConeConstantsValid());
    const float oldInvConeN = m.InvConeN;
    m.SetStdParallel2(90);
    EXPECT_FALSE(m.ConeConstantsValid());
    EXPECT_EQ(m.ConeN, 0.0f);
    EXPECT_EQ(m.InvConeN, oldInvConeN);
    int x = 0, y = 0;
    float lon = 0, lat = 0;
    EXPECT_FALSE(m.LonLatToXY(128.5f, 35, x, y));
    EXPECT_EQ(x, 171);
    EXPECT_FALSE(m.XYToLonLat(683, 324, lon, lat));
    m.SetStdParallel1(44.5f);
    m.SetStdParallel2(44.0f);
    EXPECT_TRUE(m.ConeConstantsValid());
    x = y = 0;
    EXPECT_TRUE(m.LonLatToXY(128.5f, 35, x, y));
    EXPECT_EQ(x, 683);
    EXPECT_EQ(y, 324);
}
