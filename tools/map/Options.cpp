#include "map/Options.h"

#include "map/CommandLine.h"
#include "map/Kinds.h"
#include "map/Text.h"
#include "mapping/ProjPlane.h"
#include "mapping/ProjectionKinds.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace MapTool {

namespace {

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

using L = TCommandLine;
using V = TValueText;
using M = TMapping;
constexpr auto Parameters = THelpSection::Parameters;
constexpr auto Grid = THelpSection::Grid;
constexpr auto Commands = THelpSection::Commands;

std::vector<TOptionSpec> MakeTable()
{
    return {
        {"--preset", "NAME",
         "LambertMapping1K, LambertMapping4K, PolarMapping800,\nPolarMappingNorth or DiscMapping (any letter case)",
         Parameters, cbEvery,
         [](V& v, L& l) {
             TPresetMapping preset{};
             if (!FindPresetMapping(QString::fromStdString(v.Text), preset)) {
                 v.Error = "unknown preset " + Quoted(v.Text) + " (see --list presets)";
                 return false;
             }
             l.Mapping.Preset = preset;
             return true;
         }},
        {"--kind", "K",
         "projection kind 0.." + std::to_string(pkLinearBased) +
             ", by number or by name, such as\nLambertConformal or lambert (any letter case; a\nbeginning that names "
             "one kind is enough)",
         Parameters, cbEvery,
         [](V& v, L& l) {
             int32_t kind = 0;
             if (!ParseKind(v.Text, kind, v.Error))
                 return false;
             l.Mapping.Kind = kind;
             return true;
         }},
        {"--height", "H", "image height in pixels (positive)", Parameters, cbEvery,
         [](V& v, L& l) { return v.Integer(l.Mapping.Height); }, kpHeight,
         [](const M& m) { return std::to_string(m.Height); }},
        {"--width", "W", "image width in pixels (positive)", Parameters, cbEvery,
         [](V& v, L& l) { return v.Integer(l.Mapping.Width); }, kpWidth,
         [](const M& m) { return std::to_string(m.Width); }},
        {"--tile", "T", "Van der Grinten sub-image 0..13", Parameters, cbEvery,
         [](V& v, L& l) {
             if (!v.Integer(l.Mapping.Tile))
                 return false;
             if (*l.Mapping.Tile < 0 || *l.Mapping.Tile > 13) {
                 v.Error = "tile " + v.Text + " does not exist (0..13)";
                 return false;
             }
             return true;
         },
         kpTile, [](const M& m) { return std::to_string(m.Tile); }},
        {"--rotation", "R", "plane rotation in degrees (kinds " + KindsReading(kpRotation) + ")", Parameters, cbEvery,
         [](V& v, L& l) { return v.Real(l.Mapping.Rotation); }, kpRotation,
         [](const M& m) { return ShortestText(m.Rotation); }},
        {"--lon-span", "S", "longitude extent in degrees", Parameters, cbEvery,
         [](V& v, L& l) { return v.Real(l.Mapping.LonSpan); }, kpLonSpan,
         [](const M& m) { return ShortestText(m.LonSpan); }},
        {"--lat-span", "S", "latitude extent in degrees", Parameters, cbEvery,
         [](V& v, L& l) { return v.Real(l.Mapping.LatSpan); }, kpLatSpan,
         [](const M& m) { return ShortestText(m.LatSpan); }},
        {"--centre-lon", "L", "centre longitude in degrees", Parameters, cbEvery,
         [](V& v, L& l) { return v.Real(l.Mapping.CentreLon); }, kpCentreLon,
         [](const M& m) { return ShortestText(m.CentreLon); }},
        {"--centre-lat", "L", "centre latitude in degrees", Parameters, cbEvery,
         [](V& v, L& l) { return v.Real(l.Mapping.CentreLat); }, kpCentreLat,
         [](const M& m) { return ShortestText(m.CentreLat); }},
        {"--std-parallel1", "A", "first standard parallel (Lambert)", Parameters, cbEvery,
         [](V& v, L& l) { return v.Real(l.Mapping.StdParallel1); }, kpStdParallels,
         [](const M& m) { return ShortestText(m.StdParallel1); }},
        {"--std-parallel2", "B", "second standard parallel (Lambert)", Parameters, cbEvery,
         [](V& v, L& l) { return v.Real(l.Mapping.StdParallel2); }, kpStdParallels,
         [](const M& m) { return ShortestText(m.StdParallel2); }},
        {"--x-offset", "X", "horizontal pixel shift", Parameters, cbEvery,
         [](V& v, L& l) { return v.Integer(l.Mapping.XOffset); }, kpOffsets,
         [](const M& m) { return std::to_string(m.GetXOffset()); }},
        {"--y-offset", "Y", "vertical pixel shift (positive moves up)", Parameters, cbEvery,
         [](V& v, L& l) { return v.Integer(l.Mapping.YOffset); }, kpOffsets,
         [](const M& m) { return std::to_string(m.GetYOffset()); }},
        {"--lon-step", "N", "degrees between meridians (default 10)", Grid, cbGrid,
         [](V& v, L& l) { return v.Step(l.Grid.LonStep); }},
        {"--lat-step", "N", "degrees between parallels (default 10)", Grid, cbGrid,
         [](V& v, L& l) { return v.Step(l.Grid.LatStep); }},
        {"--line-colour", "RRGGBB", "grid lines (default FFFF00, yellow)", Grid, cbGrid,
         [](V& v, L& l) { return v.Colour(l.Grid.LineColour); }},
        {"--text-colour", "RRGGBB", "labels (default FFFFFF, white)", Grid, cbGrid,
         [](V& v, L& l) { return v.Colour(l.Grid.TextColour); }},
        {"--halo-colour", "RRGGBB", "one-pixel halo around labels (default 000000)", Grid, cbGrid,
         [](V& v, L& l) { return v.Colour(l.Grid.HaloColour); }},
        {"--special-parallels", "LIST",
         "comma list of 0 Arctic circle, 1 Tropic of Cancer,\n2 equator, 3 Tropic of Capricorn, 4 Antarctic circle",
         Grid, cbGrid,
         [](V& v, L& l) {
             return ParseSpecialParallels(v.Text, l.Grid.Special) || v.Bad("a comma list of 0..4 is needed");
         }},
        {"--no-labels", nullptr, "lines only", Grid, cbGrid,
         [](V&, L& l) {
             l.Grid.NoLabels = true;
             return true;
         }},
        // The usage and the text of their commands describe these.
        {"--decimals", "N", "", Commands, cbFwdf | cbInv,
         [](V& v, L& l) {
             int32_t decimals = 0;
             if (!ParseInt(v.Text, decimals) || decimals < 0 || decimals > 15)
                 return v.Bad("a whole number 0..15 is needed");
             l.Decimals = decimals;
             return true;
         }},
        {"--world-file", nullptr, "", Commands, cbGeoref,
         [](V&, L& l) {
             l.WorldFile = true;
             return true;
         }},
        {"--list", "kinds|presets", "", Commands, 0,
         [](V& v, L& l) {
             if (v.Text != "kinds" && v.Text != "presets")
                 return v.Bad("kinds or presets");
             l.List = v.Text;
             return true;
         }},
    };
}

}  // namespace

