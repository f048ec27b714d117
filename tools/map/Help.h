#pragma once
#include <string>

namespace MapTool {

// The --help text; its commands and options come from their tables.
std::string HelpText();

}  // namespace MapTool
