#include "mapping/ProjectionKinds.h"

#include <type_traits>

using F = TProjectionFamily;

const char* const ProjectionNames[15] = {
    "Unknown",
    "Cylindrical equidistant (full)",
    "Cylindrical equidistant (zoomed)",
    "Azimuthal equidistant",
    "Azimuthal equidistant (wide)",
    "Mercator (full)",
    "Mercator (zoomed)",
    "Orthographic",
    "Linearised Orthographic",
    "Polar Stereographic",
    "Lambert Conformal Conic",
    "Gnomonic",
    "Van der Grinten",
    "Great Circle",
    "Linear-based",
};

// The grid's rules shared by several kinds.
constexpr TGridRules StraightGrid = {.StraightLines = true, .ParallelLabels = TParallelLabels::LeftEdge};
constexpr TGridRules AzimuthalGrid = {.Range = TGridRange::FromAntimeridian,
                                      .MeridianLabels = TMeridianLabels::CentreOrEquator,
                                      .ParallelLabels = TParallelLabels::CentreMeridian};

constexpr TKindTraits TKindTraits::Table[KindCount] = {
    // No family and no conversions: every point and pixel refused, no grid line drawn.
    {.Kind = pkUnknown, .Grid = {}},
    {.Kind = pkCylEquiFull, .Family = F::Cylindrical, .HasProjection = true,
     .Forward = &TMapping::ForwardCylEquiFull, .Inverse = &TMapping::InverseCylEquiFull,
     .Grid = StraightGrid},
    {.Kind = pkCylEquiZoomed, .Family = F::Cylindrical, .HasProjection = true, .GreenwichCentre = true,
     .Forward = &TMapping::ForwardCylEquiZoomed, .Inverse = &TMapping::InverseCylEquiZoomed,
     .Grid = {.StraightLines = true, .Range = TGridRange::Spans, .ParallelLabels = TParallelLabels::LeftEdge}},
    {.Kind = pkAzimuthalEqui, .Family = F::Azimuthal, .HasProjection = true, .DefaultScale = 0.75f,
     .Forward = &TMapping::ForwardAzimuthalEqui, .Inverse = &TMapping::InverseAzimuthalEqui,
     .Grid = {.Range = TGridRange::FromAntimeridian, .Steps = TGridSteps::Coarse,
              .MeridianLabels = TMeridianLabels::CentreOrEquator, .ParallelLabels = TParallelLabels::CentreMeridian}},
    {.Kind = pkAzimuthalEquiWide, .Family = F::Azimuthal, .HasProjection = true, .DefaultScale = 0.4f,
     .SetUp = &TMapping::SetUpAzimuthalSpan, .Forward = &TMapping::ForwardAzimuthalEqui,
     .Inverse = &TMapping::InverseAzimuthalEqui,
     .Grid = {.Range = TGridRange::FromAntimeridian, .Steps = TGridSteps::CoarseWithoutSpan,
              .MeridianLabels = TMeridianLabels::CentreOrEquator, .ParallelLabels = TParallelLabels::CentreMeridian}},
    {.Kind = pkMercatorFull, .Family = F::Mercator, .HasProjection = true, .GreenwichCentre = true,
     .DefaultLonSpan = 360, .Forward = &TMapping::ForwardMercatorFull, .Inverse = &TMapping::InverseMercatorFull,
     .Grid = StraightGrid},
    {.Kind = pkMercatorZoomed, .Family = F::Mercator, .HasProjection = true,
     .SetUp = &TMapping::SetUpMercatorZoomed, .Forward = &TMapping::ForwardMercatorZoomed,
     .Inverse = &TMapping::InverseMercatorZoomed,
     .Grid = {.StraightLines = true, .LabelsOffImage = true, .Range = TGridRange::Spans,
              .Steps = TGridSteps::FineForFifteen, .ParallelLabels = TParallelLabels::LeftEdge}},
    {.Kind = pkOrthographic, .Family = F::Azimuthal, .HasProjection = true, .DefaultScale = 0.8f,
     .SetUp = &TMapping::SetUpAzimuthalSpan, .Forward = &TMapping::ForwardOrthographic,
     .Inverse = &TMapping::InverseOrthographic,
     .Grid = AzimuthalGrid},
    // Forward only.
    {.Kind = pkLinearOrthographic, .Family = F::Azimuthal, .DefaultScale = 0.8f,
     .SetUp = &TMapping::SetUpAzimuthalSpan, .Forward = &TMapping::ForwardLinearOrthographic,
     .Grid = AzimuthalGrid},
    {.Kind = pkPolarStereographic, .Family = F::Polar, .HasProjection = true, .DefaultScale = 1.7f,
     .SetUp = &TMapping::SetUpPolar, .Forward = &TMapping::ForwardPolar, .Inverse = &TMapping::InversePolar,
     .Grid = {.MeridianLabels = TMeridianLabels::CentreParallel, .ParallelLabels = TParallelLabels::CentreMeridian}},
    // SetUpCone runs for every kind, from Recalculate.
    {.Kind = pkLambertConformal, .Family = F::Conic, .HasProjection = true,
     .Forward = &TMapping::ForwardConic, .Inverse = &TMapping::InverseConic,
     .Grid = {.MeridianLabels = TMeridianLabels::ConeBottom, .ParallelLabels = TParallelLabels::ConeLeftEdge}},
    {.Kind = pkGnomonic, .Family = F::Azimuthal, .HasProjection = true, .DefaultScale = 0.4f,
     .SetUp = &TMapping::SetUpAzimuthalSpan, .Forward = &TMapping::ForwardGnomonic,
     .Inverse = &TMapping::InverseGnomonic,
     .Grid = AzimuthalGrid},
    {.Kind = pkVanDerGrinten, .Family = F::VanDerGrinten, .HasProjection = true, .DefaultScale = 0.155f,
     .SetUp = &TMapping::SetUpVanDerGrinten, .Forward = &TMapping::ForwardVanDerGrinten,
     .Inverse = &TMapping::InverseVanDerGrinten,
     .Grid = {.Range = TGridRange::AroundCentre, .MeridianLabels = TMeridianLabels::SouthOfEquator}},
    {.Kind = pkGreatCircle, .Family = F::GreatCircle, .HasProjection = true, .DefaultScale = 0.2f,
     .SetUp = &TMapping::SetUpGreatCircle, .Forward = &TMapping::ForwardGreatCircle,
     .Inverse = &TMapping::InverseGreatCircle,
     .Grid = {.MeridianLabels = TMeridianLabels::CentreOrEquator, .ParallelLabels = TParallelLabels::CentreMeridian}},
    // The zoomed cylindrical plane without its own defaults.
    {.Kind = pkLinearBased, .Family = F::Cylindrical,
     .Forward = &TMapping::ForwardCylEquiZoomed, .Inverse = &TMapping::InverseCylEquiZoomed,
     .Grid = {.Range = TGridRange::NorthernHemisphere, .MeridianLabels = TMeridianLabels::CentreOrEquator}},
};

namespace {

constexpr bool EveryEntryAtItsKind()
{
    for (int kind = 0; kind < TKindTraits::KindCount; ++kind)
        if (TKindTraits::Of(static_cast<TProjectionKind>(kind)).Kind != kind)
            return false;
    return true;
}

}  // namespace

static_assert(EveryEntryAtItsKind(), "the table lists the kinds in their order");
static_assert(std::extent_v<decltype(ProjectionNames)> == TKindTraits::KindCount, "one name per kind");
