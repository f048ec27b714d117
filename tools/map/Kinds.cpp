#include "Kinds.h"

#include "Text.h"
#include "mapping/Presets.h"

#include <charconv>
#include <cstdio>
#include <vector>

namespace MapTool {

const TKindTraits& Traits(int Kind) { return TKindTraits::Of(static_cast<TProjectionKind>(Kind)); }

std::string KindsReading(uint16_t Parameter)
{
    std::string out;
    for (int k = 0; k < TKindTraits::KindCount; ++k)
        if (Traits(k).Reads & Parameter)
            out += (out.empty() ? "" : ", ") + std::to_string(k);
    return out;
}

bool ParseKind(std::string_view text, int32_t& kind, std::string& error)
{
    if (ParseInt(text, kind))
    {
        if (kind >= 0 && kind <= pkLinearBased)
            return true;
        error = "kind " + std::string(text) + " does not exist (0.." + std::to_string(pkLinearBased) +
                "; see --list kinds)";
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
        error = "unknown kind " + Quoted(text) + " (a number 0.." + std::to_string(pkLinearBased) +
                " or a name; see --list kinds)";
    else
    {
        error = "kind " + Quoted(text) + " could be";
        for (size_t i = 0; i < matches.size(); ++i)
            error += std::string(i == 0 ? " " : i + 1 == matches.size() ? " or " : ", ") + Traits(matches[i]).Name;
    }
    return false;
}

namespace {

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

}  // namespace

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

}  // namespace MapTool
