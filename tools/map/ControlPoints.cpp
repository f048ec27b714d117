#include "map/ControlPoints.h"

#include "mapping/ProjDefinition.h"

#include <algorithm>
#include <cmath>

namespace MapTool {

namespace {

struct TBox
{
    double West, East, South, North;
};

struct TLattice
{
    std::vector<TControlPoint> Points;
    int OnImage = 0;
    TBox Covered{1e9, -1e9, 1e9, -1e9};  // of the points on the image
};

// The lattice points of spacing step inside box, projected.
TLattice Project(const TMapping& m, const TBox& box, double step)
{
    TLattice lattice;
    const double marginX = m.Width / 10.0, marginY = m.Height / 10.0;
    const double firstLon = std::ceil(box.West / step), lastLon = std::floor(box.East / step);
    const double firstLat = std::ceil(box.South / step), lastLat = std::floor(box.North / step);
    for (double i = firstLat; i <= lastLat; ++i)
        for (double j = firstLon; j <= lastLon; ++j) {
            const double lon = j * step, lat = i * step;
            float x = 0, y = 0;
            if (!m.LonLatToXYF(static_cast<float>(lon), static_cast<float>(lat), x, y))
                continue;
            const double pixel = x + PixelCentre, line = y + PixelCentre;
            if (pixel < -marginX || pixel > m.Width + marginX || line < -marginY || line > m.Height + marginY)
                continue;
            lattice.Points.push_back({pixel, line, lon, lat});
            if (pixel < 0 || pixel > m.Width || line < 0 || line > m.Height)
                continue;
            ++lattice.OnImage;
            TBox& c = lattice.Covered;
            c = {std::min(c.West, lon), std::max(c.East, lon), std::min(c.South, lat), std::max(c.North, lat)};
        }
    return lattice;
}

}  // namespace

std::vector<TControlPoint> LatticeControlPoints(const TMapping& Mapping)
{
    // Nothing beyond a quarter turn of longitude from the centre is visible.
    const double centre = Mapping.CentreLon;
    TBox box{centre - 90, centre + 90, -90, 90};
    TLattice best;
    // Halving the spacing until the image holds enough points; each round
    // looks only around what the last one found on the image.
    for (double step = 8; step >= 1.0 / 4096; step /= 2) {
        TLattice lattice = Project(Mapping, box, step);
        if (lattice.OnImage > best.OnImage)
            best = lattice;
        if (best.OnImage >= ControlPointsOnImage)
            break;
        if (lattice.OnImage > 0) {
            const TBox& c = lattice.Covered;
            box = {c.West - step, c.East + step, c.South - step, c.North + step};
        }
    }
    if (best.OnImage == 0)
        return {};
    return best.Points;
}

}  // namespace MapTool
