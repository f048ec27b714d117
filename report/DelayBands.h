#pragma once
// The lateness bands of the chart: a delay of more than a family's warning
// limit is nearly late (orange), more than its critical limit late (red). The
// health check and the completeness figures compare with the same limits the
// same way, so the chart and the monitoring server never disagree about a
// product.
#include "station/FamilyLimits.h"

#include <cstdint>

enum class TDelayBand { InTime, NearlyLate, Late };

// A delay in minutes as the chart measures it (a Single, like the bar height).
inline float DelayMinutes(int32_t seconds) { return static_cast<float>(static_cast<double>(seconds) / 60.0); }

inline TDelayBand DelayBandOf(float minutes, const TFamilyLimits& limits)
{
    if (minutes > limits.CriticalMinutes)
        return TDelayBand::Late;
    if (minutes > limits.WarningMinutes)
        return TDelayBand::NearlyLate;
    return TDelayBand::InTime;
}
