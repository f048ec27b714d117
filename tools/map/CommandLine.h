#pragma once
// The command line: options in any place, "--option value" or
// "--option=value", each at most once, every value checked as it is read.
#include "mapping/GridCanvas.h"
#include "mapping/Presets.h"
#include "mapping/ormMapping.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace MapTool {

enum class TOption {
    Preset,
    Kind,
    Height,
    Width,
    Tile,
    Rotation,
    LonSpan,
    LatSpan,
    CentreLon,
    CentreLat,
    StdParallel1,
    StdParallel2,
    XOffset,
    YOffset,
    LonStep,
    LatStep,
    LineColour,
    TextColour,
    HaloColour,
    SpecialParallels,
    NoLabels,
    Decimals,
    WorldFile,
    List,
};

inline bool IsMappingOption(TOption o) { return o <= TOption::YOffset; }
inline bool IsGridOption(TOption o) { return o >= TOption::LonStep && o <= TOption::NoLabels; }
// Options that take no value.
inline bool IsFlag(TOption o) { return o == TOption::NoLabels || o == TOption::WorldFile; }
const char* OptionName(TOption o);

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
    std::vector<TOption> Given;  // in the order given
    bool Has(TOption o) const { return std::find(Given.begin(), Given.end(), o) != Given.end(); }
};

// false with a message in error.
bool ParseCommandLine(int argc, char** argv, TCommandLine& cl, std::string& error);
void ApplyParameters(const TParameters& p, TMapping& mapping);
// Reports message on standard error; the exit status of a usage error.
int UsageError(const std::string& message);

}  // namespace MapTool
