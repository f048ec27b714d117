#pragma once
// The proj command: the mapping's PROJ definition and the image's
// geotransform, for GIS tools and for PROJ's own programs.
#include "mapping/ProjDefinition.h"

#include <string>

namespace MapTool {

// Why a mapping has no PROJ statement, as a message.
std::string NoStatementReason(TProjStatement Statement, const std::string& KindName);

// Prints the statement on standard output; the exit status (1 without one).
int RunProjCommand(const TMapping& Mapping, const std::string& KindName);

}  // namespace MapTool
