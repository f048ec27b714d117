// Van der Grinten (pkVanDerGrinten): the whole world in a circle of radius
// VdgRadius, optionally enlarged to one quarter or ninth of it (Tile).
#include "mapping/ProjPlane.h"
#include "mapping/ProjectionKinds.h"
#include "mapping/ProjectionMath.h"
#include "mapping/ormMapping.h"

#include <algorithm>

using namespace Projection;

// The scale is fixed, whatever the spans: the world's circle has the radius
// pi times the scale, in width units.
void TMapping::SetUpVanDerGrinten()
{
    Scale = TKindTraits::Of(Kind).DefaultScale;
    VdgRadius = static_cast<float>(Pi * Scale);
    InvVdgRadius = static_cast<float>(1.0 / VdgRadius);
}

namespace {

// A sub-image (Tile): the map enlarged twice or three times, of which the
// image shows one quarter (tiles 1..4) or ninth (5..13), row by row; any other
// tile shows the whole map.
struct TVdgTile
{
    int Enlarge = 1;
    int Column = 0, Row = 0;
    // The middle column's and row's index, which the enlarged map is centred on.
    double Middle() const { return (Enlarge - 1) / 2.0; }
};

TVdgTile VdgTile(uint8_t Tile)
{
    if (Tile >= 1 && Tile <= 4)
        return {2, (Tile - 1) % 2, (Tile - 1) / 2};
    if (Tile >= 5 && Tile <= 13)
        return {3, (Tile - 5) % 3, (Tile - 5) / 3};
    return {};
}

}  // namespace

// X and Y in widths (a row is Height / Width of them), from the whole map to
// the image and back.
void TMapping::TileToImage(float& X, float& Y) const
{
    const TVdgTile t = VdgTile(Tile);
    if (t.Enlarge == 1)
        return;
    const double r = static_cast<double>(Height) / Width, middle = t.Middle();
    const double x = X, y = Y;
    X = static_cast<float>(t.Enlarge * x + middle - t.Column);
    Y = static_cast<float>(t.Enlarge * y + (t.Row - middle) * r);
}

void TMapping::ImageToTile(float& X, float& Y) const
{
    const TVdgTile t = VdgTile(Tile);
    if (t.Enlarge == 1)
        return;
    const double r = static_cast<double>(Height) / Width, middle = t.Middle();
    const double x = X, y = Y;
    X = static_cast<float>((x - middle + t.Column) / t.Enlarge);
    Y = static_cast<float>((y - (t.Row - middle) * r) / t.Enlarge);
}

TMapping::TOutcome TMapping::ForwardVanDerGrinten(float Lon, float Lat, double& PX, double& PY) const
{
    double delta = 0;
    if (!WrapDelta(static_cast<double>(Lon) - CentreLon, delta))
        return TOutcome::Refused;
    const double A = std::fabs(static_cast<double>(Lat));
    const double sLat = Lat >= 0 ? 1.0 : -1.0;
    const double sLon = delta >= 0 ? 1.0 : -1.0;
    double X = 0, Y = 0;
    if (A > 89.999)
        Y = sLat * Pi * std::fabs(Scale);
    else if (std::fabs(delta) < 1e-4) {
        const double theta = std::asin(2 * A / 180);
        Y = sLat * std::fabs(Scale) * Pi * std::tan(theta / 2);
    } else if (A < 1e-4)
        X = delta * Pi / 180 * Scale;
    else {
        const double theta = std::asin(2 * A / 180);
        const double a = 0.5 * std::fabs(180 / delta - delta / 180);
        const double G = std::cos(theta) / (std::sin(theta) + std::cos(theta) - 1);
        const double P = G * (2 / std::sin(theta) - 1);
        const double Q = a * a + G;
        const double D = P * P + a * a;
        const double r1 = a * a * (G - P * P) * (G - P * P) - D * (G * G - P * P);
        const double r2 = (a * a + 1) * D - Q * Q;
        if (!(r1 >= 0 && r2 >= 0))
            return TOutcome::Refused;
        X = (a * (G - P * P) + std::sqrt(r1)) / D;
        Y = (P * Q - a * std::sqrt(r2)) / D;
        X = sLon * std::fabs(VdgRadius) * X;
        Y = sLat * std::fabs(VdgRadius) * Y;
    }
    float fx = 0, fy = 0;
    if (!StoreSingle(fx, X) || !StoreSingle(fy, Y))
        return TOutcome::Refused;
    TileToImage(fx, fy);
    WidthPixel(fx, fy, PX, PY);
    return TOutcome::Accepted;
}

bool TMapping::InverseVanDerGrinten(int32_t X, int32_t Y, double& Lon, double& Lat) const
{
    double xd = 0, yd = 0;
    WidthForm(X, Y, false, xd, yd);
    float xw = static_cast<float>(xd), yw = static_cast<float>(yd);
    ImageToTile(xw, yw);
    const double x = InvVdgRadius * static_cast<double>(xw);
    const double y = InvVdgRadius * static_cast<double>(yw);
    if (!Finite(x, y))
        return false;
    if (x == 0 && y == 0) {
        // The formula is 0/0 at the very centre of the map.
        Lon = CentreLon;
        Lat = 0;
        return true;
    }
    const double S = x * x + y * y;
    const double c1 = -std::fabs(y) * (1 + S);
    const double c2 = c1 - 2 * y * y + x * x;
    const double c3 = -2 * c1 + 1 + 2 * y * y + S * S;
    const double d = y * y / c3 + (2 * std::pow(c2 / c3, 3) - 9 * c1 * c2 / (c3 * c3)) / 27;
    const double a1 = (c1 - c2 * c2 / (3 * c3)) / c3;
    if (!(-a1 / 3 >= 0))
        return false;
    const double m1 = 2 * std::sqrt(-a1 / 3);
    double c = 3 * d / (a1 * m1);
    if (!Finite(c))
        return false;
    // On the equator row the argument is -1 exactly in theory; rounding must
    // not push it out of the arccosine's domain.
    if (std::fabs(std::fabs(c) - 1) <= 1e-9)
        c = std::clamp(c, -1.0, 1.0);
    if (!(c >= -1.0 && c <= 1.0))
        return false;
    const double theta1 = std::acos(c) / 3;
    const double v = -m1 * std::cos(theta1 + Pi / 3) - c2 / (3 * c3);
    Lat = y >= 0 ? 180 * v : -180 * v;
    double lon = CentreLon;
    if (x != 0) {
        const double r = 1 + 2 * (x * x - y * y) + S * S;
        if (!(r >= 0))
            return false;
        lon += 90 * (S - 1 + std::sqrt(r)) / x;
    }
    Lon = lon;
    return Finite(Lon, Lat);
}

bool ProjVanDerGrinten(const TMapping& m, TProjPlane& Plane)
{
    Plane.Projection = "+proj=vandg" + ProjCentreLon(m);
    // The sub-image: the whole map enlarged, shifted by whole tiles (TileToImage).
    const TVdgTile t = VdgTile(m.Tile);
    const double w = m.Width, h = m.Height, halfHeight = m.HalfHeight;
    const double shiftX = t.Middle() - t.Column, shiftY = t.Row - t.Middle();
    const double k = w * t.Enlarge * m.Scale;
    Plane.ToPixel = {(shiftX + 0.5) * w, k, 0, halfHeight - w * shiftY * (h / w), 0, -k};
    return true;
}
