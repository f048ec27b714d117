#include "mapping/ormMapping.h"

#include "mapping/ProjectionKinds.h"
#include "mapping/ProjectionMath.h"

#include <algorithm>
#include <cmath>

using namespace Projection;

// ---------------------------------------------------------------- parameters

void TMapping::SetKind(uint8_t Value)
{
    Kind = Value;
    const TKindTraits& kind = TKindTraits::Of(Kind);
    if (kind.GreenwichCentre)
        CentreLon = 0;
    if (kind.DefaultLonSpan != 0)
        LonSpan = kind.DefaultLonSpan;
    if (kind.DefaultScale != 0)
        Scale = kind.DefaultScale;
    Recalculate();
}

int32_t TMapping::GetHeight() const { return Height; }
int32_t TMapping::GetWidth() const { return Width; }
int32_t TMapping::GetMaxSize() const { return std::max(GetHeight(), GetWidth()); }
int32_t TMapping::GetXExtent() const { return GetWidth(); }

void TMapping::AssignFrom(const TMapping& Source)
{
    // Through the setters, so that defaults and recalculation happen in the
    // same sequence as when the source was built.
    SetKind(Source.Kind);
    SetHeight(Source.GetHeight());
    SetWidth(Source.GetWidth());
    Tile = Source.Tile;
    Rotation = Source.Rotation;
    SetLonSpan(Source.LonSpan);
    SetLatSpan(Source.LatSpan);
    SetCentreLon(Source.CentreLon);
    SetCentreLat(Source.CentreLat);
    SetStdParallel1(Source.StdParallel1);
    SetStdParallel2(Source.StdParallel2);
    SetXOffset(Source.GetXOffset());
    SetYOffset(Source.GetYOffset());
}

void TMapping::Assign(const TMapping& Source) { AssignFrom(Source); }

bool TMapping::HasProjection() const { return TKindTraits::Of(Kind).HasProjection; }

void TMapping::SetHeight(int32_t Value)
{
    Height = Value;
    if (Value != 0)
        InvHeight = static_cast<float>(1.0 / Value);
    Recalculate();
}

void TMapping::SetWidth(int32_t Value)
{
    Width = Value;
    if (Value != 0)
        InvWidth = static_cast<float>(1.0 / Value);
    Recalculate();
}

void TMapping::SetCentreLon(float Value)
{
    CentreLon = Value;
    Recalculate();
}

void TMapping::SetCentreLat(float Value)
{
    CentreLat = Value;
    // Polar and conic images take their hemisphere from the centre's sign.
    const TProjectionFamily family = TKindTraits::Of(Kind).Family;
    if ((family == TProjectionFamily::Polar || family == TProjectionFamily::Conic) && std::fabs(CentreLat) < 0.001f)
        CentreLat = CentreLat > 0 ? 0.001f : -0.001f;
    // Overwrites standard parallels set earlier: callers set them afterwards.
    StdParallel1 = StdParallel2 = std::fabs(CentreLat);
    SouthernHemisphere = CentreLat < 0;
    SinLat0 = static_cast<float>(std::sin(CentreLat * DegToRad));
    CosLat0 = static_cast<float>(std::cos(CentreLat * DegToRad));
    Recalculate();
}

void TMapping::SetLatSpan(float Value)
{
    LatSpan = Value;
    Recalculate();
}

void TMapping::SetLonSpan(float Value)
{
    LonSpan = Value;
    Recalculate();
}

void TMapping::SetStdParallel1(float Value)
{
    StdParallel1 = std::fabs(Value);
    Recalculate();
}

void TMapping::SetStdParallel2(float Value)
{
    StdParallel2 = std::fabs(Value);
    Recalculate();
}

void TMapping::SetXOffset(int32_t Value) { XOffset = static_cast<float>(Value); }
void TMapping::SetYOffset(int32_t Value) { YOffset = static_cast<float>(Value); }
int32_t TMapping::GetXOffset() const { return NearestIntClamped(XOffset); }
int32_t TMapping::GetYOffset() const { return NearestIntClamped(YOffset); }

