#include "map/Help.h"

#include "map/Commands.h"
#include "map/Options.h"

#include <string_view>

namespace MapTool {

namespace {

// Text as the entries of a list of --help: the first line after Head padded
// to Column, the others indented to that column.
std::string Entry(const std::string& Head, size_t Column, std::string_view Text)
{
    const std::string indent(Column, ' ');
    std::string out = Head.size() < Column ? Head + std::string(Column - Head.size(), ' ') : Head + "\n" + indent;
    for (size_t start = 0;;) {
        const size_t end = std::min(Text.find('\n', start), Text.size());
        out += std::string(Text.substr(start, end - start)) + "\n";
        if (end == Text.size())
            return out;
        out += indent;
        start = end + 1;
    }
}

std::string Commands()
{
    std::string out;
    for (const TCommandSpec& c : CommandTable())
        out += Entry("  " + std::string(c.Name) + (*c.Operands ? " " : "") + c.Operands, 9, c.Help);
    return out;
}

std::string Options(THelpSection Section, size_t Column)
{
    std::string out;
    for (const TOptionSpec& o : OptionTable())
        if (o.Section == Section)
            out += Entry("  " + std::string(o.Name) + (o.IsFlag() ? "" : " " + std::string(o.Value)), Column, o.Help);
    return out;
}

}  // namespace

std::string HelpText()
{
    return "Usage: lagwatch-map [PARAMETERS] fwd|fwdf|inv [--decimals N] [FILE...]\n"
           "       lagwatch-map [PARAMETERS] grid IN OUT [GRID OPTIONS]\n"
           "       lagwatch-map [PARAMETERS] proj\n"
           "       lagwatch-map [PARAMETERS] georef IMAGE [OUT] [--world-file]\n"
           "       lagwatch-map --list kinds|presets\n"
           "\n"
           "Commands:\n" +
           Commands() +
           "\n"
           "fwd, fwdf and inv read the FILEs in order; \"-\" or no FILE is standard input.\n"
           "Every input line gives exactly one output line:\n"
           "  - ok is 1 for a converted point; a point the projection refuses prints\n"
           "    \"* * 0\", and so does a line that does not parse, which is also reported\n"
           "    on standard error with its line number (the run goes on);\n"
           "  - columns after the two numbers are passed through unchanged;\n"
           "  - empty lines and lines beginning with # are copied as they are;\n"
           "  - a line that ends in CR LF keeps that ending.\n"
           "Fields are separated by blanks or tabs. Longitudes and latitudes are\n"
           "single-precision numbers (so 1e-50 is 0), pixels 32-bit integers.\n"
           "\n"
           "Parameters (a preset, a kind with its parameters, or a preset followed by\n"
           "changes; each at most once):\n" +
           Options(THelpSection::Parameters, 23) +
           "The parameters are applied in this fixed order whatever their order on the\n"
           "command line: kind, height, width, tile, rotation, lon-span, lat-span,\n"
           "centre-lon, centre-lat, std-parallel1, std-parallel2, x-offset, y-offset.\n"
           "Setting the centre latitude resets both standard parallels to its absolute value.\n"
           "\"--list kinds\" shows the kinds with the parameters each uses, \"--list presets\"\n"
           "the presets with their values.\n"
           "\n"
           "Grid options:\n" +
           Options(THelpSection::Grid, 29) +
           "\n"
           "Options are written \"--option value\" or \"--option=value\" and may stand\n"
           "anywhere on the line; \"--\" ends them. --help and --version answer wherever\n"
           "they stand.\n"
           "\n"
           "Exit status: 0 on success (also when lines were reported or points refused),\n"
           "1 when a file or an image could not be read or written (or proj has no\n"
           "definition to print), 2 on a usage error (reported before any input is read;\n"
           "for georef also a kind that converts nothing or an image of another size).\n";
}

}  // namespace MapTool
