#include "map/Main.h"

#include "map/CommandLine.h"
#include "map/Commands.h"
#include "map/Help.h"
#include "map/Kinds.h"
#include "map/Report.h"
#include "map/Text.h"
#include "platform/DegreeSign.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace MapTool {

namespace {

// --help and --version answer wherever they stand before "--", whatever else the line holds.
std::optional<int> AnswerAtOnce(int argc, char** argv)
{
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
    return std::nullopt;
}

// The command of cl, its options and its operands as the tables allow them;
// the usage error otherwise.
std::string CheckCommand(const TCommandLine& cl, const TCommandSpec*& command)
{
    const std::string every = "(" + CommandNames(cbEvery, " or ") + ")";
    if (cl.Command.empty())
        return "no command given " + every;
    command = FindCommand(cl.Command);
    if (!command)
        return "unknown command " + Quoted(cl.Command) + " " + every;
    for (const TOptionSpec* o : cl.Given)
        if (!(o->Commands & command->Bit))
            return std::string(o->Name) + " is an option of " + CommandNames(o->Commands, " and ") + ", not of " +
                   command->Name;
    const auto isParameter = [](const TOptionSpec* o) { return o->Section == THelpSection::Parameters; };
    if (std::none_of(cl.Given.begin(), cl.Given.end(), isParameter))
        return "no parameters given: name a --preset, or a --kind with its parameters "
               "(see --list presets and --list kinds)";
    if (!cl.Mapping.Preset && !cl.Mapping.Kind)
        return "no --kind or --preset given";
    if (cl.Operands.size() < command->MinOperands)
        return std::string(command->Name) + " needs " + command->Needs;
    if (cl.Operands.size() > command->MaxOperands)
        return "unexpected argument " + Quoted(cl.Operands[command->MaxOperands]);
    return {};
}

// A kind that converts needs an image to convert to.
std::string CheckMapping(const TMapping& mapping, const std::string& kindName)
{
    const uint16_t uses = Traits(mapping.Kind).Reads;
    if ((uses & kpWidth) && mapping.Width <= 0)
        return "kind " + kindName + " needs a positive --width, not " + std::to_string(mapping.Width);
    if ((uses & kpHeight) && mapping.Height <= 0)
        return "kind " + kindName + " needs a positive --height, not " + std::to_string(mapping.Height);
    return {};
}

}  // namespace

int Main(int argc, char** argv)
{
    InitDegreeSign();
    if (const std::optional<int> status = AnswerAtOnce(argc, argv))
        return *status;
    TCommandLine cl;
    std::string error;
    if (!ParseCommandLine(argc, argv, cl, error))
        return Report(TReport::Usage, error);
    if (cl.List) {
        if (!cl.Command.empty())
            return Report(TReport::Usage, "--list stands alone, without a command");
        return PrintList(*cl.List);
    }
    const TCommandSpec* command = nullptr;
    if (error = CheckCommand(cl, command); !error.empty())
        return Report(TReport::Usage, error);

    TMapping mapping;
    ApplyParameters(cl.Mapping, mapping);
    const TKindTraits& traits = Traits(mapping.Kind);
    const TRequest request{cl, mapping, std::to_string(mapping.Kind) + " (" + traits.Name + ")", argv[0]};
    if (error = CheckMapping(mapping, request.KindName); !error.empty())
        return Report(TReport::Usage, error);
    if (command->Refuses)
        if (error = command->Refuses(request); !error.empty())
            return Report(TReport::Usage, error);
    // A new mapping's centre has sine and cosine 0 until its latitude is set,
    // which flattens every projection centred on it.
    if (traits.NeedsCentreLat() && !cl.Mapping.Preset && !cl.Mapping.CentreLat)
        Report(TReport::Note, "no --centre-lat given; kind " + std::to_string(mapping.Kind) +
                                  " needs it (use --centre-lat 0 for the equator)");
    return command->Run(request);
}

}  // namespace MapTool
