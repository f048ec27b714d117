// Polar stereographic (kind 9): plane in units of the image height, the pole
// PolarOffset above (north) or below (south) the image centre.
#include "mapping/ProjectionMath.h"
#include "mapping/ormMapping.h"

using namespace Projection;

TMapping::TOutcome TMapping::ForwardPolar(float Lon, float Lat, double& PX, double& PY) const
{
    double delta = 0;
    if (!WrapDelta(static_cast<double>(Lon) - CentreLon, delta))
        return TOutcome::Refused;
    const double phi = Lat * DegToRad, lambda = delta * DegToRad;
    const double rho = SouthernHemisphere ? Scale * std::tan((Pi / 2 + phi) / 2) : Scale * std::tan((Pi / 2 - phi) / 2);
    const double X = rho * std::sin(lambda);
    const double Y = SouthernHemisphere ? rho * std::cos(lambda) - PolarOffset : PolarOffset - rho * std::cos(lambda);
    if (!Finite(X, Y))
        return TOutcome::Refused;
    PX = Height * X + Width / 2.0;
    PY = HalfHeight - Height * Y;
    return TOutcome::Accepted;
}

bool TMapping::InversePolar(int32_t X, int32_t Y, double& Lon, double& Lat) const
{
    const double xh = (X - (0.5 * Width + XOffset)) * InvHeight;
    double yh = 0.5 - (Y + static_cast<double>(YOffset)) * InvHeight;
    yh = SouthernHemisphere ? yh + PolarOffset : yh - PolarOffset;
    if (xh == 0 && yh == 0)
    {
        Lon = CentreLon;
        Lat = CentreLat;
        return true;
    }
    const double delta = 2 * std::atan(std::hypot(xh, yh) * InvScale);
    if (!Finite(delta))
        return false;
    if (SouthernHemisphere)
    {
        Lon = CentreLon + std::atan2(xh, yh) * RadToDeg;
        Lat = std::asin(-std::cos(delta)) * RadToDeg;
    }
    else
    {
        Lon = CentreLon + std::atan2(xh, -yh) * RadToDeg;
        Lat = std::asin(std::cos(delta)) * RadToDeg;
    }
    return Finite(Lon, Lat);
}
