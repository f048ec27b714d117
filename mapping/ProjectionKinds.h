#pragma once
// The projection kinds, one entry each in one constant table: what a kind is
// (its name, the parameters it reads, its family, its forward and inverse
// conversions, the set-up of its derived constants, the defaults SetKind gives
// it, the rules of its grid and its PROJ statement) is read from there and
// decided nowhere else. A kind above pkLinearBased reads as pkUnknown.
#include "mapping/ProjPlane.h"
#include "mapping/ormMapping.h"

#include <cstdint>

// The families, each in its own file: set-up, forward and inverse side by side.
enum class TProjectionFamily : uint8_t {
    None,
    Cylindrical,    // Cylindrical.cpp
    Mercator,       // Mercator.cpp
    Azimuthal,      // Azimuthal.cpp
    Polar,          // Polar.cpp
    Conic,          // Conic.cpp
    VanDerGrinten,  // VanDerGrinten.cpp
    GreatCircle,    // GreatCircle.cpp
};

// The rules of a kind's latitude/longitude grid (Grid.cpp).
enum class TGridRange : uint8_t {
    World,               // meridians -179..179, parallels -89..89
    FromAntimeridian,    // the same, the meridians from -180
    AroundCentre,        // meridians within 179 degrees of the centre longitude
    Spans,               // the image's spans and a degree beyond, split at the antimeridian
    NorthernHemisphere,  // parallels 0..89
};

enum class TGridSteps : uint8_t {
    AsGiven,
    Coarse,             // meridians every 30 degrees, parallels every 15
    CoarseWithoutSpan,  // both every 30 degrees while the latitude span is 0
    FineForFifteen,     // a step of 15 degrees becomes 5
};

enum class TMeridianLabels : uint8_t {
    BottomEdge,       // on the bottom edge, below the meridian's point on the equator
    SouthOfEquator,   // at the meridian's point at 3S
    CentreParallel,   // at its point on the centre latitude
    ConeBottom,       // on the bottom edge, below its first point above the label row
    CentreOrEquator,  // at its point on the centre latitude, or on the equator when that is within 10 degrees
};

enum class TParallelLabels : uint8_t {
    None,
    LeftEdge,        // on the left edge
    ConeLeftEdge,    // on the left edge, at the parallel's first point from the west near it
    CentreMeridian,  // at its point on the grid meridian nearest the centre
};

// The parameters of a TMapping that a kind reads, as bits.
enum TKindParameter : uint16_t {
    kpWidth = 1u << 0,
    kpHeight = 1u << 1,
    kpTile = 1u << 2,
    kpRotation = 1u << 3,
    kpLonSpan = 1u << 4,
    kpLatSpan = 1u << 5,
    kpCentreLon = 1u << 6,
    kpCentreLat = 1u << 7,
    kpStdParallels = 1u << 8,  // both standard parallels
    kpOffsets = 1u << 9,       // both pixel offsets
};

struct TGridRules
{
    // Each line drawn straight between the points of its two ends.
    bool StraightLines = false;
    // Edge labels also at points the projection refuses as off the image.
    bool LabelsOffImage = false;
    TGridRange Range = TGridRange::World;
    TGridSteps Steps = TGridSteps::AsGiven;
    TMeridianLabels MeridianLabels = TMeridianLabels::BottomEdge;
    TParallelLabels ParallelLabels = TParallelLabels::None;
};

struct TKindTraits
{
    using TForward = TMapping::TOutcome (TMapping::*)(float Lon, float Lat, double& PX, double& PY) const;
    using TInverse = bool (TMapping::*)(int32_t X, int32_t Y, double& Lon, double& Lat) const;
    using TSetUp = void (TMapping::*)();

    TProjectionKind Kind = pkUnknown;
    // The constant's name without its "pk", as a user names the kind.
    const char* Name = "";
    // The parameters the conversions read (TKindParameter bits).
    uint16_t Reads = 0;
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
    TGridRules Grid;
    // The kind as a PROJ projection (ProjPlane.h); nullptr: it is none.
    TStateProjPlane ProjPlane = nullptr;

    // Centred on a point at the centre latitude, which a user gives: most of
    // these read its sine and cosine, 0 until the latitude is set, which
    // flattens the whole projection.
    constexpr bool NeedsCentreLat() const
    {
        return Family == F::Azimuthal || Family == F::Polar || Family == F::Conic || Family == F::GreatCircle;
    }
    constexpr bool HasInverse() const { return Inverse != nullptr; }

