#include "map/CommandLine.h"

#include <algorithm>

namespace MapTool {

bool ParseCommandLine(int argc, char** argv, TCommandLine& cl, std::string& error)
{
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool positional = optionsEnded || arg == "-" || arg.empty() || arg.front() != '-';
        if (positional) {
            if (cl.Command.empty())
                cl.Command = arg;
            else
                cl.Operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const TOptionSpec* option = FindOption(name);
        if (!option) {
            error = "unknown option " + name;
            return false;
        }
        if (std::find(cl.Given.begin(), cl.Given.end(), option) != cl.Given.end()) {
            error = name + " is given twice";
            return false;
        }
        cl.Given.push_back(option);
        std::string value;
        if (option->IsFlag()) {
            if (equals != std::string::npos) {
                error = name + " takes no value";
                return false;
            }
        } else if (equals != std::string::npos)
            value = arg.substr(equals + 1);
        else if (i + 1 < argc)
            value = argv[++i];
        else {
            error = "missing value after " + name;
            return false;
        }
        TValueText text{name, value, error};
        if (!option->Take(text, cl))
            return false;
    }
    return true;
}

void ApplyParameters(const TParameters& p, TMapping& mapping)
{
    if (p.Preset)
        BuildPresetMapping(*p.Preset, mapping);
    // The order of AssignFrom, so a mapping described on the command line gets
    // the same derived constants as one copied in a program.
    if (p.Kind)
        mapping.SetKind(static_cast<uint8_t>(*p.Kind));
    if (p.Height)
        mapping.SetHeight(*p.Height);
    if (p.Width)
        mapping.SetWidth(*p.Width);
    if (p.Tile)
        mapping.Tile = static_cast<uint8_t>(*p.Tile);
    if (p.Rotation)
        mapping.Rotation = *p.Rotation;
    if (p.LonSpan)
        mapping.SetLonSpan(*p.LonSpan);
    if (p.LatSpan)
        mapping.SetLatSpan(*p.LatSpan);
    if (p.CentreLon)
        mapping.SetCentreLon(*p.CentreLon);
    if (p.CentreLat)
        mapping.SetCentreLat(*p.CentreLat);
    if (p.StdParallel1)
        mapping.SetStdParallel1(*p.StdParallel1);
    if (p.StdParallel2)
        mapping.SetStdParallel2(*p.StdParallel2);
    if (p.XOffset)
        mapping.SetXOffset(*p.XOffset);
    if (p.YOffset)
        mapping.SetYOffset(*p.YOffset);
}

}  // namespace MapTool
