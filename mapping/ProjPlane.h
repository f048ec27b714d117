#pragma once
// A kind's projection in PROJ's terms, stated in its family's file beside its
// forward and inverse and named by the table of kinds: the PROJ definition on
// a sphere of radius 1 (or the ellipsoid of semi-major axis 1), and the affine
// map from that plane to the pixel before the offsets.
#include "mapping/ormMapping.h"

#include <array>
#include <string>

// Plane to image: x = C[0] + C[1]*E + C[2]*N, y = C[3] + C[4]*E + C[5]*N, the
// order of GDAL's geotransform.
using TAffine = std::array<double, 6>;

struct TProjPlane
{
    std::string Projection;
    bool Ellipsoid = false;
    TAffine ToPixel{};
};

// False when the parameters give the kind no plane (standard parallels that
// give no cone).
using TStateProjPlane = bool (*)(const TMapping& Mapping, TProjPlane& Plane);

// Cylindrical.cpp
bool ProjCylEquiFull(const TMapping& Mapping, TProjPlane& Plane);
bool ProjCylEquiZoomed(const TMapping& Mapping, TProjPlane& Plane);
// Mercator.cpp
bool ProjMercatorFull(const TMapping& Mapping, TProjPlane& Plane);
bool ProjMercatorZoomed(const TMapping& Mapping, TProjPlane& Plane);
// Azimuthal.cpp
bool ProjAzimuthalEqui(const TMapping& Mapping, TProjPlane& Plane);
bool ProjOrthographic(const TMapping& Mapping, TProjPlane& Plane);
bool ProjGnomonic(const TMapping& Mapping, TProjPlane& Plane);
// Polar.cpp
bool ProjPolar(const TMapping& Mapping, TProjPlane& Plane);
// Conic.cpp
bool ProjConic(const TMapping& Mapping, TProjPlane& Plane);
// VanDerGrinten.cpp
bool ProjVanDerGrinten(const TMapping& Mapping, TProjPlane& Plane);
// GreatCircle.cpp
bool ProjGreatCircle(const TMapping& Mapping, TProjPlane& Plane);

// The pieces the families share (ProjPlane.cpp, Azimuthal.cpp).

// A parameter as the user gave it: the shortest text of its single-precision
// value. PROJ takes it as a double; the difference is below 1e-6 degrees.
std::string ShortestText(float Value);
// " +lon_0=...", and " +lat_0=... +lon_0=..." for the kinds centred on a point.
std::string ProjCentreLon(const TMapping& m);
std::string ProjCentre(const TMapping& m);
// The zoomed cylinders: the longitude span across the width, from the
// western edge, and Along rows per degree (or Mercator degree unit) up from
// South at the bottom edge.
TAffine ZoomedPixels(const TMapping& m, double Along, double South);
// An azimuthal plane of width units scaled by Scale about the image centre,
// turned by Rotation as the forward turns it when Turned.
bool ProjAzimuthal(const TMapping& m, const char* Projection, bool Turned, TProjPlane& Plane);
