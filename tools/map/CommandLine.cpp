#include "CommandLine.h"

#include "Kinds.h"
#include "Text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

namespace MapTool {

namespace {

struct TOptionName
{
    const char* Name;
    TOption Option;
};

const TOptionName OptionNames[] = {
    {"--preset", TOption::Preset},
    {"--kind", TOption::Kind},
    {"--height", TOption::Height},
    {"--width", TOption::Width},
    {"--tile", TOption::Tile},
    {"--rotation", TOption::Rotation},
    {"--lon-span", TOption::LonSpan},
    {"--lat-span", TOption::LatSpan},
    {"--centre-lon", TOption::CentreLon},
    {"--centre-lat", TOption::CentreLat},
    {"--std-parallel1", TOption::StdParallel1},
    {"--std-parallel2", TOption::StdParallel2},
    {"--x-offset", TOption::XOffset},
    {"--y-offset", TOption::YOffset},
    {"--lon-step", TOption::LonStep},
    {"--lat-step", TOption::LatStep},
    {"--line-colour", TOption::LineColour},
    {"--text-colour", TOption::TextColour},
    {"--halo-colour", TOption::HaloColour},
    {"--special-parallels", TOption::SpecialParallels},
    {"--no-labels", TOption::NoLabels},
    {"--decimals", TOption::Decimals},
    {"--world-file", TOption::WorldFile},
    {"--list", TOption::List},
};

bool ParseColour(std::string_view text, TColor& colour)
{
    if (!text.empty() && text.front() == '#')
        text.remove_prefix(1);
    if (text.size() != 6)
        return false;
    uint32_t rgb = 0;
    const auto r = std::from_chars(text.data(), text.data() + 6, rgb, 16);
    if (r.ec != std::errc() || r.ptr != text.data() + 6)
        return false;
    // RRGGBB on the command line, 0x00BBGGRR inside.
    colour = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
    return true;
}

bool ParseSpecialParallels(std::string_view value, uint8_t& special)
{
    size_t start = 0;
    for (;;) {
        const size_t comma = std::min(value.find(',', start), value.size());
        int32_t element = 0;
        if (!ParseInt(value.substr(start, comma - start), element) || element < 0 || element > 4)
            return false;
        special |= static_cast<uint8_t>(1u << element);
        if (comma == value.size())
            return true;
        start = comma + 1;
    }
}

// Stores one option's value; false with a message when it cannot be right.
bool TakeValue(TCommandLine& cl, TOption option, const std::string& name, const std::string& value, std::string& error)
{
    TParameters& p = cl.Mapping;
    int32_t iv = 0;
    float fv = 0;
    auto bad = [&](const std::string& why) {
        error = "bad value " + Quoted(value) + " for " + name + (why.empty() ? "" : ": " + why);
        return false;
    };
    auto integer = [&](std::optional<int32_t>& target) {
        if (!ParseInt(value, iv))
            return bad("not a whole number in 32 bits");
        target = iv;
        return true;
    };
    auto real = [&](std::optional<float>& target) {
        if (!ParseFloat(value, fv))
            return bad("not a number");
        if (!std::isfinite(fv))
            return bad("not a finite single-precision number");
        target = fv;
        return true;
    };
    auto step = [&](int32_t& target) {
        if (!ParseInt(value, target) || target < 1)
            return bad("a positive whole number of degrees is needed");
        return true;
    };
    auto colour = [&](TColor& target) { return ParseColour(value, target) || bad("RRGGBB in hexadecimal is needed"); };
    switch (option) {
    case TOption::Preset: {
        TPresetMapping preset{};
        if (!FindPresetMapping(QString::fromStdString(value), preset)) {
            error = "unknown preset " + Quoted(value) + " (see --list presets)";
            return false;
        }
        p.Preset = preset;
        return true;
    }
    case TOption::Kind:
        if (!ParseKind(value, iv, error))
            return false;
        p.Kind = iv;
        return true;
    case TOption::Height:
        return integer(p.Height);
    case TOption::Width:
        return integer(p.Width);
    case TOption::Tile:
        if (!integer(p.Tile))
            return false;
        if (*p.Tile < 0 || *p.Tile > 13) {
            error = "tile " + value + " does not exist (0..13)";
            return false;
        }
        return true;
    case TOption::Rotation:
        return real(p.Rotation);
    case TOption::LonSpan:
        return real(p.LonSpan);
    case TOption::LatSpan:
        return real(p.LatSpan);
    case TOption::CentreLon:
        return real(p.CentreLon);
    case TOption::CentreLat:
        return real(p.CentreLat);
    case TOption::StdParallel1:
        return real(p.StdParallel1);
    case TOption::StdParallel2:
        return real(p.StdParallel2);
    case TOption::XOffset:
        return integer(p.XOffset);
    case TOption::YOffset:
        return integer(p.YOffset);
    case TOption::LonStep:
        return step(cl.Grid.LonStep);
    case TOption::LatStep:
        return step(cl.Grid.LatStep);
    case TOption::LineColour:
        return colour(cl.Grid.LineColour);
    case TOption::TextColour:
        return colour(cl.Grid.TextColour);
    case TOption::HaloColour:
        return colour(cl.Grid.HaloColour);
    case TOption::SpecialParallels:
        return ParseSpecialParallels(value, cl.Grid.Special) || bad("a comma list of 0..4 is needed");
    case TOption::Decimals:
        if (!ParseInt(value, iv) || iv < 0 || iv > 15)
            return bad("a whole number 0..15 is needed");
        cl.Decimals = iv;
        return true;
    case TOption::List:
        if (value != "kinds" && value != "presets")
            return bad("kinds or presets");
        cl.List = value;
        return true;
    case TOption::NoLabels:
    case TOption::WorldFile:
        break;
    }
    return true;
}

}  // namespace

const char* OptionName(TOption o)
{
    for (const TOptionName& n : OptionNames)
        if (n.Option == o)
            return n.Name;
    return "";
}

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
        const TOptionName* found = nullptr;
        for (const TOptionName& o : OptionNames)
            if (name == o.Name)
                found = &o;
        if (!found || name.rfind("--", 0) != 0) {
            error = "unknown option " + name;
            return false;
        }
        if (cl.Has(found->Option)) {
            error = name + " is given twice";
            return false;
        }
        cl.Given.push_back(found->Option);
        if (IsFlag(found->Option)) {
            if (equals != std::string::npos) {
                error = name + " takes no value";
                return false;
            }
            (found->Option == TOption::NoLabels ? cl.Grid.NoLabels : cl.WorldFile) = true;
            continue;
        }
        std::string value;
        if (equals != std::string::npos)
            value = arg.substr(equals + 1);
        else if (i + 1 < argc)
            value = argv[++i];
        else {
            error = "missing value after " + name;
            return false;
        }
        if (!TakeValue(cl, found->Option, name, value, error))
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

int UsageError(const std::string& message)
{
    const bool pointed = message.find("(see ") != std::string::npos;
    std::fprintf(stderr, "lagwatch-map: %s%s\n", message.c_str(), pointed ? "" : " (see --help)");
    return 2;
}

}  // namespace MapTool
