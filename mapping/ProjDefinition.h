#pragma once
// A mapping in the terms of PROJ and GDAL: the projection it is, in metres on
// the library's Earth, and the affine maps between that plane and the image's
// pixels. Kinds that are no PROJ projection have no statement; each kind's
// projection is stated beside its conversions (ProjPlane.h).
#include "mapping/ProjPlane.h"
#include "mapping/ormMapping.h"

#include <array>
#include <string>

// The library's Earth: the sphere its distances are measured on, and for the
// conic kind the ellipsoid of that equatorial radius with the library's
// squared eccentricity.
constexpr double EarthRadiusMetres = 6378135.0;

// The pixels of fwdf and inv name pixel centres: the whole pixel (x, y) is the
// centre of the image's column x and row y. GDAL counts from the top-left
// corner of the image, so its pixel/line is fwdf's value plus a half.
constexpr double PixelCentre = 0.5;

// The inverse of a regular affine map; false when it has none.
bool InvertAffine(const TAffine& A, TAffine& Inverse);

enum class TProjStatement {
    Stated,
    NoDefinition,  // the kind is no PROJ projection (0, 8)
    Degenerate,    // the parameters flatten the plane: a zero span, size or scale, no cone
};

struct TProjDefinition
{
    // "+proj=... +R=6378135 +units=m +no_defs": longitude/latitude to metres.
    std::string Definition;
    // Metres to the real pixel fwdf gives, offsets included.
    TAffine MetresToPixel{};
    // GDAL's geotransform: pixel/line (from the image's top-left corner) to metres.
    TAffine GeoTransform{};
    // The two above as one PROJ pipeline from longitude/latitude to fwdf's pixels.
    std::string PixelPipeline() const;
};

TProjStatement StateForProj(const TMapping& Mapping, TProjDefinition& Out);

// A number as PROJ and GDAL read it back to the same double (shortest form).
std::string ExactNumber(double Value);
