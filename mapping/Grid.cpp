#include "mapping/ormMapping.h"

void TMapping::DrawGridOnBitmap(TGridBitmap*, int32_t, int32_t, TColor, TColor, int32_t, int32_t, bool, uint8_t, TColor) {}
void TMapping::DrawGrid(TGridCanvas*, int32_t, int32_t, TColor, TColor, int32_t, int32_t, bool, uint8_t, TColor) {}