// ---------------------------------------------------------------- Recalculate

void TMapping::Recalculate()
{
    if (TKindTraits::Of(Kind).Family != TProjectionFamily::GreatCircle && LatSpan > 180)
        LatSpan = 180;
    // The ellipsoid's and the cone's constants for every kind, as always:
    // they are public fields.
    SetUpCone();
    WestLon = static_cast<float>(CentreLon - 0.5 * LonSpan);
    SouthLat = static_cast<float>(CentreLat - 0.5 * LatSpan);
    HalfHeight = Height / 2;
    if (const TKindTraits::TSetUp setUp = TKindTraits::Of(Kind).SetUp)
        (this->*setUp)();
}

// Stored in single precision; what is computed from them is not.
void TMapping::SpanEdges(double& South, double& North) const
{
    South = static_cast<float>((CentreLat - LatSpan / 2.0) * DegToRad);
    North = static_cast<float>((CentreLat + LatSpan / 2.0) * DegToRad);
}

bool TMapping::FitSpanToHeight(double Extent)
{
    return LatSpan != 0 && Width != 0 && Height != 0 && Extent != 0 &&
           StoreSingle(Scale, (static_cast<double>(Height) * InvWidth) / Extent);
}

// ---------------------------------------------------------------- forward

namespace {

// Cosine of the angle between two points, seen from the Earth's centre.
double CosCentralAngle(float Lon1, float Lat1, float Lon2, float Lat2)
{
    return std::cos((static_cast<double>(Lon1) - Lon2) * DegToRad) * std::cos(Lat2 * DegToRad) *
               std::cos(Lat1 * DegToRad) +
           std::sin(Lat1 * DegToRad) * std::sin(Lat2 * DegToRad);
}

}  // namespace

bool GreatCircleDistance(float& Km, float Lon1, float Lat1, float Lon2, float Lat2)
{
    const double c = CosCentralAngle(Lon1, Lat1, Lon2, Lat2);
    if (!(c >= -1.0 && c <= 1.0))
        return false;
    return StoreSingle(Km, EarthRadiusKm * std::acos(c));
}

bool TMapping::BeyondDistance(float Lon, float Lat, double LimitKm) const
{
    float km = 0;
    if (!GreatCircleDistance(km, CentreLon, CentreLat, Lon, Lat))
    {
        // Only rounding next to the centre or its antipode gets here: take the
        // distance the clamped cosine gives, and refuse anything not finite.
        const double c = CosCentralAngle(CentreLon, CentreLat, Lon, Lat);
        if (!Finite(c))
            return true;
        km = static_cast<float>(EarthRadiusKm * std::acos(std::clamp(c, -1.0, 1.0)));
    }
    return km >= LimitKm;
}

void TMapping::WidthPixel(double X, double Y, double& PX, double& PY) const
{
    PX = (X + 0.5) * Width;
    PY = HalfHeight - Y * Width;
}

void TMapping::WidthForm(int32_t X, int32_t Y, bool WithYOffset, double& XW, double& YW) const
{
    XW = (X - static_cast<double>(XOffset)) * InvWidth - 0.5;
    YW = (HalfHeight - (Y + (WithYOffset ? static_cast<double>(YOffset) : 0.0))) * InvWidth;
}

TMapping::TRadius TMapping::CentreRadius(double XW, double YW, double& Rho, double& Lon, double& Lat) const
{
    Rho = std::hypot(XW, YW);
    if (!Finite(Rho))
        return TRadius::Refused;
    if (Rho < 1e-5)
    {
        Lon = CentreLon;
        Lat = CentreLat;
        return TRadius::AtCentre;
    }
    return TRadius::Away;
}

