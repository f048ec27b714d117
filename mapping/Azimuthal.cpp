// Azimuthal family: azimuthal equidistant (pkAzimuthalEqui and
// pkAzimuthalEquiWide), orthographic (pkOrthographic), linearised orthographic
// (pkLinearOrthographic, forward only) and gnomonic (pkGnomonic). All share the
// width-unit plane, the distance cut-off and the plane rotation; the kinds
// differ in the formula between the sphere and the plane.
#include "mapping/ProjPlane.h"
#include "mapping/ProjectionKinds.h"
#include "mapping/ProjectionMath.h"
#include "mapping/ormMapping.h"

using namespace Projection;

namespace {

// Points this far from the centre or farther are refused.
constexpr double AzimuthalLimitKm = 12000.0;
constexpr double OrthographicLimitKm = 6300.0;

// The inverses' angular distance from the centre, as its sine and cosine, of a
// plane point at RhoPerScale (its distance from the centre over Scale); false
// where no point of the sphere lies.
bool EquidistantAngle(double RhoPerScale, double& SinDelta, double& CosDelta)
{
    const double delta = RhoPerScale;
    SinDelta = std::sin(delta);
    CosDelta = std::cos(delta);
    return true;
}

bool OrthographicAngle(double RhoPerScale, double& SinDelta, double& CosDelta)
{
    SinDelta = RhoPerScale;
    const double c2 = 1 - SinDelta * SinDelta;
    // Outside the Earth's disc.
    if (!(c2 >= 0))
        return false;
    CosDelta = std::sqrt(c2);
    return true;
}

bool GnomonicAngle(double RhoPerScale, double& SinDelta, double& CosDelta)
{
    const double delta = std::atan(RhoPerScale);
    SinDelta = std::sin(delta);
    CosDelta = std::cos(delta);
    return true;
}

}  // namespace

// ---------------------------------------------------------------- the family

// Kinds whose scale fits the latitude span to the image height: the span as
// seen along the central meridian. Until the centre latitude is set that is
// nothing, and the kind keeps its default scale.
void TMapping::SetUpAzimuthalSpan()
{
    double a = 0, b = 0;
    SpanEdges(a, b);
    const double ya = static_cast<double>(CosLat0) * std::sin(a) - static_cast<double>(SinLat0) * std::cos(a);
    const double yb = static_cast<double>(CosLat0) * std::sin(b) - static_cast<double>(SinLat0) * std::cos(b);
    if (!FitSpanToHeight(std::fabs(ya - yb)))
        Scale = TKindTraits::Of(Kind).DefaultScale;
}

// The first step of every forward: a point LimitKm or more from the centre is
// refused; else the sines and cosines of its latitude and of its longitude
// from the centre.
inline bool TMapping::AzimuthalSines(float Lon, float Lat, double LimitKm, double& SinPhi, double& CosPhi,
                                     double& SinDelta, double& CosDelta) const
{
    if (BeyondDistance(Lon, Lat, LimitKm))
        return false;
    double delta = 0;
    if (!WrapDelta(static_cast<double>(Lon) - CentreLon, delta))
        return false;
    const double phi = Lat * DegToRad, lambda = delta * DegToRad;
    SinPhi = std::sin(phi);
    CosPhi = std::cos(phi);
    SinDelta = std::sin(lambda);
    CosDelta = std::cos(lambda);
    return true;
}

// The last step: the plane point, rotated, in pixels.
inline TMapping::TOutcome TMapping::AzimuthalPixel(double X, double Y, TOutcome Outcome, double& PX, double& PY) const
{
    if (!Finite(X, Y))
        return TOutcome::Refused;
    Rotate(X, Y);
    WidthPixel(X, Y, PX, PY);
    return Outcome;
}

// The inverse up to the longitude's wrap, with the kind's angular distance:
// AtCentre for the centre itself, Away with the latitude and the unwrapped
// longitude, or Refused.
template <TMapping::TAzimuthalAngle Angle>
TMapping::TRadius TMapping::InverseAzimuthal(int32_t X, int32_t Y, bool WithYOffset, double& Lon, double& Lat) const
{
    // None undoes Rotation.
    double xw = 0, yw = 0;
    WidthForm(X, Y, WithYOffset, xw, yw);
    double rho = 0;
    const TRadius radius = CentreRadius(xw, yw, rho, Lon, Lat);
    if (radius != TRadius::Away)
        return radius;
    double sd = 0, cd = 0;
    if (!Angle(rho / Scale, sd, cd) || !Finite(sd, cd))
        return TRadius::Refused;
    const double s = cd * SinLat0 + yw * sd * CosLat0 / rho;
    if (!(s >= -1.0 && s <= 1.0))
        return TRadius::Refused;
    Lat = std::asin(s) * RadToDeg;
    if (CentreLat == 90)
        Lon = CentreLon + std::atan2(xw, -yw) * RadToDeg;
    else if (CentreLat == -90)
        Lon = CentreLon + std::atan2(xw, yw) * RadToDeg;
    else
        Lon = CentreLon + std::atan2(xw * sd, rho * CosLat0 * cd - yw * SinLat0 * sd) * RadToDeg;
    return TRadius::Away;
}

bool ProjAzimuthal(const TMapping& m, const char* Projection, bool Turned, TProjPlane& Plane)
{
    const double w = m.Width, halfHeight = m.HalfHeight;
    Plane.Projection = Projection + ProjCentre(m);
    double c = 1, s = 0;
    if (Turned && m.Rotation != 0) {
        c = std::cos(m.Rotation * DegToRad);
        s = std::sin(m.Rotation * DegToRad);
    }
    const double k = w * m.Scale;
    Plane.ToPixel = {w / 2, k * c, k * s, halfHeight, k * s, -k * c};
    return true;
}

