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

constexpr TKindTraits TKindTraits::Table[KindCount] = {
    {.Kind = pkUnknown},
    {.Kind = pkCylEquiFull, .Family = F::Cylindrical, .HasProjection = true,
     .Forward = &TMapping::ForwardCylEquiFull, .Inverse = &TMapping::InverseCylEquiFull},
    {.Kind = pkCylEquiZoomed, .Family = F::Cylindrical, .HasProjection = true, .GreenwichCentre = true,
     .Forward = &TMapping::ForwardCylEquiZoomed, .Inverse = &TMapping::InverseCylEquiZoomed},
    {.Kind = pkAzimuthalEqui, .Family = F::Azimuthal, .HasProjection = true, .DefaultScale = 0.75f,
     .Forward = &TMapping::ForwardAzimuthalEqui, .Inverse = &TMapping::InverseAzimuthalEqui},
    {.Kind = pkAzimuthalEquiWide, .Family = F::Azimuthal, .HasProjection = true, .DefaultScale = 0.4f,
     .SetUp = &TMapping::SetUpAzimuthalSpan, .Forward = &TMapping::ForwardAzimuthalEqui,
     .Inverse = &TMapping::InverseAzimuthalEqui},
    {.Kind = pkMercatorFull, .Family = F::Mercator, .HasProjection = true, .GreenwichCentre = true,
     .DefaultLonSpan = 360, .Forward = &TMapping::ForwardMercatorFull, .Inverse = &TMapping::InverseMercatorFull},
    {.Kind = pkMercatorZoomed, .Family = F::Mercator, .HasProjection = true, .SetUp = &TMapping::SetUpMercatorZoomed,
     .Forward = &TMapping::ForwardMercatorZoomed, .Inverse = &TMapping::InverseMercatorZoomed},
    {.Kind = pkOrthographic, .Family = F::Azimuthal, .HasProjection = true, .DefaultScale = 0.8f,
     .SetUp = &TMapping::SetUpAzimuthalSpan, .Forward = &TMapping::ForwardOrthographic,
     .Inverse = &TMapping::InverseOrthographic},
    // Forward only.
    {.Kind = pkLinearOrthographic, .Family = F::Azimuthal, .DefaultScale = 0.8f,
     .SetUp = &TMapping::SetUpAzimuthalSpan, .Forward = &TMapping::ForwardLinearOrthographic},
    {.Kind = pkPolarStereographic, .Family = F::Polar, .HasProjection = true, .DefaultScale = 1.7f,
     .SetUp = &TMapping::SetUpPolar, .Forward = &TMapping::ForwardPolar, .Inverse = &TMapping::InversePolar},
    // SetUpCone runs for every kind, from Recalculate.
    {.Kind = pkLambertConformal, .Family = F::Conic, .HasProjection = true,
     .Forward = &TMapping::ForwardConic, .Inverse = &TMapping::InverseConic},
    {.Kind = pkGnomonic, .Family = F::Azimuthal, .HasProjection = true, .DefaultScale = 0.4f,
     .SetUp = &TMapping::SetUpAzimuthalSpan, .Forward = &TMapping::ForwardGnomonic,
     .Inverse = &TMapping::InverseGnomonic},
    {.Kind = pkVanDerGrinten, .Family = F::VanDerGrinten, .HasProjection = true, .DefaultScale = 0.155f,
     .SetUp = &TMapping::SetUpVanDerGrinten, .Forward = &TMapping::ForwardVanDerGrinten,
     .Inverse = &TMapping::InverseVanDerGrinten},
    {.Kind = pkGreatCircle, .Family = F::GreatCircle, .HasProjection = true, .DefaultScale = 0.2f,
     .SetUp = &TMapping::SetUpGreatCircle, .Forward = &TMapping::ForwardGreatCircle,
     .Inverse = &TMapping::InverseGreatCircle},
    // The zoomed cylindrical plane without its own defaults.
    {.Kind = pkLinearBased, .Family = F::Cylindrical,
     .Forward = &TMapping::ForwardCylEquiZoomed, .Inverse = &TMapping::InverseCylEquiZoomed},
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
