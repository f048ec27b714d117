#pragma once
// The georef command: a VRT that opens an image of the mapping in place, and
// on request the image's world file and .aux.xml.
#include "mapping/ormMapping.h"

#include <string>

namespace MapTool {

struct TGeorefRequest
{
    std::string Image;
    std::string Vrt;
    bool WorldFile = false;
};

// Writes the files; the exit status (2 for a mapping that places nothing or an
// image of another size, 1 when a file cannot be read or written).
int RunGeorefCommand(const TMapping& Mapping, const std::string& KindName, const TGeorefRequest& Request,
                     const char* Program);

}  // namespace MapTool
