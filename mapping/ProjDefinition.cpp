#include "mapping/ProjDefinition.h"

#include "mapping/ProjectionKinds.h"
#include "mapping/ProjectionMath.h"

#include <charconv>
#include <cmath>

using namespace Projection;

namespace {

// A parameter as the user gave it: the shortest text of its single-precision
// value. PROJ takes it as a double; the difference is below 1e-6 degrees.
std::string AngleText(float Value)
{
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, Value);
    return std::string(text, r.ptr);
}

// The kind's projection on a sphere of radius 1 (or the ellipsoid of
// semi-major axis 1): its PROJ definition without the Earth, and the affine
// map from its plane to the pixel before the offsets.
struct TUnitPlane
{
    std::string Projection;
    bool Ellipsoid = false;
    TAffine ToPixel{};
};

// The zoomed cylinders: the longitude span across the width, from the
// western edge, and Along rows per degree (or Mercator degree unit) up from
// South at the bottom edge.
TAffine ZoomedPixels(const TMapping& m, double Along, double South)
{
    const double across = m.Width / static_cast<double>(m.LonSpan);
    return {(static_cast<double>(m.CentreLon) - m.WestLon) * across,
            across * RadToDeg,
            0,
            m.Height + South * Along,
            0,
            -Along * RadToDeg};
}

bool UnitPlane(const TMapping& m, TUnitPlane& plane)
{
    const double w = m.Width, h = m.Height, halfHeight = m.HalfHeight;
    const std::string lon0 = " +lon_0=" + AngleText(m.CentreLon);
    const std::string centre = " +lat_0=" + AngleText(m.CentreLat) + lon0;
    TAffine& a = plane.ToPixel;
    switch (m.Kind) {
    case pkCylEquiFull:
        // Always -180..180, whatever the centre.
        plane.Projection = "+proj=eqc";
        a = {w / 2, w / (2 * Pi), 0, h / 2, 0, -h / Pi};
        return true;
    case pkCylEquiZoomed:
    case pkLinearBased: {
        plane.Projection = "+proj=eqc" + lon0;
        a = ZoomedPixels(m, h / m.LatSpan, m.SouthLat);
        return true;
    }
    case pkMercatorFull:
        plane.Projection = "+proj=merc" + lon0;
        a = {w / 2, w / (2 * Pi), 0, halfHeight, 0, -w / (2 * Pi)};
        return true;
    case pkMercatorZoomed: {
        // Mercator ordinates in degree units, scaled apart across and along.
        plane.Projection = "+proj=merc" + lon0;
        a = ZoomedPixels(m, h / (static_cast<double>(m.LatSpan) * m.MercScale), m.MercOffset);
        return true;
    }
    case pkAzimuthalEqui:
    case pkAzimuthalEquiWide:
    case pkOrthographic:
    case pkGnomonic:
    case pkGreatCircle: {
        plane.Projection = std::string(m.Kind == pkOrthographic ? "+proj=ortho"
                                       : m.Kind == pkGnomonic   ? "+proj=gnom"
                                                                : "+proj=aeqd") +
                           centre;
        // The plane turned by Rotation as the forward turns it (the great circle is never turned).
        double c = 1, s = 0;
        if (m.Kind != pkGreatCircle && m.Rotation != 0) {
            c = std::cos(m.Rotation * DegToRad);
            s = std::sin(m.Rotation * DegToRad);
        }
        const double k = w * m.Scale;
        a = {w / 2, k * c, k * s, halfHeight, k * s, -k * c};
        return true;
    }
    case pkPolarStereographic: {
        // PROJ's radius is half the library's scale; the pole lies PolarOffset
        // heights above (north) or below (south) the image centre.
        const bool south = m.SouthernHemisphere;
        plane.Projection = std::string("+proj=stere +lat_0=") + (south ? "-90" : "90") + lon0;
        const double k = h * m.Scale / 2, pole = h * m.PolarOffset;
        a = {w / 2, k, 0, halfHeight + (south ? pole : -pole), 0, -k};
        return true;
    }
    case pkLambertConformal: {
        if (!m.ConeConstantsValid())
            return false;
        // The standard parallels enter as 90 degrees minus the stored values;
        // a tangent cone when they are equal or one is next to 0. A southern
        // image is the northern one mirrored, as the cone of the negated parallels.
        const float sign = m.SouthernHemisphere ? -1.0f : 1.0f;
        const float lat1 = sign * (90 - m.StdParallel1), lat2 = sign * (90 - m.StdParallel2);
        const bool tangent =
            lat1 == lat2 || static_cast<double>(m.StdParallel1) <= 0.1 || static_cast<double>(m.StdParallel2) <= 0.1;
        plane.Projection =
            "+proj=lcc +lat_1=" + AngleText(lat1) + " +lat_2=" + AngleText(tangent ? lat1 : lat2) + centre;
        plane.Ellipsoid = true;
        // The ellipsoid's semi-major axis is 1.095 widths.
        const double k = 1.095 * w;
        a = {w / 2, k, 0, halfHeight, 0, -k};
        return true;
    }
    case pkVanDerGrinten: {
        plane.Projection = "+proj=vandg" + lon0;
        // The sub-image: the whole map enlarged twice or three times, shifted
        // to the quarter or ninth (TileToImage).
        double enlarge = 1, shiftX = 0, shiftY = 0;
        if (m.Tile >= 1 && m.Tile <= 4) {
            enlarge = 2;
            shiftX = m.Tile % 2 ? 0.5 : -0.5;
            shiftY = m.Tile <= 2 ? -0.5 : 0.5;
        } else if (m.Tile >= 5 && m.Tile <= 13) {
            enlarge = 3;
            shiftX = 1 - (m.Tile - 5) % 3;
            shiftY = (m.Tile - 5) / 3 - 1;
        }
        const double k = w * enlarge * m.Scale;
        a = {(shiftX + 0.5) * w, k, 0, halfHeight - w * shiftY * (h / w), 0, -k};
        return true;
    }
    default:
        return false;
    }
}

}  // namespace

