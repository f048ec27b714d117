// What the table of kinds says of each kind against what its conversions do:
// the parameters it reads, whether it needs its centre latitude set, whether
// it has an inverse.
#include "MappingTestUtil.h"
#include "mapping/ProjectionKinds.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Every forward (real pixels) over the globe and every inverse over the
// image, refusals included, as one comparable list.
std::vector<float> Conversions(const TMapping& m)
{
    std::vector<float> out;
    for (int lon = -180; lon <= 180; lon += 15)
        for (int lat = -85; lat <= 85; lat += 10)
        {
            float x = 0, y = 0;
            const bool ok = m.LonLatToXYF(static_cast<float>(lon), static_cast<float>(lat), x, y);
            out.insert(out.end(), {ok ? 1.0f : 0.0f, ok ? x : 0, ok ? y : 0});
        }
    for (int x = -40; x <= 840; x += 40)
        for (int y = -40; y <= 640; y += 40)
        {
            float lon = 0, lat = 0;
            const bool ok = m.XYToLonLat(x, y, lon, lat);
            out.insert(out.end(), {ok ? 1.0f : 0.0f, ok ? lon : 0, ok ? lat : 0});
        }
    return out;
}

// An image of the northern mid-latitudes, Lambert's parallels within it, on
// which every parameter has a value that its kinds read.
TMappingParams Base(int Kind)
{
    TMappingParams p;
    p.Kind = Kind;
    p.Height = 600;
    p.Width = 800;
    p.CentreLon = 10;
    p.CentreLat = 40;
    p.LonSpan = 60;
    p.LatSpan = 40;
    p.StdParallel1 = 30;
    p.StdParallel2 = 50;
    p.Tile = 3;
    p.Rotation = 20;
    return p;
}

struct TChange
{
    const char* Name;
    uint16_t Parameter;
    void (*Apply)(TMappingParams&);
};

const TChange Changes[] = {
    {"width", kpWidth, [](TMappingParams& p) { p.Width = 700; }},
    {"height", kpHeight, [](TMappingParams& p) { p.Height = 500; }},
    {"tile", kpTile, [](TMappingParams& p) { p.Tile = 8; }},
    {"rotation", kpRotation, [](TMappingParams& p) { p.Rotation = -35; }},
    {"lon-span", kpLonSpan, [](TMappingParams& p) { p.LonSpan = 90; }},
    {"lat-span", kpLatSpan, [](TMappingParams& p) { p.LatSpan = 70; }},
    {"centre-lon", kpCentreLon, [](TMappingParams& p) { p.CentreLon = -20; }},
    {"centre-lat", kpCentreLat, [](TMappingParams& p) { p.CentreLat = 55; }},
    {"std-parallel1", kpStdParallels, [](TMappingParams& p) { p.StdParallel1 = 25; }},
    {"std-parallel2", kpStdParallels, [](TMappingParams& p) { p.StdParallel2 = 60; }},
    {"x-offset", kpOffsets, [](TMappingParams& p) { p.XOffset = 17; }},
    {"y-offset", kpOffsets, [](TMappingParams& p) { p.YOffset = -23; }},
};

// Read, but not listed as a parameter of the kind: SetKind gives the full
// Mercator plane its longitude span (360 degrees), which is not to be changed.
struct TUnlisted
{
    TProjectionKind Kind;
    uint16_t Parameter;
};
const TUnlisted Unlisted[] = {{pkMercatorFull, kpLonSpan}};

bool IsUnlisted(int Kind, uint16_t Parameter)
{
    for (const TUnlisted& u : Unlisted)
        if (u.Kind == Kind && u.Parameter == Parameter)
            return true;
    return false;
}

}  // namespace

// A parameter the table lists changes some conversion of the kind; one it
// does not list changes none.
TEST(KindTraits, EachKindReadsExactlyTheParametersItLists)
{
    for (int kind = 0; kind < TKindTraits::KindCount; ++kind)
    {
        const TKindTraits& traits = TKindTraits::Of(static_cast<TProjectionKind>(kind));
        const std::vector<float> base = Conversions(MakeMapping(Base(kind)));
        for (const TChange& change : Changes)
        {
            TMappingParams p = Base(kind);
            change.Apply(p);
            const std::vector<float> changed = Conversions(MakeMapping(p));
            const bool differs = std::memcmp(base.data(), changed.data(), base.size() * sizeof(float)) != 0;
            EXPECT_EQ(differs, (traits.Reads & change.Parameter) != 0 || IsUnlisted(kind, change.Parameter))
                << "kind " << kind << " (" << traits.Name << "), " << change.Name;
        }
    }
}

// A kind projected about the centre latitude through its sine and cosine
// converts differently before the latitude is set than with it set to the
// equator; the great circle, centred on the latitude itself, and every kind
// without a centre convert alike.
TEST(KindTraits, KindsThatNeedTheCentreLatitudeDependOnItsBeingSet)
{
    for (int kind = 0; kind < TKindTraits::KindCount; ++kind)
    {
        const TKindTraits& traits = TKindTraits::Of(static_cast<TProjectionKind>(kind));
        TMapping unset;
        unset.SetKind(static_cast<uint8_t>(kind));
        unset.SetHeight(600);
        unset.SetWidth(800);
        TMapping set = unset;
        set.SetCentreLat(0);
        const std::vector<float> a = Conversions(unset), b = Conversions(set);
        const bool differs = std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) != 0;
        const bool throughSine = traits.NeedsCentreLat() && traits.Family != TProjectionFamily::GreatCircle;
        EXPECT_EQ(differs, throughSine) << "kind " << kind << " (" << traits.Name << ")";
    }
}

// A kind with an inverse takes some pixel of its image back; one without
// refuses them all.
TEST(KindTraits, KindsWithAnInverseTakePixelsBack)
{
    for (int kind = 0; kind < TKindTraits::KindCount; ++kind)
    {
        const TKindTraits& traits = TKindTraits::Of(static_cast<TProjectionKind>(kind));
        const TMapping m = MakeMapping(Base(kind));
        bool any = false;
        for (int x = 0; x < 800 && !any; x += 50)
            for (int y = 0; y < 600 && !any; y += 50)
            {
                float lon = 0, lat = 0;
                any = m.XYToLonLat(x, y, lon, lat);
            }
        EXPECT_EQ(any, traits.HasInverse()) << "kind " << kind << " (" << traits.Name << ")";
    }
}

// Names are what a user types, in any letter case: no two alike.
TEST(KindTraits, NamesAreDistinctInAnyLetterCase)
{
    const auto lower = [](int kind) {
        std::string name = TKindTraits::Of(static_cast<TProjectionKind>(kind)).Name;
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return name;
    };
    for (int a = 0; a < TKindTraits::KindCount; ++a)
    {
        EXPECT_FALSE(lower(a).empty()) << a;
        for (int b = a + 1; b < TKindTraits::KindCount; ++b)
            EXPECT_NE(lower(a), lower(b)) << a << " " << b;
    }
}