// ---------------------------------------------------------------- azimuthal equidistant

TMapping::TOutcome TMapping::ForwardAzimuthalEqui(float Lon, float Lat, double& PX, double& PY) const
{
    double sinPhi = 0, cosPhi = 0, sinDelta = 0, cosDelta = 0;
    if (!AzimuthalSines(Lon, Lat, AzimuthalLimitKm, sinPhi, cosPhi, sinDelta, cosDelta))
        return TOutcome::Refused;
    double X = 0, Y = 0;
    const double p = cosPhi * cosDelta;
    const double gamma = SinLat0 * sinPhi + CosLat0 * p;
    if (std::fabs(gamma) < 1) {
        // The angle is stored in single precision, its sine is not.
        const double d = static_cast<float>(std::acos(gamma));
        const double k = Scale * d / std::sin(d);
        X = k * cosPhi * sinDelta;
        Y = k * (CosLat0 * sinPhi - SinLat0 * p);
    }
    return AzimuthalPixel(X, Y, TOutcome::Accepted, PX, PY);
}

bool TMapping::InverseAzimuthalEqui(int32_t X, int32_t Y, double& Lon, double& Lat) const
{
    const TRadius radius = InverseAzimuthal<EquidistantAngle>(X, Y, false, Lon, Lat);
    return radius == TRadius::AtCentre || (radius == TRadius::Away && WrapLon(Lon, Lon));
}

bool ProjAzimuthalEqui(const TMapping& m, TProjPlane& Plane) { return ProjAzimuthal(m, "+proj=aeqd", true, Plane); }

// ---------------------------------------------------------------- orthographic

TMapping::TOutcome TMapping::ForwardOrthographic(float Lon, float Lat, double& PX, double& PY) const
{
    double sinPhi = 0, cosPhi = 0, sinDelta = 0, cosDelta = 0;
    if (!AzimuthalSines(Lon, Lat, OrthographicLimitKm, sinPhi, cosPhi, sinDelta, cosDelta))
        return TOutcome::Refused;
    const double X = Scale * cosPhi * sinDelta;
    const double Y = Scale * (CosLat0 * sinPhi - SinLat0 * cosPhi * cosDelta);
    return AzimuthalPixel(X, Y, TOutcome::Accepted, PX, PY);
}

bool TMapping::InverseOrthographic(int32_t X, int32_t Y, double& Lon, double& Lat) const
{
    // The only one that takes the vertical offset back, and leaves the longitude unwrapped.
    const TRadius radius = InverseAzimuthal<OrthographicAngle>(X, Y, true, Lon, Lat);
    return radius == TRadius::AtCentre || (radius == TRadius::Away && Finite(Lon));
}

bool ProjOrthographic(const TMapping& m, TProjPlane& Plane) { return ProjAzimuthal(m, "+proj=ortho", true, Plane); }

// ---------------------------------------------------------------- linearised orthographic

TMapping::TOutcome TMapping::ForwardLinearOrthographic(float Lon, float Lat, double& PX, double& PY) const
{
    double sinPhi = 0, cosPhi = 0, sinDelta = 0, cosDelta = 0;
    if (!AzimuthalSines(Lon, Lat, OrthographicLimitKm, sinPhi, cosPhi, sinDelta, cosDelta))
        return TOutcome::Refused;
    const double alpha = std::atan2(cosPhi * sinDelta, SinLat0 * sinPhi + CosLat0 * cosPhi * cosDelta);
    const double s = CosLat0 * sinPhi - SinLat0 * cosPhi * cosDelta;
    if (!(s >= -1.0 && s <= 1.0))
        return TOutcome::Refused;
    const double beta = std::asin(s);
    if (!(alpha > -PiOver3 && alpha < PiOver3 && beta > -PiOver3 && beta < PiOver3))
        return TOutcome::Refused;
    const double Y = Scale * std::atan2(std::sin(beta), std::cos(alpha) * std::cos(beta));
    const double X = Scale * std::atan2(std::sin(alpha) * std::cos(beta),
                                        std::hypot(std::cos(alpha) * std::cos(beta), std::sin(beta)));
    return AzimuthalPixel(X, Y, TOutcome::Accepted, PX, PY);
}

// ---------------------------------------------------------------- gnomonic

TMapping::TOutcome TMapping::ForwardGnomonic(float Lon, float Lat, double& PX, double& PY) const
{
    double sinPhi = 0, cosPhi = 0, sinDelta = 0, cosDelta = 0;
    if (!AzimuthalSines(Lon, Lat, AzimuthalLimitKm, sinPhi, cosPhi, sinDelta, cosDelta))
        return TOutcome::Refused;
    double X = 0, Y = 0;
    TOutcome outcome = TOutcome::Accepted;
    const double p = cosPhi * cosDelta;
    const double gamma = SinLat0 * sinPhi + CosLat0 * p;
    // gamma is 1 at the centre itself (a hair above with rounding), which is accepted.
    if (gamma < 1e-6)
        outcome = TOutcome::RefusedAt;  // the image centre is still handed back
    else {
        const double k = Scale / gamma;
        X = k * cosPhi * sinDelta;
        Y = k * (CosLat0 * sinPhi - SinLat0 * p);
    }
    return AzimuthalPixel(X, Y, outcome, PX, PY);
}

bool TMapping::InverseGnomonic(int32_t X, int32_t Y, double& Lon, double& Lat) const
{
    const TRadius radius = InverseAzimuthal<GnomonicAngle>(X, Y, false, Lon, Lat);
    return radius == TRadius::AtCentre || (radius == TRadius::Away && WrapLon(Lon, Lon));
}

bool ProjGnomonic(const TMapping& m, TProjPlane& Plane) { return ProjAzimuthal(m, "+proj=gnom", true, Plane); }
