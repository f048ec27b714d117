#pragma once
// Control points for a mapping that no PROJ definition describes: a regular
// longitude/latitude lattice projected forward, fine enough that a thin-plate
// spline through it follows the projection.
#include "mapping/ormMapping.h"

#include <vector>

namespace MapTool {

struct TControlPoint
{
    double Pixel, Line;  // GDAL's, from the image's top-left corner
    double Lon, Lat;
};

// At least this many points lie on the image, unless the lattice cannot get
// that fine.
inline constexpr int ControlPointsOnImage = 256;

// Points on the image and a margin of a tenth of its size around it; empty
// when the mapping places no point on the image.
std::vector<TControlPoint> LatticeControlPoints(const TMapping& Mapping);

}  // namespace MapTool
