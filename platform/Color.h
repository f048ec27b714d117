#pragma once
// Colours as tables and settings store them: 0x00BBGGRR, red in the low byte.
// Values with bits above the low 24 are markers the chart gives a meaning of
// its own (a palette colour, "none", "the series' own").
#include <QColor>

#include <cstdint>

using TColor = uint32_t;

// The plain colour of a stored value; marker bits are ignored.
constexpr QColor ToQColor(TColor color)
{
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}
