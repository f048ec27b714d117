#include "map/Kinds.h"

#include "map/Options.h"
#include "map/Text.h"
#include "mapping/Presets.h"

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
    if (ParseInt(text, kind)) {
        if (kind >= 0 && kind <= pkLinearBased)
            return true;
        error = "kind " + std::string(text) + " does not exist (0.." + std::to_string(pkLinearBased) +
                "; see --list kinds)";
        return false;
    }
    std::vector<int> matches;
    for (int k = 0; k < TKindTraits::KindCount; ++k) {
        const std::string_view name = Traits(k).Name;
        if (SameIgnoringCase(name, text)) {
            kind = k;
            return true;
        }
        if (!text.empty() && text.size() < name.size() && SameIgnoringCase(name.substr(0, text.size()), text))
            matches.push_back(k);
    }
    if (matches.size() == 1) {
        kind = matches.front();
        return true;
    }
    if (matches.empty())
        error = "unknown kind " + Quoted(text) + " (a number 0.." + std::to_string(pkLinearBased) +
                " or a name; see --list kinds)";
    else {
        error = "kind " + Quoted(text) + " could be";
        for (size_t i = 0; i < matches.size(); ++i)
            error += std::string(i == 0 ? " " : i + 1 == matches.size() ? " or " : ", ") + Traits(matches[i]).Name;
    }
    return false;
}

namespace {

// The options that set the parameters a kind uses, in the order they apply,
// with their values in values when given.
std::string KindParameters(int kind, const TMapping* values)
{
    const uint16_t uses = Traits(kind).Reads;
    std::string out;
    for (const TOptionSpec& o : OptionTable()) {
        if (!(uses & o.Sets))
            continue;
        out += (out.empty() ? "" : " ") + std::string(o.Name);
        if (values)
            out += " " + o.Current(*values);
    }
    return out;
}

}  // namespace

int PrintList(const std::string& what)
{
    if (what == "kinds") {
        for (int k = 0; k < TKindTraits::KindCount; ++k) {
            const std::string uses = KindParameters(k, nullptr);
            const TKindTraits& t = Traits(k);
            std::printf("%2d  %-20s%s%s\n    %s\n", k, t.Name, ProjectionNames[k],
                        t.Forward && !t.HasInverse() ? " (no inverse)" : "",
                        uses.empty() ? "no parameters: converts nothing" : uses.c_str());
        }
        return 0;
    }
    // Each preset as the options that give the same mapping.
    for (int i = 0; i < PresetMappingCount; ++i) {
        const auto preset = static_cast<TPresetMapping>(i);
        TMapping m;
        BuildPresetMapping(preset, m);
        std::printf("%-18s  %s\n    --kind %s %s\n", PresetMappingName(preset).toUtf8().constData(),
                    ProjectionNames[m.Kind], Traits(m.Kind).Name, KindParameters(m.Kind, &m).c_str());
    }
    return 0;
}

}  // namespace MapTool
