#pragma once
// The files through which GDAL (and the GIS programs built on it) open an
// image in place: a VRT that wraps the image with its spatial reference and
// geotransform or its control points, and for the image alone a world file
// with an .aux.xml sidecar.
#include "map/ControlPoints.h"
#include "map/RasterLayout.h"
#include "mapping/ProjDefinition.h"

#include <QByteArray>

#include <string>
#include <vector>

namespace MapTool {

// Where the pixels lie: a PROJ statement, or control points in WGS 84.
struct TPlacement
{
    const TProjDefinition* Definition = nullptr;
    std::vector<TControlPoint> ControlPoints;
};

// source is the image's name as the VRT names it: relative to the VRT's
// folder when relative is true.
QByteArray VrtFile(const TPlacement& placement, int width, int height, const TRasterLayout& layout,
                   const std::string& source, bool relative);
QByteArray AuxFile(const TProjDefinition& definition);
// The six lines of a world file: the pixel's size and turn, then the centre of
// the top-left pixel.
QByteArray WorldFile(const TProjDefinition& definition);
// The world file's name beside the image: .pgw for PNG, .jgw for JPEG, .bpw
// for BMP, else .wld, in place of the image's extension.
std::string WorldFileName(const std::string& image);

}  // namespace MapTool
