#pragma once
// The projection kinds, one entry each in one constant table: what a kind is
// (its family, its forward and inverse conversions, the set-up of its derived
// constants and the defaults SetKind gives it) is read from there and decided
// nowhere else. A kind above pkLinearBased reads as pkUnknown.
#include "mapping/ormMapping.h"

#include <cstdint>

// The families, each in its own file: set-up, forward and inverse side by side.
enum class TProjectionFamily : uint8_t
{
    None,
    Cylindrical,    // Cylindrical.cpp
    Mercator,       // Mercator.cpp
    Azimuthal,      // Azimuthal.cpp
    Polar,          // Polar.cpp
    Conic,          // Conic.cpp
    VanDerGrinten,  // VanDerGrinten.cpp
    GreatCircle,    // GreatCircle.cpp
};

struct TKindTraits
{
    using TForward = TMapping::TOutcome (TMapping::*)(float Lon, float Lat, double& PX, double& PY) const;
    using TInverse = bool (TMapping::*)(int32_t X, int32_t Y, double& Lon, double& Lat) const;
    using TSetUp = void (TMapping::*)();

    TProjectionKind Kind = pkUnknown;
    TProjectionFamily Family = TProjectionFamily::None;
    // What HasProjection answers.
    bool HasProjection = false;
    // SetKind's defaults: the scale (0: Scale is kept), a centre on the prime
    // meridian, and the longitude span (0: LonSpan is kept).
    float DefaultScale = 0;
    bool GreenwichCentre = false;
    float DefaultLonSpan = 0;
    // The kind's own derived constants, set by every Recalculate after the
    // common ones; nullptr: none.
    TSetUp SetUp = nullptr;
    // nullptr: every point, or every pixel, is refused.
    TForward Forward = nullptr;
    TInverse Inverse = nullptr;

    static constexpr int KindCount = pkLinearBased + 1;
    static constexpr const TKindTraits& Of(TProjectionKind Kind) { return Table[Kind < KindCount ? Kind : pkUnknown]; }

private:
    static const TKindTraits Table[KindCount];
};
