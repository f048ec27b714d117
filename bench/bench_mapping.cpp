// Conversions per second for each projection kind, single thread.
#include "mapping/Presets.h"
#include "mapping/ormMapping.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

TMapping MappingForKind(int kind)
{
    TMapping m;
    m.SetKind(static_cast<uint8_t>(kind));
    m.SetHeight(800);
    m.SetWidth(1000);
    m.SetLonSpan(120);
    m.SetLatSpan(kind == pkOrthographic || kind == pkLinearOrthographic ? 180 : 80);
    m.SetCentreLon(20);
    m.SetCentreLat(kind == pkPolarStereographic ? 60 : 30);
    if (kind == pkLambertConformal)
    {
        m.SetStdParallel1(25);
        m.SetStdParallel2(45);
    }
    m.SetXOffset(11);
    m.SetYOffset(-7);
    return m;
}

void BM_Forward(benchmark::State& state)
{
    const TMapping m = MappingForKind(static_cast<int>(state.range(0)));
    std::vector<std::pair<float, float>> points;
    for (float lon = -40; lon < 80; lon += 3.7f)
        for (float lat = -10; lat < 70; lat += 2.9f)
            points.emplace_back(lon, lat);
    for (auto _ : state)
        for (const auto& [lon, lat] : points)
        {
            int x = 0, y = 0;
            benchmark::DoNotOptimize(m.LonLatToXY(lon, lat, x, y));
            benchmark::DoNotOptimize(x);
        }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(points.size()));
    state.SetLabel(ProjectionNames[state.range(0)]);
}

void BM_Inverse(benchmark::State& state)
{
    const TMapping m = MappingForKind(static_cast<int>(state.range(0)));
    std::vector<std::pair<int, int>> pixels;
    for (int x = 0; x < 1000; x += 31)
        for (int y = 0; y < 800; y += 29)
            pixels.emplace_back(x, y);
    for (auto _ : state)
        for (const auto& [x, y] : pixels)
        {
            float lon = 0, lat = 0;
            benchmark::DoNotOptimize(m.XYToLonLat(x, y, lon, lat));
            benchmark::DoNotOptimize(lon);
        }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(pixels.size()));
    state.SetLabel(ProjectionNames[state.range(0)]);
}

}  // namespace

BENCHMARK(BM_Forward)->DenseRange(pkCylEquiFull, pkLinearBased);
BENCHMARK(BM_Inverse)->DenseRange(pkCylEquiFull, pkLinearBased);
BENCHMARK_MAIN();
