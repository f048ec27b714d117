// lagwatch-map: converts points between longitude/latitude and image pixels
// with a TMapping, as a filter that keeps its place beside PROJ's proj (one
// output line per input line), and draws the grid of a mapping over an image.
#include "mapping/ImageGridCanvas.h"
#include "mapping/Presets.h"
#include "mapping/ProjectionKinds.h"
#include "mapping/ormMapping.h"
#include "platform/DegreeSign.h"
#include "platform/QuietMessages.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::string KindsReading(uint16_t Parameter);

// The --help text; what it says of kinds comes from their table.
std::string HelpText()
{
    return
    "Usage: lagwatch-map [PARAMETERS] fwd|fwdf|inv [FILE...]\n"
    "       lagwatch-map [PARAMETERS] grid IN OUT [GRID OPTIONS]\n"
    "       lagwatch-map --list kinds|presets\n"
    "\n"
    "Commands:\n"
    "  fwd    \"lon lat\" per line  ->  \"x y ok\"      whole pixels (LonLatToXY)\n"
    "  fwdf   \"lon lat\" per line  ->  \"x y ok\"      real pixels, 3 decimals (LonLatToXYF)\n"
    "  inv    \"x y\" per line      ->  \"lon lat ok\"  degrees, 6 decimals (XYToLonLat)\n"
    "  grid IN OUT\n"
    "         draws the latitude/longitude grid over the image IN (\"-\": a black image\n"
    "         of the mapping's size) and writes OUT in the format its extension names\n"
    "         (.png, .bmp, .jpg, .ppm, ...); the grid is drawn in the mapping's pixels\n"
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
    "changes; each at most once):\n"
    "  --preset NAME        LambertMapping1K, LambertMapping4K, PolarMapping800,\n"
    "                       PolarMappingNorth or DiscMapping (any letter case)\n"
    "  --kind K             projection kind 0.." + std::to_string(pkLinearBased) + ", by number or by name, such as\n"
    "                       LambertConformal or lambert (any letter case; a\n"
    "                       beginning that names one kind is enough)\n"
    "  --height H           image height in pixels (positive)\n"
    "  --width W            image width in pixels (positive)\n"
    "  --tile T             Van der Grinten sub-image 0..13\n"
    "  --rotation R         plane rotation in degrees (kinds " + KindsReading(kpRotation) + ")\n"
    "  --lon-span S         longitude extent in degrees\n"
    "  --lat-span S         latitude extent in degrees\n"
    "  --centre-lon L       centre longitude in degrees\n"
    "  --centre-lat L       centre latitude in degrees\n"
    "  --std-parallel1 A    first standard parallel (Lambert)\n"
    "  --std-parallel2 B    second standard parallel (Lambert)\n"
    "  --x-offset X         horizontal pixel shift\n"
    "  --y-offset Y         vertical pixel shift (positive moves up)\n"
    "The parameters are applied in this fixed order whatever their order on the\n"
    "command line: kind, height, width, tile, rotation, lon-span, lat-span,\n"
    "centre-lon, centre-lat, std-parallel1, std-parallel2, x-offset, y-offset.\n"
    "Setting the centre latitude resets both standard parallels to its absolute value.\n"
    "\"--list kinds\" shows the kinds with the parameters each uses, \"--list presets\"\n"
    "the presets with their values.\n"
    "\n"
    "Grid options:\n"
    "  --lon-step N               degrees between meridians (default 10)\n"
    "  --lat-step N               degrees between parallels (default 10)\n"
    "  --line-colour RRGGBB       grid lines (default FFFF00, yellow)\n"
    "  --text-colour RRGGBB       labels (default FFFFFF, white)\n"
    "  --halo-colour RRGGBB       one-pixel halo around labels (default 000000)\n"
    "  --special-parallels LIST   comma list of 0 Arctic circle, 1 Tropic of Cancer,\n"
    "                             2 equator, 3 Tropic of Capricorn, 4 Antarctic circle\n"
    "  --no-labels                lines only\n"
    "\n"
    "Options are written \"--option value\" or \"--option=value\" and may stand\n"
    "anywhere on the line; \"--\" ends them. --help and --version answer wherever\n"
    "they stand.\n"
    "\n"
    "Exit status: 0 on success (also when lines were reported or points refused),\n"
    "1 when a file or an image could not be read or written, 2 on a usage error\n"
    "(reported before any input is read).\n";
}

