// Polar stereographic (pkPolarStereographic): plane in units of the image
// height, the pole PolarOffset above (north) or below (south) the image centre.
#include "mapping/ProjPlane.h"
#include "mapping/ProjectionKinds.h"
#include "mapping/ProjectionMath.h"
#include "mapping/ormMapping.h"

using namespace Projection;

// The latitude span fills the image height, centred on it; without a span the
// kind's default scale, and the pole at the centre latitude's cosine squared.
void TMapping::SetUpPolar()
{
    bool done = false;
    if (LatSpan != 0) {
        double a = 0, b = 0;
        SpanEdges(a, b);
        double ta, tb;
        if (SouthernHemisphere) {
            ta = std::tan((Pi / 2 + a) / 2);
            tb = std::tan((Pi / 2 + b) / 2);
        } else {
            ta = std::tan((Pi / 2 - a) / 2);
            tb = std::tan((Pi / 2 - b) / 2);
        }
        const double d = std::fabs(tb - ta);
        if (Finite(ta, tb) && d != 0 && StoreSingle(Scale, 1.0 / d)) {
            done = true;
            if (!StoreSingle(PolarOffset, (tb + ta) * Scale / 2))
                PolarOffset = 0;
        }
    }
    if (!done) {
        Scale = TKindTraits::Of(Kind).DefaultScale;
        if (!StoreSingle(PolarOffset, static_cast<double>(CosLat0) * CosLat0 * Scale))
            PolarOffset = 0;
    }
    if (!StoreSingle(InvScale, 1.0 / Scale))
        InvScale = 0;
}

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
    if (xh == 0 && yh == 0) {
        Lon = CentreLon;
        Lat = CentreLat;
        return true;
    }
    const double delta = 2 * std::atan(std::hypot(xh, yh) * InvScale);
    if (!Finite(delta))
        return false;
    if (SouthernHemisphere) {
        Lon = CentreLon + std::atan2(xh, yh) * RadToDeg;
        Lat = std::asin(-std::cos(delta)) * RadToDeg;
    } else {
        Lon = CentreLon + std::atan2(xh, -yh) * RadToDeg;
        Lat = std::asin(std::cos(delta)) * RadToDeg;
    }
    return Finite(Lon, Lat);
}

bool ProjPolar(const TMapping& m, TProjPlane& Plane)
{
    // PROJ's radius is half the library's scale; the pole lies PolarOffset
    // heights above (north) or below (south) the image centre.
    const double w = m.Width, h = m.Height, halfHeight = m.HalfHeight;
    const bool south = m.SouthernHemisphere;
    Plane.Projection = std::string("+proj=stere +lat_0=") + (south ? "-90" : "90") + ProjCentreLon(m);
    const double k = h * m.Scale / 2, pole = h * m.PolarOffset;
    Plane.ToPixel = {w / 2, k, 0, halfHeight + (south ? pole : -pole), 0, -k};
    return true;
}
