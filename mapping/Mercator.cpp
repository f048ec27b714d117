// Mercator, full (pkMercatorFull) and zoomed (pkMercatorZoomed), and the
// Mercator ordinate in degree units with its inverse.
#include "mapping/ProjPlane.h"
#include "mapping/ProjectionMath.h"
#include "mapping/ormMapping.h"

using namespace Projection;

double MercatorY(float Lat)
{
    double v = 0;
    if (Lat > 0)
        v = RadToDeg * std::log(std::tan(Pi / 4 + Lat * Pi / 360));
    else if (Lat < 0)
        v = -RadToDeg * std::log(std::tan(Pi / 4 - Lat * Pi / 360));
    else
        return 0;
    // A failed logarithm (latitudes beyond the poles) gives the argument back.
    return Finite(v) ? v : Lat;
}

double MercatorLat(float Y)
{
    // Infinity saturates at the pole below like every other overflow; NaN stays NaN.
    if (std::isnan(Y))
        return Y;
    const double k = 114.59155902616464175;
    // exp overflows only where the latitude is the pole to every digit.
    if (Y > 0) {
        const double e = std::exp(Y * Pi / 180);
        return std::isfinite(e) ? (std::atan(e) - Pi / 4) * k : 90.0;
    }
    if (Y < 0) {
        const double e = std::exp(-Y * Pi / 180);
        return std::isfinite(e) ? (Pi / 4 - std::atan(e)) * k : -90.0;
    }
    return 0;
}

// ---------------------------------------------------------------- full

TMapping::TOutcome TMapping::ForwardMercatorFull(float Lon, float Lat, double& PX, double& PY) const
{
    double delta = 0;
    const double m = MercatorY(Lat);
    if (!WrapDelta(static_cast<double>(Lon) - CentreLon, delta))
        return TOutcome::Refused;
    PX = Width * (delta + 180.0) / 360.0;
    PY = HalfHeight - Width * m / 360.0;
    return TOutcome::Accepted;
}

bool TMapping::InverseMercatorFull(int32_t X, int32_t Y, double& Lon, double& Lat) const
{
    // Neither offset is taken back by the Mercator kinds.
    if (!WrapLon(WestLon + X * 360.0 * InvWidth, Lon))
        return false;
    double y = 0;
    float fy = 0;
    y = (HalfHeight - static_cast<double>(Y)) * 360.0 * InvWidth;
    if (!StoreSingle(fy, y))
        return false;
    Lat = MercatorLat(fy);
    return Finite(Lat);
}

bool ProjMercatorFull(const TMapping& m, TProjPlane& Plane)
{
    const double w = m.Width, halfHeight = m.HalfHeight;
    Plane.Projection = "+proj=merc" + ProjCentreLon(m);
    Plane.ToPixel = {w / 2, w / (2 * Pi), 0, halfHeight, 0, -w / (2 * Pi)};
    return true;
}

// ---------------------------------------------------------------- zoomed

// The latitude span is stretched to the image height by the Mercator
// ordinates of its edges.
void TMapping::SetUpMercatorZoomed()
{
    const float s = static_cast<float>(CentreLat - LatSpan / 2.0);
    const float n = static_cast<float>(CentreLat + LatSpan / 2.0);
    const double quotient = (MercatorY(n) - MercatorY(s)) / (static_cast<double>(n) - s);
    if (!StoreSingle(MercScale, quotient))
        MercScale = 1.0f;
    if (!StoreSingle(MercOffset, MercatorY(CentreLat) - 0.5 * MercScale * LatSpan))
        MercOffset = 0;
}

TMapping::TOutcome TMapping::ForwardMercatorZoomed(float Lon, float Lat, double& PX, double& PY) const
{
    double delta = 0;
    const double m = (MercatorY(Lat) - MercOffset) / MercScale;
    if (!Finite(m) || !WrapDelta(static_cast<double>(Lon) - CentreLon, delta))
        return TOutcome::Refused;
    const double u = (delta - WestLon + CentreLon) / LonSpan;
    const double v = 1.0 - m / LatSpan;
    PX = Width * u;
    PY = Height * v;
    // Zoomed Mercator accepts only points inside the image, but hands back
    // the position of the others too.
    return TOutcome::InsideImage;
}

bool TMapping::InverseMercatorZoomed(int32_t X, int32_t Y, double& Lon, double& Lat) const
{
    if (!WrapLon(WestLon + X * static_cast<double>(LonSpan) * InvWidth, Lon))
        return false;
    float fy = 0;
    if (!StoreSingle(fy, MercScale * (1.0 - Y * static_cast<double>(InvHeight)) * LatSpan + MercOffset))
        return false;
    Lat = MercatorLat(fy);
    return Finite(Lat);
}

bool ProjMercatorZoomed(const TMapping& m, TProjPlane& Plane)
{
    // Mercator ordinates in degree units, scaled apart across and along.
    Plane.Projection = "+proj=merc" + ProjCentreLon(m);
    Plane.ToPixel =
        ZoomedPixels(m, static_cast<double>(m.Height) / (static_cast<double>(m.LatSpan) * m.MercScale), m.MercOffset);
    return true;
}
