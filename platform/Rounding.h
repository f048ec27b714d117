#pragma once
// Rounding shared by the drawing code.
#include <algorithm>
#include <cmath>

// The nearest int, an exact half going to the even neighbour; beyond the int
// range the nearest end of it, and 0 for NaN and infinities.
inline int RoundToInt(double value)
{
    if (!std::isfinite(value))
        return 0;
    return int(std::clamp(std::nearbyint(value), -2147483647.0, 2147483647.0));
}

// A font's size in points as pixels on a 96-DPI desktop, whatever the display
// (at least one). Whole points never fall on an exact half.
inline int FontPixelsAt96Dpi(int points) { return std::max(1, RoundToInt(points * 96.0 / 72.0)); }
