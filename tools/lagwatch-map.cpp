// lagwatch-map: converts points between longitude/latitude and image pixels
// with a TMapping, as a filter that keeps its place beside PROJ's proj (one
// output line per input line), draws the grid of a mapping over an image, and
// states the mapping to PROJ and GDAL (its definition, a georeferenced image).
#include "map/CommandLine.h"
#include "map/Converter.h"
#include "map/GeorefCommand.h"
#include "map/GridCommand.h"
#include "map/Help.h"
#include "map/Kinds.h"
#include "map/ProjCommand.h"
#include "map/Text.h"
#include "platform/DegreeSign.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

using namespace MapTool;

namespace {
const char* const Commands = "fwd, fwdf, inv, grid, proj or georef";
}

int main(int argc, char** argv)
{
    InitDegreeSign();
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--")
            break;
        if (arg == "--help" || arg == "-h") {
            std::fputs(HelpText().c_str(), stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("lagwatch-map (Lagwatch) %s\n", LAGWATCH_VERSION);
            return 0;
        }
    }
    TCommandLine cl;
    std::string error;
    if (!ParseCommandLine(argc, argv, cl, error))
        return UsageError(error);
    if (cl.List) {
        if (!cl.Command.empty())
            return UsageError("--list stands alone, without a command");
        return PrintList(*cl.List);
    }
    const std::string& command = cl.Command;
    const bool grid = command == "grid", georef = command == "georef";
    const bool converts = command == "fwd" || command == "fwdf" || command == "inv";
    if (command.empty())
        return UsageError("no command given (" + std::string(Commands) + ")");
    if (!grid && !georef && !converts && command != "proj")
        return UsageError("unknown command " + Quoted(command) + " (" + Commands + ")");
    for (TOption o : cl.Given) {
        if (IsGridOption(o) && !grid)
            return UsageError(std::string(OptionName(o)) + " is an option of grid, not of " + command);
        if (o == TOption::Decimals && command != "fwdf" && command != "inv")
            return UsageError("--decimals is an option of fwdf and inv, not of " + command);
        if (o == TOption::WorldFile && !georef)
            return UsageError("--world-file is an option of georef, not of " + command);
    }
    if (std::none_of(cl.Given.begin(), cl.Given.end(), IsMappingOption))
        return UsageError("no parameters given: name a --preset, or a --kind with its parameters "
                          "(see --list presets and --list kinds)");
    const TParameters& p = cl.Mapping;
    if (!p.Preset && !p.Kind)
        return UsageError("no --kind or --preset given");
    if (grid && cl.Operands.size() < 2)
        return UsageError("grid needs IN and OUT");
    if (georef && cl.Operands.empty())
        return UsageError("georef needs IMAGE");
    if ((grid || georef) && cl.Operands.size() > 2)
        return UsageError("unexpected argument " + Quoted(cl.Operands[2]));
    if (command == "proj" && !cl.Operands.empty())
        return UsageError("unexpected argument " + Quoted(cl.Operands[0]));

    TMapping mapping;
    ApplyParameters(p, mapping);
    const int kind = mapping.Kind;
    const TKindTraits& traits = Traits(kind);
    const uint16_t uses = traits.Reads;
    const std::string kindName = std::to_string(kind) + " (" + traits.Name + ")";
    if ((uses & kpWidth) && mapping.Width <= 0)
        return UsageError("kind " + kindName + " needs a positive --width, not " + std::to_string(mapping.Width));
    if ((uses & kpHeight) && mapping.Height <= 0)
        return UsageError("kind " + kindName + " needs a positive --height, not " + std::to_string(mapping.Height));
    if (grid && cl.Operands[0] == "-") {
        if (mapping.Width <= 0 || mapping.Height <= 0)
            return UsageError("the mapping's size " + std::to_string(mapping.Width) + "x" +
                              std::to_string(mapping.Height) + " is no image size for \"-\"");
        // Counted in pixels: the largest sizes (2^31 - 1 squared) overflow 64 bits as bytes.
        const int64_t pixels = int64_t(mapping.Width) * mapping.Height;
        if (pixels > ImageByteLimit / 4)
            return UsageError("a blank image of " + std::to_string(mapping.Width) + "x" +
                              std::to_string(mapping.Height) + " pixels would take " + std::to_string(pixels >> 18) +
                              " MiB, more than the 1 GiB allowed");
    }
    // A new mapping's centre has sine and cosine 0 until its latitude is set,
    // which flattens every projection centred on it.
    if (traits.NeedsCentreLat() && !p.Preset && !p.CentreLat)
        std::fprintf(
            stderr,
            "lagwatch-map: note: no --centre-lat given; kind %d needs it (use --centre-lat 0 for the equator)\n", kind);
    if (command == "inv" && traits.Forward && !traits.HasInverse())
        std::fprintf(stderr, "lagwatch-map: note: kind %s has no inverse; every point is refused\n", kindName.c_str());
    if (grid)
        return RunGridCommand(mapping, cl.Operands[0], cl.Operands[1], cl.Grid, argv[0]);
    if (command == "proj")
        return RunProjCommand(mapping, kindName);
    if (georef) {
        TGeorefRequest request{cl.Operands[0], cl.Operands.size() > 1 ? cl.Operands[1] : cl.Operands[0] + ".vrt",
                               cl.WorldFile};
        return RunGeorefCommand(mapping, kindName, request, argv[0]);
    }
    const TCommand conversion = command == "fwd"    ? TCommand::Forward
                                : command == "fwdf" ? TCommand::ForwardF
                                                    : TCommand::Inverse;
    return RunConversions(mapping, conversion,
                          cl.Decimals.value_or(conversion == TCommand::Inverse ? DegreeDecimals : PixelDecimals),
                          cl.Operands);
}
