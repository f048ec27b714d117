#pragma once
// The five fixed image geometries the program knows. Each is built by the
// same setter sequence wherever it is needed (start-up objects, tools), since
// the order of the setters decides the derived constants.
#include "mapping/ormMapping.h"

#include <QString>

enum class TPresetMapping {
    Lambert1K,
    Lambert4K,
    Polar800,
    PolarNorth,
    Disc,
};

constexpr int PresetMappingCount = 5;

// The variable names of the presets, in creation order.
QString PresetMappingName(TPresetMapping Preset);
// Case-insensitive look-up of a name above; false when unknown.
bool FindPresetMapping(const QString& Name, TPresetMapping& Preset);
// Applies the preset's setter calls, in their order, to Mapping.
void BuildPresetMapping(TPresetMapping Preset, TMapping& Mapping);
