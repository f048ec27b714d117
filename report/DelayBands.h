#pragma once
// The lateness bands of the chart: a delay of more than the warning limit
// (35 minutes unless a family or a switch says otherwise) is nearly late
// (orange), more than the critical limit (45) late (red). The health check
// compares with the same limits the same way, so the chart and the monitoring
// server never disagree about a product.
#include <cstdint>

constexpr double NearlyLateMinutes = 35;
constexpr double LateMinutes = 45;

enum class TDelayBand { InTime, NearlyLate, Late };

// A delay in minutes as the chart measures it (a Single, like the bar height).
inline float DelayMinutes(int32_t seconds) { return static_cast<float>(static_cast<double>(seconds) / 60.0); }

inline TDelayBand DelayBandOf(float minutes, double nearlyLate = NearlyLateMinutes, double late = LateMinutes)
{
    if (minutes > late)
        return TDelayBand::Late;
    if (minutes > nearlyLate)
        return TDelayBand::NearlyLate;
    return TDelayBand::InTime;
}
