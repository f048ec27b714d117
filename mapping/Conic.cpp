// Lambert conformal conic (pkLambertConformal) on the ellipsoid, with the
// constants the setters derive from the standard parallels and the centre
// latitude.
#include "mapping/ProjPlane.h"
#include "mapping/ProjectionMath.h"
#include "mapping/ormMapping.h"

using namespace Projection;

namespace {

// Points this far from the centre or farther are refused.
constexpr double ConicLimitKm = 10000.0;

double ConeT(double phi, double e)
{
    const double es = e * std::sin(phi);
    return std::tan(Pi / 4 - phi / 2) / std::pow((1 - es) / (1 + es), e / 2);
}

double ConeM(double phi, double eSquared)
{
    const double s = std::sin(phi);
    return std::cos(phi) / std::sqrt(1 - eSquared * s * s);
}

}  // namespace

// Every step may fail (a standard parallel at 90 degrees gives n = 0); the
// fields written before the failure keep their new values, the rest stay.
void TMapping::SetUpCone()
{
    Ecc = std::sqrt(EccentricitySquared);
    HalfEcc = Ecc / 2;
    FConeValid = false;
    const double e = Ecc;
    // The standard parallels enter as 90 degrees minus the stored value.
    const float phi1 = static_cast<float>((90.0 - StdParallel1) * Pi / 180);
    const float phi2 = static_cast<float>((90.0 - StdParallel2) * Pi / 180);
    const double t1 = ConeT(phi1, e), m1 = ConeM(phi1, EccentricitySquared);
    const double t2 = ConeT(phi2, e), m2 = ConeM(phi2, EccentricitySquared);
    const double t0 = ConeT(std::fabs(static_cast<double>(CentreLat)) * Pi / 180, e);
    if (!Finite(t1, m1) || !Finite(t2, m2) || !Finite(t0))
        return;
    double n = 0;
    // The 0.1 limit is a double: a parallel stored as 0.1f lies just above it.
    if (phi1 == phi2 || std::fabs(static_cast<double>(StdParallel1)) <= 0.1 ||
        std::fabs(static_cast<double>(StdParallel2)) <= 0.1)
        n = std::sin(static_cast<double>(phi1));
    else {
        if (!(m1 > 0 && m2 > 0 && t1 > 0 && t2 > 0))
            return;
        n = (std::log(m1) - std::log(m2)) / (std::log(t1) - std::log(t2));
    }
    if (!StoreSingle(ConeN, n) || !StoreSingle(InvConeN, 1.0 / ConeN))
        return;
    float power = 0;
    if (!StoreSingle(power, std::pow(t1, static_cast<double>(ConeN))))
        return;
    float f = 0;
    if (!StoreSingle(f, m1 / (ConeN * static_cast<double>(power))))
        return;
    if (!StoreSingle(ConeScale, 1.095 * f) || !StoreSingle(InvConeScale, 1.0 / ConeScale))
        return;
    if (!StoreSingle(Rho0, ConeScale * std::pow(t0, static_cast<double>(ConeN))))
        return;
    if (!StoreSingle(ConeNRad, ConeN * Pi / 180) || !StoreSingle(InvConeNRad, 1.0 / ConeNRad))
        return;
    FConeValid = true;
}

TMapping::TOutcome TMapping::ForwardConic(float Lon, float Lat, double& PX, double& PY) const
{
    // Constants half-computed by a failed Recalculate must not be mixed.
    if (!FConeValid)
        return TOutcome::Refused;
    if (BeyondDistance(Lon, Lat, ConicLimitKm))
        return TOutcome::Refused;
    double delta = 0;
    if (!WrapDelta(static_cast<double>(Lon) - CentreLon, delta))
        return TOutcome::Refused;
    double phi = Lat * DegToRad;
    if (SouthernHemisphere)
        phi = -phi;
    const double es = Ecc * std::sin(phi);
    const double T = std::tan(Pi / 4 - phi / 2);
    double rho = 0;
    if (!(std::fabs(T) < 1e-5)) {
        const double base = T / std::pow((1 - es) / (1 + es), static_cast<double>(HalfEcc));
        rho = ConeScale * std::pow(base, static_cast<double>(ConeN));
    }
    const double theta = ConeNRad * delta;
    const double X = rho * std::sin(theta);
    double Y = Rho0 - rho * std::cos(theta);
    if (SouthernHemisphere)
        Y = -Y;
    if (!Finite(X, Y))
        return TOutcome::Refused;
    WidthPixel(X, Y, PX, PY);
    return TOutcome::Accepted;
}

bool TMapping::InverseConic(int32_t X, int32_t Y, double& Lon, double& Lat) const
{
    if (!FConeValid)
        return false;
    double xw = 0, yw = 0;
    WidthForm(X, Y, true, xw, yw);
    if (SouthernHemisphere)
        yw = -yw;
    const double denominator = Rho0 - yw;
    if (denominator == 0)
        return false;
    // An arctangent of the quotient, not atan2: that is how images were made.
    const double lon = CentreLon + std::atan(xw / denominator) * InvConeNRad;
    const double rho = std::hypot(xw, Rho0 - yw);
    const double t = std::pow(rho * InvConeScale, static_cast<double>(InvConeN));
    if (!Finite(lon) || !Finite(t))
        return false;
    double phi = Pi / 2 - 2 * std::atan(t);
    double phiNew = phi;
    double change = 1;
    for (int count = 0; count < 100 && change > 1e-5; ++count) {
        const double es = Ecc * std::sin(phi);
        phiNew = Pi / 2 - 2 * std::atan(t * std::pow((1 - es) / (1 + es), static_cast<double>(HalfEcc)));
        if (!Finite(phiNew))
            return false;
        change = std::fabs(std::fabs(phi) - std::fabs(phiNew));
        phi = phiNew;
    }
    Lon = lon;
    Lat = phiNew * RadToDeg;
    if (SouthernHemisphere)
        Lat = -Lat;
    return Finite(Lat);
}

bool ProjConic(const TMapping& m, TProjPlane& Plane)
{
    if (!m.ConeConstantsValid())
        return false;
    // The standard parallels enter as 90 degrees minus the stored values;
    // a tangent cone when they are equal or one is next to 0. A southern
    // image is the northern one mirrored, as the cone of the negated parallels.
    const float sign = m.SouthernHemisphere ? -1.0f : 1.0f;
    const float lat1 = sign * (90 - m.StdParallel1), lat2 = sign * (90 - m.StdParallel2);
    const bool tangent =
        lat1 == lat2 || static_cast<double>(m.StdParallel1) <= 0.1 || static_cast<double>(m.StdParallel2) <= 0.1;
    Plane.Projection =
        "+proj=lcc +lat_1=" + ShortestText(lat1) + " +lat_2=" + ShortestText(tangent ? lat1 : lat2) + ProjCentre(m);
    Plane.Ellipsoid = true;
    // The ellipsoid's semi-major axis is 1.095 widths.
    const double w = m.Width, halfHeight = m.HalfHeight;
    const double k = 1.095 * w;
    Plane.ToPixel = {w / 2, k, 0, halfHeight, 0, -k};
    return true;
}
