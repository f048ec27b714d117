// Great circle (pkGreatCircle): an azimuthal equidistant plane built from the
// haversine distance and the initial bearing from the centre.
#include "mapping/ProjPlane.h"
#include "mapping/ProjectionMath.h"
#include "mapping/ormMapping.h"

using namespace Projection;

namespace {

// The scale that puts a whole turn of distance across the image width.
constexpr double TurnsPerRadian = 1 / (2 * Pi);

}  // namespace

// The latitude span fills the image height; without one, a whole turn of
// distance spans the image's shorter side.
void TMapping::SetUpGreatCircle()
{
    double a = 0, b = 0;
    SpanEdges(a, b);
    if (FitSpanToHeight(std::fabs(a - b)))
        return;
    if (Height > Width)
        Scale = static_cast<float>(TurnsPerRadian);
    else if (!StoreSingle(Scale, Height * static_cast<double>(InvWidth) * TurnsPerRadian))
        Scale = 1.0f;
}

TMapping::TOutcome TMapping::ForwardGreatCircle(float Lon, float Lat, double& PX, double& PY) const
{
    const double lambda0 = CentreLon * DegToRad, phi0 = CentreLat * DegToRad;
    const double lambda = Lon * DegToRad, phi = Lat * DegToRad;
    const double s1 = std::sin((phi0 - phi) / 2), s2 = std::sin((lambda0 - lambda) / 2);
    double h = s1 * s1 + std::cos(phi0) * std::cos(phi) * s2 * s2;
    // At the antipode rounding can give h a hair above 1.
    if (h > 1 && h <= 1 + 1e-12)
        h = 1;
    if (!(h >= 0 && h <= 1))
        return TOutcome::Refused;
    double d = 2 * std::asin(std::sqrt(h));
    double theta = 0;
    if (!(d < 1e-10)) {
        const double p = std::sin(lambda0 - lambda) * std::cos(phi);
        const double q = std::cos(phi0) * std::sin(phi) - std::sin(phi0) * std::cos(phi) * std::cos(lambda0 - lambda);
        if (std::fabs(q) < 1e-10)
            theta = p > 0 ? Pi / 2 : -Pi / 2;
        else
            theta = std::atan2(p, q);
    }
    d = Scale * d;
    const double X = -std::sin(theta) * d;
    const double Y = std::cos(theta) * d;
    if (!Finite(X, Y))
        return TOutcome::Refused;
    WidthPixel(X, Y, PX, PY);
    return TOutcome::Accepted;
}

bool TMapping::InverseGreatCircle(int32_t X, int32_t Y, double& Lon, double& Lat) const
{
    double xw = 0, yw = 0;
    WidthForm(X, Y, false, xw, yw);
    double rho = 0;
    const TRadius radius = CentreRadius(xw, yw, rho, Lon, Lat);
    if (radius != TRadius::Away)
        return radius == TRadius::AtCentre;
    const double d = rho / Scale;
    if (!Finite(d) || d >= 2 * Pi)
        return false;
    const double theta = std::atan2(-xw, yw);
    const double lambda0 = CentreLon * DegToRad, phi0 = CentreLat * DegToRad;
    const double s = std::sin(phi0) * std::cos(d) + std::cos(phi0) * std::sin(d) * std::cos(theta);
    if (!(s >= -1.0 && s <= 1.0))
        return false;
    const double phi = std::asin(s);
    Lat = phi * RadToDeg;
    double lambda = lambda0;
    if (std::cos(phi) != 0) {
        if (std::fabs(std::cos(phi0)) < 1e-5) {
            // At a pole the bearing is the longitude itself, measured from the
            // centre meridian's far side in the north and its near side in the south.
            lambda = phi0 > 0 ? lambda0 + theta : lambda0 - theta + Pi;
        } else
            lambda = lambda0 -
                     std::atan2(std::sin(theta) * std::sin(d) * std::cos(phi0),
                                std::cos(d) - std::sin(phi0) * std::sin(phi)) +
                     Pi;
        if (!Finite(lambda))
            return false;
        lambda = std::fmod(lambda, 2 * Pi);
        if (lambda < 0)
            lambda += 2 * Pi;
        if (lambda >= 2 * Pi)
            lambda -= 2 * Pi;
        lambda -= Pi;
    }
    return WrapLon(lambda * RadToDeg, Lon) && Finite(Lat);
}

// Never turned.
bool ProjGreatCircle(const TMapping& m, TProjPlane& Plane) { return ProjAzimuthal(m, "+proj=aeqd", false, Plane); }
