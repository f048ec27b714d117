#include "mapping/ProjDefinition.h"

#include "mapping/ProjectionKinds.h"
#include "mapping/ProjectionMath.h"

#include <charconv>
#include <cmath>

using namespace Projection;

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
    const TStateProjPlane statePlane = TKindTraits::Of(Mapping.Kind).ProjPlane;
    if (!statePlane)
        return TProjStatement::NoDefinition;
    TProjPlane plane;
    if (Mapping.Width <= 0 || Mapping.Height <= 0 || !statePlane(Mapping, plane))
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
    const std::string earth = plane.Ellipsoid ? " +a=" + ExactNumber(r) + " +es=" + ShortestText(EccentricitySquared)
                                              : " +R=" + ExactNumber(r);
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
