// Cylindrical equidistant, full (pkCylEquiFull) and zoomed (pkCylEquiZoomed,
// pkLinearBased): plate carree images, longitude and latitude linear in x and y.
#include "mapping/ProjPlane.h"
#include "mapping/ProjectionMath.h"
#include "mapping/ormMapping.h"

using namespace Projection;

// ---------------------------------------------------------------- full

TMapping::TOutcome TMapping::ForwardCylEquiFull(float Lon, float Lat, double& PX, double& PY) const
{
    // The full map ignores CentreLon: it always spans -180..180.
    double delta = 0;
    if (!WrapDelta(Lon, delta))
        return TOutcome::Refused;
    PX = Width * (delta + 180.0) / 360.0;
    PY = (1.0 - (static_cast<double>(Lat) + 90.0) / 180.0) * Height;
    return TOutcome::Accepted;
}

bool TMapping::InverseCylEquiFull(int32_t X, int32_t Y, double& Lon, double& Lat) const
{
    // The vertical offset is not taken back here.
    if (!WrapLon((X - static_cast<double>(XOffset)) * 360.0 * InvWidth - 180.0, Lon))
        return false;
    Lat = (1.0 - Y * static_cast<double>(InvHeight)) * 180.0 - 90.0;
    return Finite(Lat);
}

bool ProjCylEquiFull(const TMapping& m, TProjPlane& Plane)
{
    // Always -180..180, whatever the centre.
    const double w = m.Width, h = m.Height;
    Plane.Projection = "+proj=eqc";
    Plane.ToPixel = {w / 2, w / (2 * Pi), 0, h / 2, 0, -h / Pi};
    return true;
}

// ---------------------------------------------------------------- zoomed

TMapping::TOutcome TMapping::ForwardCylEquiZoomed(float Lon, float Lat, double& PX, double& PY) const
{
    double delta = 0;
    if (!WrapDelta(static_cast<double>(Lon) - CentreLon, delta))
        return TOutcome::Refused;
    PX = (delta - WestLon + CentreLon) * Width / LonSpan;
    PY = (1.0 - (static_cast<double>(Lat) - SouthLat) / LatSpan) * Height;
    return TOutcome::Accepted;
}

bool TMapping::InverseCylEquiZoomed(int32_t X, int32_t Y, double& Lon, double& Lat) const
{
    if (!WrapLon(WestLon + (X - static_cast<double>(XOffset)) * LonSpan * InvWidth, Lon))
        return false;
    Lat = SouthLat + (1.0 - (Y + static_cast<double>(YOffset)) * InvHeight) * LatSpan;
    return Finite(Lat);
}

bool ProjCylEquiZoomed(const TMapping& m, TProjPlane& Plane)
{
    Plane.Projection = "+proj=eqc" + ProjCentreLon(m);
    Plane.ToPixel = ZoomedPixels(m, static_cast<double>(m.Height) / m.LatSpan, m.SouthLat);
    return true;
}
