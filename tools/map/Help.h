#pragma once
#include <string>

namespace MapTool {

// The --help text; what it says of kinds comes from their table.
std::string HelpText();

}  // namespace MapTool