    static constexpr int KindCount = pkLinearBased + 1;
    static constexpr const TKindTraits& Of(TProjectionKind Kind) { return Table[Kind < KindCount ? Kind : pkUnknown]; }

private:
    using F = TProjectionFamily;
    // Every kind that converts reads the image's size and offsets.
    static constexpr uint16_t ReadsImage = kpWidth | kpHeight | kpOffsets;
    static constexpr uint16_t ReadsZoomed = ReadsImage | kpLonSpan | kpLatSpan | kpCentreLon | kpCentreLat;
    static constexpr uint16_t ReadsAzimuthal = ReadsImage | kpRotation | kpCentreLon | kpCentreLat;
    static constexpr uint16_t ReadsCentred = ReadsImage | kpCentreLon | kpCentreLat;
    // The grid's rules shared by several kinds.
    static constexpr TGridRules StraightGrid = {.StraightLines = true, .ParallelLabels = TParallelLabels::LeftEdge};
    static constexpr TGridRules AzimuthalGrid = {.Range = TGridRange::FromAntimeridian,
                                                 .MeridianLabels = TMeridianLabels::CentreOrEquator,
                                                 .ParallelLabels = TParallelLabels::CentreMeridian};
    static const TKindTraits Table[KindCount];
};

inline constexpr TKindTraits TKindTraits::Table[TKindTraits::KindCount] = {
    // No family and no conversions: every point and pixel refused, no grid line drawn.
    {.Kind = pkUnknown, .Name = "Unknown", .Grid = {}},
    {.Kind = pkCylEquiFull,
     .Name = "CylEquiFull",
     .Reads = ReadsImage,
     .Family = F::Cylindrical,
     .HasProjection = true,
     .Forward = &TMapping::ForwardCylEquiFull,
     .Inverse = &TMapping::InverseCylEquiFull,
     .Grid = StraightGrid,
     .ProjPlane = &ProjCylEquiFull},
    {.Kind = pkCylEquiZoomed,
     .Name = "CylEquiZoomed",
     .Reads = ReadsZoomed,
     .Family = F::Cylindrical,
     .HasProjection = true,
     .GreenwichCentre = true,
     .Forward = &TMapping::ForwardCylEquiZoomed,
     .Inverse = &TMapping::InverseCylEquiZoomed,
     .Grid = {.StraightLines = true, .Range = TGridRange::Spans, .ParallelLabels = TParallelLabels::LeftEdge},
     .ProjPlane = &ProjCylEquiZoomed},
    {.Kind = pkAzimuthalEqui,
     .Name = "AzimuthalEqui",
     .Reads = ReadsAzimuthal,
     .Family = F::Azimuthal,
     .HasProjection = true,
     .DefaultScale = 0.75f,
     .Forward = &TMapping::ForwardAzimuthalEqui,
     .Inverse = &TMapping::InverseAzimuthalEqui,
     .Grid = {.Range = TGridRange::FromAntimeridian,
              .Steps = TGridSteps::Coarse,
              .MeridianLabels = TMeridianLabels::CentreOrEquator,
              .ParallelLabels = TParallelLabels::CentreMeridian},
     .ProjPlane = &ProjAzimuthalEqui},
    {.Kind = pkAzimuthalEquiWide,
     .Name = "AzimuthalEquiWide",
     .Reads = ReadsAzimuthal | kpLatSpan,
     .Family = F::Azimuthal,
     .HasProjection = true,
     .DefaultScale = 0.4f,
     .SetUp = &TMapping::SetUpAzimuthalSpan,
     .Forward = &TMapping::ForwardAzimuthalEqui,
     .Inverse = &TMapping::InverseAzimuthalEqui,
     .Grid = {.Range = TGridRange::FromAntimeridian,
              .Steps = TGridSteps::CoarseWithoutSpan,
              .MeridianLabels = TMeridianLabels::CentreOrEquator,
              .ParallelLabels = TParallelLabels::CentreMeridian},
     .ProjPlane = &ProjAzimuthalEqui},
    {.Kind = pkMercatorFull,
     .Name = "MercatorFull",
     .Reads = ReadsImage | kpCentreLon,
     .Family = F::Mercator,
     .HasProjection = true,
     .GreenwichCentre = true,
     .DefaultLonSpan = 360,
     .Forward = &TMapping::ForwardMercatorFull,
     .Inverse = &TMapping::InverseMercatorFull,
     .Grid = StraightGrid,
     .ProjPlane = &ProjMercatorFull},
    {.Kind = pkMercatorZoomed,
     .Name = "MercatorZoomed",
     .Reads = ReadsZoomed,
     .Family = F::Mercator,
     .HasProjection = true,
     .SetUp = &TMapping::SetUpMercatorZoomed,
     .Forward = &TMapping::ForwardMercatorZoomed,
     .Inverse = &TMapping::InverseMercatorZoomed,
     .Grid = {.StraightLines = true,
              .LabelsOffImage = true,
              .Range = TGridRange::Spans,
              .Steps = TGridSteps::FineForFifteen,
              .ParallelLabels = TParallelLabels::LeftEdge},
     .ProjPlane = &ProjMercatorZoomed},
    {.Kind = pkOrthographic,
     .Name = "Orthographic",
     .Reads = ReadsAzimuthal | kpLatSpan,
     .Family = F::Azimuthal,
     .HasProjection = true,
     .DefaultScale = 0.8f,
     .SetUp = &TMapping::SetUpAzimuthalSpan,
     .Forward = &TMapping::ForwardOrthographic,
     .Inverse = &TMapping::InverseOrthographic,
     .Grid = AzimuthalGrid,
     .ProjPlane = &ProjOrthographic},
    // Forward only, and no PROJ projection.
    {.Kind = pkLinearOrthographic,
     .Name = "LinearOrthographic",
     .Reads = ReadsAzimuthal | kpLatSpan,
     .Family = F::Azimuthal,
     .DefaultScale = 0.8f,
     .SetUp = &TMapping::SetUpAzimuthalSpan,
     .Forward = &TMapping::ForwardLinearOrthographic,
     .Grid = AzimuthalGrid},
    {.Kind = pkPolarStereographic,
     .Name = "PolarStereographic",
     .Reads = ReadsCentred | kpLatSpan,
     .Family = F::Polar,
     .HasProjection = true,
     .DefaultScale = 1.7f,
     .SetUp = &TMapping::SetUpPolar,
     .Forward = &TMapping::ForwardPolar,
     .Inverse = &TMapping::InversePolar,
     .Grid = {.MeridianLabels = TMeridianLabels::CentreParallel, .ParallelLabels = TParallelLabels::CentreMeridian},
     .ProjPlane = &ProjPolar},
    // SetUpCone runs for every kind, from Recalculate.
    {.Kind = pkLambertConformal,
     .Name = "LambertConformal",
     .Reads = ReadsCentred | kpStdParallels,
     .Family = F::Conic,
     .HasProjection = true,
     .Forward = &TMapping::ForwardConic,
     .Inverse = &TMapping::InverseConic,
     .Grid = {.MeridianLabels = TMeridianLabels::ConeBottom, .ParallelLabels = TParallelLabels::ConeLeftEdge},
     .ProjPlane = &ProjConic},
    {.Kind = pkGnomonic,
     .Name = "Gnomonic",
     .Reads = ReadsAzimuthal | kpLatSpan,
     .Family = F::Azimuthal,
     .HasProjection = true,
     .DefaultScale = 0.4f,
     .SetUp = &TMapping::SetUpAzimuthalSpan,
     .Forward = &TMapping::ForwardGnomonic,
     .Inverse = &TMapping::InverseGnomonic,
     .Grid = AzimuthalGrid,
     .ProjPlane = &ProjGnomonic},
    {.Kind = pkVanDerGrinten,
     .Name = "VanDerGrinten",
     .Reads = ReadsImage | kpTile | kpCentreLon,
     .Family = F::VanDerGrinten,
     .HasProjection = true,
     .DefaultScale = 0.155f,
     .SetUp = &TMapping::SetUpVanDerGrinten,
     .Forward = &TMapping::ForwardVanDerGrinten,
     .Inverse = &TMapping::InverseVanDerGrinten,
     .Grid = {.Range = TGridRange::AroundCentre, .MeridianLabels = TMeridianLabels::SouthOfEquator},
     .ProjPlane = &ProjVanDerGrinten},
    {.Kind = pkGreatCircle,
     .Name = "GreatCircle",
     .Reads = ReadsCentred | kpLatSpan,
     .Family = F::GreatCircle,
     .HasProjection = true,
     .DefaultScale = 0.2f,
     .SetUp = &TMapping::SetUpGreatCircle,
     .Forward = &TMapping::ForwardGreatCircle,
     .Inverse = &TMapping::InverseGreatCircle,
     .Grid = {.MeridianLabels = TMeridianLabels::CentreOrEquator, .ParallelLabels = TParallelLabels::CentreMeridian},
     .ProjPlane = &ProjGreatCircle},
    // The zoomed cylindrical plane without its own defaults.
    {.Kind = pkLinearBased,
     .Name = "LinearBased",
     .Reads = ReadsZoomed,
     .Family = F::Cylindrical,
     .Forward = &TMapping::ForwardCylEquiZoomed,
     .Inverse = &TMapping::InverseCylEquiZoomed,
     .Grid = {.Range = TGridRange::NorthernHemisphere, .MeridianLabels = TMeridianLabels::CentreOrEquator},
     .ProjPlane = &ProjCylEquiZoomed},
};
