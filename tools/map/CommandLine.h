#pragma once
// The command line: options in any place, "--option value" or
// "--option=value", each at most once, every value checked as it is read by
// the grammar the option table gives it.
#include "map/Options.h"
#include "mapping/GridCanvas.h"
#include "mapping/Presets.h"
#include "mapping/ormMapping.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace MapTool {

struct TParameters
{
    std::optional<TPresetMapping> Preset;
    std::optional<int32_t> Kind, Height, Width, Tile, XOffset, YOffset;
    std::optional<float> Rotation, LonSpan, LatSpan, CentreLon, CentreLat, StdParallel1, StdParallel2;
};

struct TGridOptions
{
    int32_t LonStep = 10, LatStep = 10;
    TColor LineColour = 0x00FFFF, TextColour = 0xFFFFFF, HaloColour = 0;
    uint8_t Special = 0;
    bool NoLabels = false;
};

struct TCommandLine
{
    TParameters Mapping;
    TGridOptions Grid;
    std::optional<std::string> List;
    // Decimals of fwdf and inv, as cct -d; unset: 3 and 6.
    std::optional<int32_t> Decimals;
    // georef also writes the image's world file and .aux.xml.
    bool WorldFile = false;
    std::string Command;
    std::vector<std::string> Operands;
    std::vector<const TOptionSpec*> Given;  // in the order given
};

// false with a message in error.
bool ParseCommandLine(int argc, char** argv, TCommandLine& cl, std::string& error);
void ApplyParameters(const TParameters& p, TMapping& mapping);

}  // namespace MapTool