void TMapping::Rotate(double& X, double& Y) const
{
    if (Rotation == 0)
        return;
    const double theta = Rotation * DegToRad;
    const double c = std::cos(theta), s = std::sin(theta);
    const double x = c * X + s * Y;
    const double y = -s * X + c * Y;
    X = x;
    Y = y;
}

TMapping::TOutcome TMapping::ProjectToPixel(float Lon, float Lat, double& PX, double& PY) const
{
    // An infinite or NaN point has no position; refusing it also keeps the
    // longitude wrap from running forever.
    if (!std::isfinite(Lon) || !std::isfinite(Lat))
        return TOutcome::Refused;
    const TKindTraits::TForward forward = TKindTraits::Of(Kind).Forward;
    if (!forward)
        return TOutcome::Refused;
    const TOutcome outcome = (this->*forward)(Lon, Lat, PX, PY);
    if (outcome != TOutcome::Refused && !Finite(PX, PY))
        return TOutcome::Refused;
    return outcome;
}

bool TMapping::LonLatToXY(float Lon, float Lat, int32_t& X, int32_t& Y) const
{
    const int32_t xOffset = GetXOffset(), yOffset = GetYOffset();
    double px = 0, py = 0;
    const TOutcome outcome = ProjectToPixel(Lon, Lat, px, py);
    int32_t ix = 0, iy = 0;
    bool written = outcome != TOutcome::Refused && NearestInt(px, ix) && NearestInt(py, iy);
    bool accepted = written && outcome != TOutcome::RefusedAt;
    if (written && outcome == TOutcome::InsideImage)
        accepted = ix >= 0 && ix < Width && iy >= 0 && iy < Height;
    if (written)
    {
        const int64_t fx = static_cast<int64_t>(ix) + xOffset;
        const int64_t fy = static_cast<int64_t>(iy) - yOffset;
        if (fx >= INT32_MIN && fx <= INT32_MAX && fy >= INT32_MIN && fy <= INT32_MAX)
        {
            X = static_cast<int32_t>(fx);
            Y = static_cast<int32_t>(fy);
            return accepted;
        }
    }
    // Refused: the caller's variables are only shifted.
    X = ShiftWrapping(X, xOffset);
    Y = static_cast<int32_t>(static_cast<uint32_t>(Y) - static_cast<uint32_t>(yOffset));
    return false;
}

bool TMapping::LonLatToXYF(float Lon, float Lat, float& X, float& Y) const
{
    const double xOffset = GetXOffset(), yOffset = GetYOffset();
    double px = 0, py = 0;
    const TOutcome outcome = ProjectToPixel(Lon, Lat, px, py);
    float fx = 0, fy = 0;
    if (outcome != TOutcome::Refused && StoreSingle(fx, px) && StoreSingle(fy, py))
    {
        bool accepted = outcome != TOutcome::RefusedAt;
        if (outcome == TOutcome::InsideImage)
            accepted = fx >= 0 && fx < Width && fy >= 0 && fy < Height;
        float ox = 0, oy = 0;
        if (StoreSingle(ox, fx + xOffset) && StoreSingle(oy, fy - yOffset))
        {
            X = ox;
            Y = oy;
            return accepted;
        }
    }
    X = static_cast<float>(X + xOffset);
    Y = static_cast<float>(Y - yOffset);
    return false;
}

// ---------------------------------------------------------------- inverse

bool TMapping::XYToLonLat(int32_t X, int32_t Y, float& Lon, float& Lat) const
{
    if (Height == 0 || Width == 0)
        return false;
    const TKindTraits::TInverse inverse = TKindTraits::Of(Kind).Inverse;
    if (!inverse)
        return false;
    double lon = 0, lat = 0;
    const bool ok = (this->*inverse)(X, Y, lon, lat);
    float fLon = 0, fLat = 0;
    if (!ok || !StoreSingle(fLon, lon) || !StoreSingle(fLat, lat))
        return false;
    Lon = fLon;
    Lat = fLat;
    return true;
}