bool TValueText::Bad(const std::string& Why)
{
    Error = "bad value " + Quoted(Text) + " for " + Name + (Why.empty() ? "" : ": " + Why);
    return false;
}

bool TValueText::Integer(std::optional<int32_t>& Target)
{
    int32_t value = 0;
    if (!ParseInt(Text, value))
        return Bad("not a whole number in 32 bits");
    Target = value;
    return true;
}

bool TValueText::Real(std::optional<float>& Target)
{
    float value = 0;
    if (!ParseFloat(Text, value))
        return Bad("not a number");
    if (!std::isfinite(value))
        return Bad("not a finite single-precision number");
    Target = value;
    return true;
}

bool TValueText::Step(int32_t& Target)
{
    if (!ParseInt(Text, Target) || Target < 1)
        return Bad("a positive whole number of degrees is needed");
    return true;
}

bool TValueText::Colour(TColor& Target) { return ParseColour(Text, Target) || Bad("RRGGBB in hexadecimal is needed"); }

const std::vector<TOptionSpec>& OptionTable()
{
    static const std::vector<TOptionSpec> table = MakeTable();
    return table;
}

const TOptionSpec* FindOption(const std::string& Name)
{
    for (const TOptionSpec& o : OptionTable())
        if (Name == o.Name)
            return &o;
    return nullptr;
}

}  // namespace MapTool
