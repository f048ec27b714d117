#pragma once
// The kinds and presets as the user names and lists them, all read from the
// mapping's table of kinds and its presets.
#include "mapping/ProjectionKinds.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace MapTool {

const TKindTraits& Traits(int Kind);
// The kinds that read Parameter, as "3, 4, 7".
std::string KindsReading(uint16_t Parameter);
// A kind by number or by name: the whole name, or a beginning that only one
// name has, in any letter case; false with a message in error.
bool ParseKind(std::string_view text, int32_t& kind, std::string& error);
// --list kinds or --list presets on standard output; the exit status.
int PrintList(const std::string& what);

}  // namespace MapTool
