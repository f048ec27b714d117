#pragma once
// Builds a mapping from a compact description, through the setters in the
// order AssignFrom uses, so that tests read like the images they describe.
#include "mapping/ormMapping.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

struct TMappingParams
{
    int Kind = 0;
    int Height = 0, Width = 0;
    float CentreLon = 0, CentreLat = 0;
    float LonSpan = 0, LatSpan = 0;
    int XOffset = 0, YOffset = 0;
    float StdParallel1 = -1, StdParallel2 = -1;  // negative: leave as SetCentreLat made them
    int Tile = 0;
    float Rotation = 0;
};

inline TMapping MakeMapping(const TMappingParams& p)
{
    TMapping m;
    m.SetKind(static_cast<uint8_t>(p.Kind));
    m.SetHeight(p.Height);
    m.SetWidth(p.Width);
    m.Tile = static_cast<uint8_t>(p.Tile);
    m.Rotation = p.Rotation;
    if (p.LonSpan != 0)
        m.SetLonSpan(p.LonSpan);
    m.SetLatSpan(p.LatSpan);
    m.SetCentreLon(p.CentreLon);
    m.SetCentreLat(p.CentreLat);
    if (p.StdParallel1 >= 0)
        m.SetStdParallel1(p.StdParallel1);
    if (p.StdParallel2 >= 0)
        m.SetStdParallel2(p.StdParallel2);
    m.SetXOffset(p.XOffset);
    m.SetYOffset(p.YOffset);
    return m;
}

// A table row's description as a test name: "plate wraps 190" becomes
// "plate_wraps_190" (letters, digits and underscores only).
template <typename TCase>
std::string CaseTestName(const ::testing::TestParamInfo<TCase>& info)
{
    std::string name;
    for (const char* c = info.param.Name; *c; ++c)
        name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    return name;
}
