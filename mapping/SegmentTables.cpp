#include "mapping/SegmentTables.h"

#include "mapping/Presets.h"
#include "platform/DegreeSign.h"

TMapping* LambertMapping1K = nullptr;
TMapping* LambertMapping4K = nullptr;
TMapping* PolarMapping800 = nullptr;
TMapping* PolarMappingNorth = nullptr;
TMapping* DiscMapping = nullptr;

namespace {

TMapping** const PresetSlots[PresetMappingCount] = {
    &LambertMapping1K, &LambertMapping4K, &PolarMapping800, &PolarMappingNorth, &DiscMapping,
};

}  // namespace

void InitSegmentTables()
{
    // Grid labels need the degree sign before any mapping exists.
    if (DegreeSign.isEmpty())
        InitDegreeSign();
    for (int i = 0; i < PresetMappingCount; ++i) {
        if (*PresetSlots[i])
            continue;
        auto* mapping = new TMapping;
        BuildPresetMapping(static_cast<TPresetMapping>(i), *mapping);
        *PresetSlots[i] = mapping;
    }
}

void FinalizeSegmentTables()
{
    // Same order as creation, not the reverse.
    for (TMapping** slot : PresetSlots) {
        delete *slot;
        *slot = nullptr;
    }
}
