// Azimuthal family: azimuthal equidistant (kinds 3 and 4), orthographic (7),
// linearised orthographic (8, forward only) and gnomonic (11). All share the
// width-unit plane, the distance cut-off and the plane rotation.
#include "mapping/ProjectionMath.h"
#include "mapping/ormMapping.h"

#include <algorithm>

using namespace Projection;

TMapping::TOutcome TMapping::ForwardAzimuthal(float Lon, float Lat, double& PX, double& PY) const
{
    const double limit = (Kind == pkOrthographic || Kind == pkLinearOrthographic) ? 6300.0 : 12000.0;
    if (BeyondDistance(Lon, Lat, limit))
        return TOutcome::Refused;
    double delta = 0;
    if (!WrapDelta(static_cast<double>(Lon) - CentreLon, delta))
        return TOutcome::Refused;
    const double phi = Lat * DegToRad, lambda = delta * DegToRad;
    const double sinPhi = std::sin(phi), cosPhi = std::cos(phi);
    const double sinDelta = std::sin(lambda), cosDelta = std::cos(lambda);
    double X = 0, Y = 0;
    TOutcome outcome = TOutcome::Accepted;
    switch (Kind)
    {
    case pkAzimuthalEqui:
    case pkAzimuthalEquiWide:
    {
        const double p = cosPhi * cosDelta;
        const double gamma = SinLat0 * sinPhi + CosLat0 * p;
        if (std::fabs(gamma) < 1)
        {
            // The angle is stored in single precision, its sine is not.
            const double d = static_cast<float>(std::acos(gamma));
            const double k = Scale * d / std::sin(d);
            X = k * cosPhi * sinDelta;
            Y = k * (CosLat0 * sinPhi - SinLat0 * p);
        }
        break;
    }
    case pkOrthographic:
        X = Scale * cosPhi * sinDelta;
        Y = Scale * (CosLat0 * sinPhi - SinLat0 * cosPhi * cosDelta);
        break;
    case pkLinearOrthographic:
    {
        const double alpha = std::atan2(cosPhi * sinDelta, SinLat0 * sinPhi + CosLat0 * cosPhi * cosDelta);
        const double s = CosLat0 * sinPhi - SinLat0 * cosPhi * cosDelta;
        if (!(s >= -1.0 && s <= 1.0))
            return TOutcome::Refused;
        const double beta = std::asin(s);
        if (!(alpha > -PiOver3 && alpha < PiOver3 && beta > -PiOver3 && beta < PiOver3))
            return TOutcome::Refused;
        Y = Scale * std::atan2(std::sin(beta), std::cos(alpha) * std::cos(beta));
        X = Scale * std::atan2(std::sin(alpha) * std::cos(beta),
                               std::hypot(std::cos(alpha) * std::cos(beta), std::sin(beta)));
        break;
    }
    case pkGnomonic:
    {
        const double p = cosPhi * cosDelta;
        const double gamma = SinLat0 * sinPhi + CosLat0 * p;
        // gamma is 1 at the centre itself (a hair above with rounding), which is accepted.
        if (gamma < 1e-6)
            outcome = TOutcome::RefusedAt;  // the image centre is still handed back
        else
        {
            const double k = Scale / gamma;
            X = k * cosPhi * sinDelta;
            Y = k * (CosLat0 * sinPhi - SinLat0 * p);
        }
        break;
    }
    default: return TOutcome::Refused;
    }
    if (!Finite(X, Y))
        return TOutcome::Refused;
    Rotate(X, Y);
    WidthPixel(X, Y, PX, PY);
    return outcome;
}

bool TMapping::InverseAzimuthal(int32_t X, int32_t Y, double& Lon, double& Lat) const
{
    // Orthographic takes the vertical offset back, the others do not; none
    // undoes Rotation.
    double xw = 0, yw = 0;
    WidthForm(X, Y, Kind == pkOrthographic, xw, yw);
    double rho = 0;
    const TRadius radius = CentreRadius(xw, yw, rho, Lon, Lat);
    if (radius != TRadius::Away)
        return radius == TRadius::AtCentre;
    double sd = 0, cd = 0;
    switch (Kind)
    {
    case pkAzimuthalEqui:
    case pkAzimuthalEquiWide:
    {
        const double delta = rho / Scale;
        sd = std::sin(delta);
        cd = std::cos(delta);
        break;
    }
    case pkGnomonic:
    {
        const double delta = std::atan(rho / Scale);
        sd = std::sin(delta);
        cd = std::cos(delta);
        break;
    }
    case pkOrthographic:
    {
        sd = rho / Scale;
        const double c2 = 1 - sd * sd;
        // Outside the Earth's disc.
        if (!(c2 >= 0))
            return false;
        cd = std::sqrt(c2);
        break;
    }
    default: return false;
    }
    if (!Finite(sd, cd))
        return false;
    const double s = cd * SinLat0 + yw * sd * CosLat0 / rho;
    if (!(s >= -1.0 && s <= 1.0))
        return false;
    Lat = std::asin(s) * RadToDeg;
    double lon = 0;
    if (CentreLat == 90)
        lon = CentreLon + std::atan2(xw, -yw) * RadToDeg;
    else if (CentreLat == -90)
        lon = CentreLon + std::atan2(xw, yw) * RadToDeg;
    else
        lon = CentreLon + std::atan2(xw * sd, rho * CosLat0 * cd - yw * SinLat0 * sd) * RadToDeg;
    if (Kind == pkOrthographic)
    {
        Lon = lon;
        return Finite(Lon);
    }
    return WrapLon(lon, Lon);
}
