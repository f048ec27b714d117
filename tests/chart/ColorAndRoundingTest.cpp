#include "platform/Color.h"
#include "platform/Rounding.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(StoredColour, RedIsTheLowByte)
{
    struct Case { TColor stored; QColor colour; };
    const Case cases[] = {
        {0x0000FF, QColor(255, 0, 0)},     {0x00FF00, QColor(0, 255, 0)},   {0xFF0000, QColor(0, 0, 255)},
        {0x5050FF, QColor(255, 80, 80)},   {0x200080, QColor(128, 0, 32)},  {0x000000, QColor(0, 0, 0)},
        {0x20FFFFFF, QColor(255, 255, 255)},  // marker bits above the colour are not a colour
    };
    for (const Case& c : cases)
        EXPECT_EQ(ToQColor(c.stored).rgb(), c.colour.rgb()) << std::hex << c.stored;
}

TEST(Rounding, NearestWithHalvesToEvenAndClamped)
{
    struct Case { double value; int rounded; };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {2.4999, 2}, {2.5001, 3},
        {1e20, 2147483647}, {-1e20, -2147483647}, {inf, 0}, {-inf, 0}, {std::nan(""), 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RoundToInt(c.value), c.rounded) << c.value;
}

TEST(Rounding, FontPointsAsPixelsAt96Dpi)
{
    struct Case { int points; int pixels; };
    const Case cases[] = {{0, 1}, {-4, 1}, {1, 1}, {6, 8}, {7, 9}, {8, 11}, {9, 12}, {10, 13}, {11, 15}, {72, 96}};
    for (const Case& c : cases)
        EXPECT_EQ(FontPixelsAt96Dpi(c.points), c.pixels) << c.points;
}

}  // namespace
