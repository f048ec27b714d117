#pragma once
// Owner of the preset mappings, in the place of the satellite segment tables
// (whose table itself is not built here). InitSegmentTables runs at program
// start before the main window, after InitDegreeSign; FinalizeSegmentTables
// at exit. Both free and create in the order of the declarations below.
#include "mapping/ormMapping.h"

extern TMapping* LambertMapping1K;
extern TMapping* LambertMapping4K;
extern TMapping* PolarMapping800;
extern TMapping* PolarMappingNorth;
extern TMapping* DiscMapping;

void InitSegmentTables();
void FinalizeSegmentTables();
