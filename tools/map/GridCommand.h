#pragma once
// The grid command: the latitude/longitude grid of a mapping drawn over an
// image, or over a blank one of the mapping's size.
#include "CommandLine.h"
#include "ImageInput.h"
#include "mapping/ormMapping.h"

#include <cstdint>
#include <string>

namespace MapTool {

// Draws the grid over input ("-": a black image) and writes output; the exit status.
int RunGridCommand(const TMapping& source, const std::string& input, const std::string& output,
                   const TGridOptions& options, const char* program);

}  // namespace MapTool