bool InvertAffine(const TAffine& A, TAffine& Inverse)
{
    const double det = A[1] * A[5] - A[2] * A[4];
    if (!std::isfinite(det) || det == 0)
        return false;
    Inverse[1] = A[5] / det;
    Inverse[2] = -A[2] / det;
    Inverse[4] = -A[4] / det;
    Inverse[5] = A[1] / det;
    Inverse[0] = -(Inverse[1] * A[0] + Inverse[2] * A[3]);
    Inverse[3] = -(Inverse[4] * A[0] + Inverse[5] * A[3]);
    for (double v : Inverse)
        if (!std::isfinite(v))
            return false;
    return true;
}

std::string ExactNumber(double Value)
{
    char text[40];
    const auto r = std::to_chars(text, text + sizeof text, Value);
    return std::string(text, r.ptr);
}

TProjStatement StateForProj(const TMapping& Mapping, TProjDefinition& Out)
{
    const TKindTraits& traits = TKindTraits::Of(Mapping.Kind);
    if (!traits.Forward || Mapping.Kind == pkLinearOrthographic)
        return TProjStatement::NoDefinition;
    TUnitPlane plane;
    if (Mapping.Width <= 0 || Mapping.Height <= 0 || !UnitPlane(Mapping, plane))
        return TProjStatement::Degenerate;
    const TAffine& u = plane.ToPixel;
    const double r = EarthRadiusMetres;
    const TAffine toPixel = {u[0] + Mapping.GetXOffset(), u[1] / r, u[2] / r,
                             u[3] - Mapping.GetYOffset(), u[4] / r, u[5] / r};
    // GDAL's pixel/line is the centre-named pixel plus a half.
    const TAffine toGdal = {toPixel[0] + PixelCentre, toPixel[1], toPixel[2],
                            toPixel[3] + PixelCentre, toPixel[4], toPixel[5]};
    TAffine geo{};
    if (!InvertAffine(toGdal, geo))
        return TProjStatement::Degenerate;
    for (double v : toPixel)
        if (!std::isfinite(v))
            return TProjStatement::Degenerate;
    const std::string earth =
        plane.Ellipsoid ? " +a=" + ExactNumber(r) + " +es=" + AngleText(EccentricitySquared) : " +R=" + ExactNumber(r);
    Out.Definition = plane.Projection + earth + " +units=m +no_defs";
    Out.MetresToPixel = toPixel;
    Out.GeoTransform = geo;
    return TProjStatement::Stated;
}

std::string TProjDefinition::PixelPipeline() const
{
    const TAffine& a = MetresToPixel;
    return "+proj=pipeline +step " + Definition + " +step +proj=affine +xoff=" + ExactNumber(a[0]) +
           " +s11=" + ExactNumber(a[1]) + " +s12=" + ExactNumber(a[2]) + " +yoff=" + ExactNumber(a[3]) +
           " +s21=" + ExactNumber(a[4]) + " +s22=" + ExactNumber(a[5]);
}
