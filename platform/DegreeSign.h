#pragma once
// The degree sign shared by every text the program builds with angles. Set
// once at start-up, before the mapping presets are created.
#include <QString>

extern QString DegreeSign;

// Sets DegreeSign to U+00B0; harmless when called again.
void InitDegreeSign();
