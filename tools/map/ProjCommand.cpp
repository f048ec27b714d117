#include "map/ProjCommand.h"

#include "map/Report.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace MapTool {

std::string NoStatementReason(TProjStatement Statement, const std::string& KindName)
{
    if (Statement == TProjStatement::NoDefinition)
        return "kind " + KindName + " has no PROJ definition";
    return "kind " + KindName +
           " has no image plane with these parameters (a zero span, size or scale, or standard parallels "
           "that give no cone)";
}

int RunProjCommand(const TMapping& Mapping, const std::string& KindName)
{
    TProjDefinition d;
    const TProjStatement statement = StateForProj(Mapping, d);
    if (statement != TProjStatement::Stated)
        return Report(TReport::Error, NoStatementReason(statement, KindName));
    std::string geo;
    for (double v : d.GeoTransform)
        geo += (geo.empty() ? "" : " ") + ExactNumber(v);
    std::printf("definition: %s\ngeotransform: %s\nsize: %d %d\npixels: %s\n", d.Definition.c_str(), geo.c_str(),
                Mapping.Width, Mapping.Height, d.PixelPipeline().c_str());
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return Report(TReport::Error, "cannot write standard output: " + std::string(std::strerror(errno)));
    return 0;
}

}  // namespace MapTool
