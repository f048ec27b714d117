#pragma once
// The options, each stated once in one table: its name, the grammar of its
// value, its help and the commands that accept it. Parsing, --help, the
// command/option checks and --list kinds are all read from the table.
#include "mapping/ormMapping.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace MapTool {

struct TCommandLine;

// The commands as bits of the set of commands an option belongs to, in the
// order of the command table (Commands.h).
using TCommandSet = uint8_t;
enum : TCommandSet {
    cbFwd = 1u << 0,
    cbFwdf = 1u << 1,
    cbInv = 1u << 2,
    cbGrid = 1u << 3,
    cbProj = 1u << 4,
    cbGeoref = 1u << 5,
    cbEvery = (1u << 6) - 1,
};

// Where --help describes an option.
enum class THelpSection : uint8_t {
    Parameters,  // the mapping's parameters
    Grid,        // the grid options
    Commands,    // the usage and the text of the commands it belongs to
};

// One option's value as given, read by the option's grammar into its place;
// false with the reason in Error.
struct TValueText
{
    const std::string& Name;
    const std::string& Text;
    std::string& Error;

    bool Bad(const std::string& Why);
    bool Integer(std::optional<int32_t>& Target);
    bool Real(std::optional<float>& Target);
    bool Step(int32_t& Target);
    bool Colour(TColor& Target);
};

struct TOptionSpec
{
    const char* Name;
    // The value's name in --help; nullptr: a flag, which takes no value.
    const char* Value;
    // In --help, lines after the first indented to the first's column; empty
    // for an option of THelpSection::Commands.
    std::string Help;
    THelpSection Section;
    // The commands that accept it; none: it stands alone, without a command.
    TCommandSet Commands;
    // Stores the value (for a flag: that it was given); false with a message.
    bool (*Take)(TValueText& Value, TCommandLine& Line);
    // The mapping parameter it sets (a TKindParameter) and that parameter's
    // value in a mapping, for --list; 0: none.
    uint16_t Sets = 0;
    std::string (*Current)(const TMapping& Mapping) = nullptr;

    bool IsFlag() const { return Value == nullptr; }
};

// In the order --help lists them; the parameters in the order they apply.
const std::vector<TOptionSpec>& OptionTable();
// The option named exactly Name; nullptr: none.
const TOptionSpec* FindOption(const std::string& Name);

}  // namespace MapTool