// ---------------------------------------------------------------- kinds

const TKindTraits& Traits(int Kind) { return TKindTraits::Of(static_cast<TProjectionKind>(Kind)); }

// The kinds that read Parameter, as "3, 4, 7".
std::string KindsReading(uint16_t Parameter)
{
    std::string out;
    for (int k = 0; k < TKindTraits::KindCount; ++k)
        if (Traits(k).Reads & Parameter)
            out += (out.empty() ? "" : ", ") + std::to_string(k);
    return out;
}

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
    {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// ---------------------------------------------------------------- numbers

bool ParseInt(std::string_view text, int32_t& value)
{
    if (text.size() > 1 && text.front() == '+' && text[1] != '-')
        text.remove_prefix(1);
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && !text.empty();
}

// Decimal exponent of the first significant digit of "123.45" (2) or "0.0012" (-3).
long long LeadingExponent(std::string_view digits)
{
    const size_t point = std::min(digits.find('.'), digits.size());
    for (size_t i = 0; i < digits.size(); ++i)
        if (digits[i] >= '1' && digits[i] <= '9')
            return i < point ? static_cast<long long>(point - i) - 1 : -static_cast<long long>(i - point);
    return 0;
}

// A decimal number as a double. One beyond the double range is still a number:
// a magnitude too small gives zero and one too large infinity, with its sign.
bool ParseReal(std::string_view text, double& value)
{
    if (text.size() > 1 && text.front() == '+' && text[1] != '-')
        text.remove_prefix(1);
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ptr != end)
        return false;
    if (result.ec == std::errc())
        return true;
    if (result.ec != std::errc::result_out_of_range)
        return false;
    const bool negative = text.front() == '-';
    std::string_view digits = negative ? text.substr(1) : text;
    long long exponent = 0;
    const size_t e = digits.find_first_of("eE");
    if (e != std::string_view::npos)
    {
        std::string_view power = digits.substr(e + 1);
        const bool negativePower = !power.empty() && power.front() == '-';
        if (!power.empty() && (power.front() == '-' || power.front() == '+'))
            power.remove_prefix(1);
        if (std::from_chars(power.data(), power.data() + power.size(), exponent).ec != std::errc())
            exponent = std::numeric_limits<int>::max();  // only a huge exponent gets here
        if (negativePower)
            exponent = -exponent;
        digits = digits.substr(0, e);
    }
    const double magnitude = LeadingExponent(digits) + exponent < 0 ? 0.0 : std::numeric_limits<double>::infinity();
    value = negative ? -magnitude : magnitude;
    return true;
}

// A decimal number as single precision, rounded once from the text where it can
// be; beyond the single range as a float store would give it.
bool ParseFloat(std::string_view text, float& value)
{
    std::string_view digits = text;
    if (digits.size() > 1 && digits.front() == '+' && digits[1] != '-')
        digits.remove_prefix(1);
    const char* end = digits.data() + digits.size();
    const auto result = std::from_chars(digits.data(), end, value);
    if (!digits.empty() && result.ptr == end && result.ec == std::errc())
        return true;
    double wide = 0;
    if (!ParseReal(text, wide))
        return false;
    if (std::fabs(wide) > std::numeric_limits<float>::max())
        value = wide < 0 ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::infinity();
    else
        value = static_cast<float>(wide);
    return true;
}

// ---------------------------------------------------------------- command line

enum class TOption
{
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
    List,
};

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
    {"--list", TOption::List},
};

