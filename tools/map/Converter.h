#pragma once
// The conversion filter: one output line per input line, files in order.
#include "mapping/ormMapping.h"

#include <string>
#include <vector>

namespace MapTool {

enum class TCommand { Forward, ForwardF, Inverse };

// Converts the files in order ("-" or none: standard input) to standard
// output; the exit status.
int RunConversions(const TMapping& mapping, TCommand command, const std::vector<std::string>& files);

}  // namespace MapTool
