// The kinds' display names, beside their table, and the table's checks.
#include "mapping/ProjectionKinds.h"

#include <type_traits>

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

namespace {

constexpr bool EveryEntryAtItsKind()
{
    for (int kind = 0; kind < TKindTraits::KindCount; ++kind)
        if (TKindTraits::Of(static_cast<TProjectionKind>(kind)).Kind != kind)
            return false;
    return true;
}

// A kind that converts reads the image it converts to; one projected about the
// centre latitude reads it.
constexpr bool EveryKindReadsWhatItNeeds()
{
    for (int kind = 0; kind < TKindTraits::KindCount; ++kind) {
        const TKindTraits& t = TKindTraits::Of(static_cast<TProjectionKind>(kind));
        const uint16_t image = kpWidth | kpHeight | kpOffsets;
        if ((t.Forward != nullptr) != ((t.Reads & image) == image))
            return false;
        if (t.NeedsCentreLat() && !(t.Reads & kpCentreLat))
            return false;
        // A PROJ statement describes a forward.
        if (t.ProjPlane && !t.Forward)
            return false;
    }
    return true;
}

}  // namespace

static_assert(EveryEntryAtItsKind(), "the table lists the kinds in their order");
static_assert(EveryKindReadsWhatItNeeds(), "the parameters each kind reads");
static_assert(std::extent_v<decltype(ProjectionNames)> == TKindTraits::KindCount, "one name per kind");
