#pragma once
// The grid command: the latitude/longitude grid of a mapping drawn over an
// image, or over a blank one of the mapping's size.
#include "map/CommandLine.h"
#include "map/ImageInput.h"
#include "mapping/ormMapping.h"

#include <cstdint>
#include <string>

namespace MapTool {

// Why the grid cannot be drawn over input with this mapping (a blank image of
// no size, or too large to allocate); empty: it can.
std::string GridRefusal(const TMapping& mapping, const std::string& input);

// Draws the grid over input ("-": a black image) and writes output; the exit status.
int RunGridCommand(const TMapping& source, const std::string& input, const std::string& output,
                   const TGridOptions& options, const char* program);

}  // namespace MapTool
