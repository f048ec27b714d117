#pragma once
// Numeric helpers shared by the projection families. Floating-point failures
// are explicit tests here: there are no traps, so every step that could give
// NaN or infinity is checked where it happens.
#include <cmath>
#include <cstdint>
#include <limits>

namespace Projection {

constexpr double Pi = 3.14159265358979323846;
constexpr double DegToRad = 0.017453292519943295769;
constexpr double RadToDeg = 57.295779513082320877;
constexpr double PiOver3 = 1.0471975511965977461;

// The Earth of every kind: the ellipsoid's squared eccentricity, in single
// precision as the images were always made, and the radius of the sphere that
// distances are measured on.
constexpr float EccentricitySquared = 0.006694318f;
constexpr double EarthRadiusKm = 6378.135;

inline bool Finite(double v) { return std::isfinite(v); }
inline bool Finite(double a, double b) { return std::isfinite(a) && std::isfinite(b); }

// Stores v into a single-precision variable; false (nothing written) when v
// or its float form is not finite (the float store overflowed).
inline bool StoreSingle(float& target, double v)
{
    if (!std::isfinite(v))
        return false;
    const float f = static_cast<float>(v);
    if (!std::isfinite(f))
        return false;
    target = f;
    return true;
}

// Nearest integer, halves to even; false when not finite or beyond 32 bits.
inline bool NearestInt(double v, int32_t& out)
{
    const double r = std::nearbyint(v);
    if (!(r >= -2147483648.0 && r <= 2147483647.0))
        return false;
    out = static_cast<int32_t>(r);
    return true;
}

// Clamps a whole number into 32 bits (NaN gives 0).
inline int32_t ClampWholeToInt(double r)
{
    if (std::isnan(r))
        return 0;
    if (r <= -2147483648.0)
        return std::numeric_limits<int32_t>::min();
    if (r >= 2147483647.0)
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(r);
}

// Nearest (halves to even) or truncated, clamped into 32 bits: for values that
// are whole numbers in practice, such as the stored pixel offsets, and for the
// grid's ranges.
inline int32_t NearestIntClamped(double v) { return ClampWholeToInt(std::nearbyint(v)); }
inline int32_t TruncIntClamped(double v) { return ClampWholeToInt(std::trunc(v)); }

// Forward wrap: brings d into [-180, 180] exactly as "add 360 while below
// -180, subtract 360 while above 180" would, but in constant time.
inline bool WrapDelta(double d, double& out)
{
    if (!std::isfinite(d))
        return false;
    if (d < -180.0 || d > 180.0)
    {
        d = std::fmod(d, 360.0);
        if (d > 180.0)
            d -= 360.0;
        else if (d < -180.0)
            d += 360.0;
    }
    out = d;
    return true;
}

// Inverse wrap into [-180, 180): subtract 360 while >= 180, add 360 while < -180.
inline bool WrapLon(double d, double& out)
{
    if (!std::isfinite(d))
        return false;
    if (d < -180.0 || d >= 180.0)
    {
        d = std::fmod(d, 360.0);
        if (d >= 180.0)
            d -= 360.0;
        else if (d < -180.0)
            d += 360.0;
    }
    out = d;
    return true;
}

// Adds an offset with two's-complement wrap-around: a refused conversion only
// shifts whatever the caller's variable held, and that must never be undefined.
inline int32_t ShiftWrapping(int32_t v, int32_t offset)
{
    return static_cast<int32_t>(static_cast<uint32_t>(v) + static_cast<uint32_t>(offset));
}

}  // namespace Projection