bool IsMappingOption(TOption o) { return o <= TOption::YOffset; }
bool IsGridOption(TOption o) { return o >= TOption::LonStep && o <= TOption::NoLabels; }

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
    std::string Command;
    std::vector<std::string> Operands;
    std::vector<TOption> Given;  // in the order given
    bool Has(TOption o) const { return std::find(Given.begin(), Given.end(), o) != Given.end(); }
};

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// A kind by number (0..14) or by name: the whole name, or a beginning that
// only one name has, in any letter case.
bool ParseKind(std::string_view text, int32_t& kind, std::string& error)
{
    if (ParseInt(text, kind))
    {
        if (kind >= 0 && kind <= pkLinearBased)
            return true;
        error = "kind " + std::string(text) + " does not exist (0..14; see --list kinds)";
        return false;
    }
    std::vector<int> matches;
    for (int k = 0; k < TKindTraits::KindCount; ++k)
    {
        const std::string_view name = Traits(k).Name;
        if (SameIgnoringCase(name, text))
        {
            kind = k;
            return true;
        }
        if (!text.empty() && text.size() < name.size() && SameIgnoringCase(name.substr(0, text.size()), text))
            matches.push_back(k);
    }
    if (matches.size() == 1)
    {
        kind = matches.front();
        return true;
    }
    if (matches.empty())
        error = "unknown kind " + Quoted(text) + " (a number 0..14 or a name; see --list kinds)";
    else
    {
        error = "kind " + Quoted(text) + " could be";
        for (size_t i = 0; i < matches.size(); ++i)
            error += std::string(i == 0 ? " " : i + 1 == matches.size() ? " or " : ", ") + Traits(matches[i]).Name;
    }
    return false;
}

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
    for (;;)
    {
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
bool TakeValue(TCommandLine& cl, TOption option, const std::string& name, const std::string& value,
               std::string& error)
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
    switch (option)
    {
    case TOption::Preset:
    {
        TPresetMapping preset{};
        if (!FindPresetMapping(QString::fromStdString(value), preset))
        {
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
    case TOption::Height: return integer(p.Height);
    case TOption::Width: return integer(p.Width);
    case TOption::Tile:
        if (!integer(p.Tile))
            return false;
        if (*p.Tile < 0 || *p.Tile > 13)
        {
            error = "tile " + value + " does not exist (0..13)";
            return false;
        }
        return true;
    case TOption::Rotation: return real(p.Rotation);
    case TOption::LonSpan: return real(p.LonSpan);
    case TOption::LatSpan: return real(p.LatSpan);
    case TOption::CentreLon: return real(p.CentreLon);
    case TOption::CentreLat: return real(p.CentreLat);
    case TOption::StdParallel1: return real(p.StdParallel1);
    case TOption::StdParallel2: return real(p.StdParallel2);
    case TOption::XOffset: return integer(p.XOffset);
    case TOption::YOffset: return integer(p.YOffset);
    case TOption::LonStep: return step(cl.Grid.LonStep);
    case TOption::LatStep: return step(cl.Grid.LatStep);
    case TOption::LineColour: return colour(cl.Grid.LineColour);
    case TOption::TextColour: return colour(cl.Grid.TextColour);
    case TOption::HaloColour: return colour(cl.Grid.HaloColour);
    case TOption::SpecialParallels:
        return ParseSpecialParallels(value, cl.Grid.Special) || bad("a comma list of 0..4 is needed");
    case TOption::List:
        if (value != "kinds" && value != "presets")
            return bad("kinds or presets");
        cl.List = value;
        return true;
    case TOption::NoLabels: break;
    }
    return true;
}

bool ParseCommandLine(int argc, char** argv, TCommandLine& cl, std::string& error)
{
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        const bool positional = optionsEnded || arg == "-" || arg.empty() || arg.front() != '-';
        if (positional)
        {
            if (cl.Command.empty())
                cl.Command = arg;
            else
                cl.Operands.push_back(arg);
            continue;
        }
        if (arg == "--")
        {
            optionsEnded = true;
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const TOptionName* found = nullptr;
        for (const TOptionName& o : OptionNames)
            if (name == o.Name)
                found = &o;
        if (!found || name.rfind("--", 0) != 0)
        {
            error = "unknown option " + name;
            return false;
        }
        if (cl.Has(found->Option))
        {
            error = name + " is given twice";
            return false;
        }
        cl.Given.push_back(found->Option);
        if (found->Option == TOption::NoLabels)
        {
            if (equals != std::string::npos)
            {
                error = name + " takes no value";
                return false;
            }
            cl.Grid.NoLabels = true;
            continue;
        }
        std::string value;
        if (equals != std::string::npos)
            value = arg.substr(equals + 1);
        else if (i + 1 < argc)
            value = argv[++i];
        else
        {
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
    if (p.Kind) mapping.SetKind(static_cast<uint8_t>(*p.Kind));
    if (p.Height) mapping.SetHeight(*p.Height);
    if (p.Width) mapping.SetWidth(*p.Width);
    if (p.Tile) mapping.Tile = static_cast<uint8_t>(*p.Tile);
    if (p.Rotation) mapping.Rotation = *p.Rotation;
    if (p.LonSpan) mapping.SetLonSpan(*p.LonSpan);
    if (p.LatSpan) mapping.SetLatSpan(*p.LatSpan);
    if (p.CentreLon) mapping.SetCentreLon(*p.CentreLon);
    if (p.CentreLat) mapping.SetCentreLat(*p.CentreLat);
    if (p.StdParallel1) mapping.SetStdParallel1(*p.StdParallel1);
    if (p.StdParallel2) mapping.SetStdParallel2(*p.StdParallel2);
    if (p.XOffset) mapping.SetXOffset(*p.XOffset);
    if (p.YOffset) mapping.SetYOffset(*p.YOffset);
}

int UsageError(const std::string& message)
{
    const bool pointed = message.find("(see ") != std::string::npos;
    std::fprintf(stderr, "lagwatch-map: %s%s\n", message.c_str(), pointed ? "" : " (see --help)");
    return 2;
}

// ---------------------------------------------------------------- lists

std::string FloatText(float v)
{
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, r.ptr);
}

// The options that set the parameters a kind uses, in the order they apply.
std::string KindParameters(int kind, const TMapping* values)
{
    const uint16_t uses = Traits(kind).Reads;
    std::string out;
    auto add = [&](uint16_t bit, const char* name, const std::string& value) {
        if (!(uses & bit))
            return;
        out += out.empty() ? "" : " ";
        out += name;
        if (values)
            out += " " + value;
    };
    const TMapping none;
    const TMapping& m = values ? *values : none;
    add(kpHeight, "--height", std::to_string(m.Height));
    add(kpWidth, "--width", std::to_string(m.Width));
    add(kpTile, "--tile", std::to_string(m.Tile));
    add(kpRotation, "--rotation", FloatText(m.Rotation));
    add(kpLonSpan, "--lon-span", FloatText(m.LonSpan));
    add(kpLatSpan, "--lat-span", FloatText(m.LatSpan));
    add(kpCentreLon, "--centre-lon", FloatText(m.CentreLon));
    add(kpCentreLat, "--centre-lat", FloatText(m.CentreLat));
    add(kpStdParallels, "--std-parallel1", FloatText(m.StdParallel1));
    add(kpStdParallels, "--std-parallel2", FloatText(m.StdParallel2));
    add(kpOffsets, "--x-offset", std::to_string(m.GetXOffset()));
    add(kpOffsets, "--y-offset", std::to_string(m.GetYOffset()));
    return out;
}

int PrintList(const std::string& what)
{
    if (what == "kinds")
    {
        for (int k = 0; k < TKindTraits::KindCount; ++k)
        {
            const std::string uses = KindParameters(k, nullptr);
            const TKindTraits& t = Traits(k);
            std::printf("%2d  %-20s%s%s\n    %s\n", k, t.Name, ProjectionNames[k],
                        t.Forward && !t.HasInverse() ? " (no inverse)" : "",
                        uses.empty() ? "no parameters: converts nothing" : uses.c_str());
        }
        return 0;
    }
    // Each preset as the options that give the same mapping.
    for (int i = 0; i < PresetMappingCount; ++i)
    {
        const auto preset = static_cast<TPresetMapping>(i);
        TMapping m;
        BuildPresetMapping(preset, m);
        std::printf("%-18s  %s\n    --kind %s %s\n", PresetMappingName(preset).toUtf8().constData(),
                    ProjectionNames[m.Kind], Traits(m.Kind).Name, KindParameters(m.Kind, &m).c_str());
    }
    return 0;
}

// ---------------------------------------------------------------- conversions

// Buffered standard output without stdio's per-call formatting.
class TOutput
{
public:
    ~TOutput() { Flush(); }
    // Room for n more bytes at Cursor(); n must not exceed the buffer.
    char* Room(size_t n)
    {
        if (FBuffer.size() - FUsed < n)
            Flush();
        return FBuffer.data() + FUsed;
    }
    char* End() { return FBuffer.data() + FBuffer.size(); }
    void Advance(char* to) { FUsed = static_cast<size_t>(to - FBuffer.data()); }
    void Append(std::string_view text)
    {
        if (text.empty())
            return;
        if (text.size() > FBuffer.size() - FUsed)
        {
            Flush();
            if (text.size() > FBuffer.size())
            {
                std::fwrite(text.data(), 1, text.size(), stdout);
                return;
            }
        }
        std::memcpy(FBuffer.data() + FUsed, text.data(), text.size());
        FUsed += text.size();
    }
    void Flush()
    {
        if (FUsed)
            std::fwrite(FBuffer.data(), 1, FUsed, stdout);
        FUsed = 0;
    }

private:
    std::vector<char> FBuffer = std::vector<char>(1 << 16);
    size_t FUsed = 0;
};

template <typename T>
char* PutValue(char* at, char* end, T value, int decimals)
{
    std::to_chars_result r;
    if constexpr (std::is_floating_point_v<T>)
        r = std::to_chars(at, end, value, std::chars_format::fixed, decimals);
    else
        r = std::to_chars(at, end, value);
    return r.ptr;
}

// "first second 1" for a converted point.
template <typename T>
char* PutResult(char* at, char* end, T first, T second, int decimals)
{
    at = PutValue(at, end, first, decimals);
    *at++ = ' ';
    at = PutValue(at, end, second, decimals);
    *at++ = ' ';
    *at++ = '1';
    return at;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

enum class TCommand { Forward, ForwardF, Inverse };

class TConverter
{
public:
    TConverter(const TMapping& Mapping, TCommand Command) : FMapping(Mapping), FCommand(Command) {}

    // Converts one opened input to the end; false when reading failed.
    bool Run(std::FILE* In, const std::string& Name);

private:
    const TMapping& FMapping;
    TCommand FCommand;
    TOutput FOut;
    std::string FName;
    long long FLineNumber = 0;

    void Line(std::string_view Text);
    // The converted values, or false when the two fields are no numbers.
    bool Convert(std::string_view A, std::string_view B, bool& Ok, char*& At, char* End) const;
};

bool TConverter::Convert(std::string_view A, std::string_view B, bool& Ok, char*& At, char* End) const
{
    if (FCommand == TCommand::Inverse)
    {
        int32_t x = 0, y = 0;
        if (!ParseInt(A, x) || !ParseInt(B, y))
            return false;
        float lon = 0, lat = 0;
        Ok = FMapping.XYToLonLat(x, y, lon, lat);
        if (Ok)
            At = PutResult(At, End, lon, lat, 6);
        return true;
    }
    float lon = 0, lat = 0;
    if (!ParseFloat(A, lon) || !ParseFloat(B, lat))
        return false;
    if (FCommand == TCommand::Forward)
    {
        int32_t x = 0, y = 0;
        Ok = FMapping.LonLatToXY(lon, lat, x, y);
        if (Ok)
            At = PutResult(At, End, x, y, 0);
    }
    else
    {
        float x = 0, y = 0;
        Ok = FMapping.LonLatToXYF(lon, lat, x, y);
        if (Ok)
            At = PutResult(At, End, x, y, 3);
    }
    return true;
}

void TConverter::Line(std::string_view Text)
{
    ++FLineNumber;
    const bool crlf = !Text.empty() && Text.back() == '\r';
    if (crlf)
        Text.remove_suffix(1);
    const std::string_view eol = crlf ? "\r\n" : "\n";
    auto skip = [&](size_t i) {
        while (i < Text.size() && IsBlank(Text[i]))
            ++i;
        return i;
    };
    auto word = [&](size_t i) {
        while (i < Text.size() && !IsBlank(Text[i]))
            ++i;
        return i;
    };
    const size_t a = skip(0);
    if (a == Text.size() || Text[a] == '#')
    {
        FOut.Append(Text);
        FOut.Append(eol);
        return;
    }
    const size_t aEnd = word(a), b = skip(aEnd), bEnd = word(b);
    std::string_view rest = Text.substr(bEnd);
    if (skip(bEnd) == Text.size())
        rest = {};
    // 160 bytes hold two single-precision values with 6 decimals and the flag.
    char* at = FOut.Room(160);
    bool ok = false;
    const bool parsed = b < Text.size() && Convert(Text.substr(a, aEnd - a), Text.substr(b, bEnd - b), ok, at, FOut.End());
    if (!ok)
    {
        std::memcpy(at, "* * 0", 5);
        at += 5;
    }
    FOut.Advance(at);
    if (parsed)
        FOut.Append(rest);
    FOut.Append(eol);
    if (!parsed)
    {
        FOut.Flush();
        std::fflush(stdout);
        std::fprintf(stderr, "lagwatch-map: %sline %lld: cannot parse \"%.*s\"\n",
                     FName.empty() ? "" : (FName + ": ").c_str(), FLineNumber,
                     static_cast<int>(std::min<size_t>(Text.size(), 200)), Text.data());
    }
}

bool TConverter::Run(std::FILE* In, const std::string& Name)
{
    FName = Name;
    FLineNumber = 0;
    std::vector<char> buffer(1 << 20);
    std::string carry;
    for (;;)
    {
        const size_t n = std::fread(buffer.data(), 1, buffer.size(), In);
        if (n == 0)
            break;
        std::string_view chunk(buffer.data(), n);
        size_t start = 0;
        for (;;)
        {
            const size_t nl = chunk.find('\n', start);
            if (nl == std::string_view::npos)
            {
                carry.append(chunk.substr(start));
                break;
            }
            if (!carry.empty())
            {
                carry.append(chunk.substr(start, nl - start));
                Line(carry);
                carry.clear();
            }
            else
                Line(chunk.substr(start, nl - start));
            start = nl + 1;
        }
    }
    if (!carry.empty())
        Line(carry);
    FOut.Flush();
    return !std::ferror(In);
}

int RunConversions(const TMapping& mapping, TCommand command, const std::vector<std::string>& files)
{
    TConverter converter(mapping, command);
    int status = 0;
    const std::vector<std::string> inputs = files.empty() ? std::vector<std::string>{"-"} : files;
    for (const std::string& file : inputs)
    {
        if (file == "-")
        {
            if (!converter.Run(stdin, std::string()))
            {
                std::fprintf(stderr, "lagwatch-map: cannot read standard input: %s\n", std::strerror(errno));
                status = 1;
            }
            continue;
        }
        std::FILE* in = std::fopen(file.c_str(), "rb");
        if (!in)
        {
            std::fflush(stdout);
            std::fprintf(stderr, "lagwatch-map: cannot open %s: %s\n", file.c_str(), std::strerror(errno));
            status = 1;
            continue;
        }
        if (!converter.Run(in, file))
        {
            std::fflush(stdout);
            std::fprintf(stderr, "lagwatch-map: cannot read %s: %s\n", file.c_str(), std::strerror(errno));
            status = 1;
        }
        std::fclose(in);
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
    {
        std::fprintf(stderr, "lagwatch-map: cannot write standard output: %s\n", std::strerror(errno));
        status = 1;
    }
    return status;
}

// ---------------------------------------------------------------- grid

// A blank image, and the largest image read, may take this much memory.
constexpr int64_t ImageByteLimit = int64_t(1) << 30;

// Writes Image in the format that Path's extension names, through a temporary
// file and a rename; false with a message when no image writer knows the
// extension or the file cannot be written.
bool SaveImageFile(const QImage& Image, const QString& Path, QString& Error)
{
    const QByteArray suffix = QFileInfo(Path).suffix().toLower().toLatin1();
    const QList<QByteArray> formats = QImageWriter::supportedImageFormats();
    if (suffix.isEmpty() || !formats.contains(suffix))
    {
        QStringList known;
        for (const QByteArray& f : formats)
            known << QString::fromLatin1(f);
        Error = QStringLiteral("cannot write %1: %2 (image formats: %3)")
                    .arg(Path,
                         suffix.isEmpty() ? QStringLiteral("the name has no extension to tell the image format")
                                          : QStringLiteral("no image format is called \"%1\"").arg(QString::fromLatin1(suffix)),
                         known.join(QStringLiteral(", ")));
        return false;
    }
    QSaveFile file(Path);
    if (!file.open(QIODevice::WriteOnly))
    {
        Error = QStringLiteral("cannot write %1: %2").arg(Path, file.errorString());
        return false;
    }
    QImageWriter writer(&file, suffix);
    if (!writer.write(Image))
    {
        Error = QStringLiteral("cannot write %1: %2").arg(Path, writer.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
    {
        Error = QStringLiteral("cannot write %1: %2").arg(Path, file.errorString());
        return false;
    }
    return true;
}

int RunGridCommand(const TMapping& source, const std::string& input, const std::string& output,
                   const TGridOptions& options, const char* program)
{
    // Painting needs a GUI application; without a display use the off-screen platform.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    InstallQuietMessageHandler();
    // Our arguments are not Qt's: a file called "-platform" stays a file.
    int qtArgc = 1;
    char* qtArgv[] = {const_cast<char*>(program), nullptr};
    QGuiApplication app(qtArgc, qtArgv);
    QImage image;
    if (input == "-")
    {
        image = QImage(source.Width, source.Height, QImage::Format_RGB32);
        if (image.isNull())
        {
            std::fprintf(stderr, "lagwatch-map: no memory for a %dx%d image\n", source.Width, source.Height);
            return 1;
        }
        image.fill(Qt::black);
    }
    else
    {
        const QString path = QFile::decodeName(QByteArray::fromStdString(input));
        QImageReader::setAllocationLimit(static_cast<int>(ImageByteLimit >> 20));
        QImageReader reader(path);
        if (!reader.read(&image))
        {
            std::fprintf(stderr, "lagwatch-map: cannot read %s: %s\n", input.c_str(),
                         reader.errorString().toLocal8Bit().constData());
            return 1;
        }
        image = image.convertToFormat(QImage::Format_ARGB32);
        if (image.width() != source.Width || image.height() != source.Height)
            std::fprintf(stderr,
                         "lagwatch-map: warning: %s is %dx%d, the mapping %dx%d; the grid is drawn in the "
                         "mapping's pixels\n",
                         input.c_str(), image.width(), image.height(), source.Width, source.Height);
    }
    TMapping mapping = source;  // an exact copy, derived constants included
    {
        TImageGridBitmap bitmap(image);
        mapping.DrawGridOnBitmap(&bitmap, options.LonStep, options.LatStep, options.TextColour, options.LineColour, 0,
                                 0, options.NoLabels, options.Special, options.HaloColour);
    }
    QString error;
    if (!SaveImageFile(image, QFile::decodeName(QByteArray::fromStdString(output)), error))
    {
        std::fprintf(stderr, "lagwatch-map: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    InitDegreeSign();
    for (int i = 1; i < argc; ++i)
    {
        const std::string_view arg = argv[i];
        if (arg == "--")
            break;
        if (arg == "--help" || arg == "-h")
        {
            std::fputs(HelpText().c_str(), stdout);
            return 0;
        }
        if (arg == "--version")
        {
            std::printf("lagwatch-map (Lagwatch) %s\n", LAGWATCH_VERSION);
            return 0;
        }
    }
    TCommandLine cl;
    std::string error;
    if (!ParseCommandLine(argc, argv, cl, error))
        return UsageError(error);
    if (cl.List)
    {
        if (!cl.Command.empty())
            return UsageError("--list stands alone, without a command");
        return PrintList(*cl.List);
    }
    const std::string& command = cl.Command;
    const bool grid = command == "grid";
    if (command.empty())
        return UsageError("no command given (fwd, fwdf, inv or grid)");
    if (!grid && command != "fwd" && command != "fwdf" && command != "inv")
        return UsageError("unknown command " + Quoted(command) + " (fwd, fwdf, inv or grid)");
    for (TOption o : cl.Given)
        if (IsGridOption(o) && !grid)
            for (const TOptionName& n : OptionNames)
                if (n.Option == o)
                    return UsageError(std::string(n.Name) + " is an option of grid, not of " + command);
    if (std::none_of(cl.Given.begin(), cl.Given.end(), IsMappingOption))
        return UsageError("no parameters given: name a --preset, or a --kind with its parameters "
                          "(see --list presets and --list kinds)");
    const TParameters& p = cl.Mapping;
    if (!p.Preset && !p.Kind)
        return UsageError("no --kind or --preset given");
    if (grid && cl.Operands.size() < 2)
        return UsageError("grid needs IN and OUT");
    if (grid && cl.Operands.size() > 2)
        return UsageError("unexpected argument " + Quoted(cl.Operands[2]));

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
    if (grid && cl.Operands[0] == "-")
    {
        if (mapping.Width <= 0 || mapping.Height <= 0)
            return UsageError("the mapping's size " + std::to_string(mapping.Width) + "x" +
                              std::to_string(mapping.Height) + " is no image size for \"-\"");
        const int64_t bytes = int64_t(mapping.Width) * mapping.Height * 4;
        if (bytes > ImageByteLimit)
            return UsageError("a blank image of " + std::to_string(mapping.Width) + "x" +
                              std::to_string(mapping.Height) + " pixels would take " +
                              std::to_string(bytes >> 20) + " MiB, more than the 1 GiB allowed");
    }
    // A new mapping's centre has sine and cosine 0 until its latitude is set,
    // which flattens every projection centred on it.
    if (traits.NeedsCentreLat() && !p.Preset && !p.CentreLat)
        std::fprintf(stderr, "lagwatch-map: note: no --centre-lat given; kind %d needs it (use --centre-lat 0 for the equator)\n",
                     kind);
    if (command == "inv" && traits.Forward && !traits.HasInverse())
        std::fprintf(stderr, "lagwatch-map: note: kind %s has no inverse; every point is refused\n", kindName.c_str());
    if (grid)
        return RunGridCommand(mapping, cl.Operands[0], cl.Operands[1], cl.Grid, argv[0]);
    return RunConversions(mapping, command == "fwd" ? TCommand::Forward
                                   : command == "fwdf" ? TCommand::ForwardF
                                                       : TCommand::Inverse,
                          cl.Operands);
}
