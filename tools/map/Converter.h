#pragma once
// The conversion filter: one output line per input line, files in order.
#include "mapping/ormMapping.h"

#include <string>
#include <vector>

namespace MapTool {

enum class TConversion { Forward, ForwardF, Inverse };

// The decimals of fwdf and inv unless the user chose.
inline constexpr int PixelDecimals = 3, DegreeDecimals = 6;

// Converts the files in order ("-" or none: standard input) to standard
// output, real values with the decimals given; the exit status.
int RunConversions(const TMapping& mapping, TConversion conversion, int decimals,
                   const std::vector<std::string>& files);

}  // namespace MapTool
