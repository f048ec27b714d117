#pragma once
// The grid command: the latitude/longitude grid of a mapping drawn over an
// image, or over a blank one of the mapping's size.
#include "CommandLine.h"
#include "mapping/ormMapping.h"

#include <cstdint>
#include <string>

namespace MapTool {

// A blank image, and the largest image read, may take this much memory.
inline constexpr int64_t ImageByteLimit = int64_t(1) << 30;

// Draws the grid over input ("-": a black image) and writes output; the exit status.
int RunGridCommand(const TMapping& source, const std::string& input, const std::string& output,
                   const TGridOptions& options, const char* program);

}  // namespace MapTool
