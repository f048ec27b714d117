// What the kinds' PROJ statements share: parameters as text, the centre, the
// zoomed cylinders' pixels.
#include "mapping/ProjPlane.h"

#include "mapping/ProjectionMath.h"

#include <charconv>

using namespace Projection;

std::string ShortestText(float Value)
{
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, Value);
    return std::string(text, r.ptr);
}

std::string ProjCentreLon(const TMapping& m) { return " +lon_0=" + ShortestText(m.CentreLon); }

std::string ProjCentre(const TMapping& m) { return " +lat_0=" + ShortestText(m.CentreLat) + ProjCentreLon(m); }

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
