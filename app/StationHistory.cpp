#include "app/StationHistory.h"

#include <cmath>

TStationCompleteness StationCompletenessOf(const TCommandLine& line, TLedgerEntries& entries, TDateTime now)
{
    // The 30 days shown and the 14 the schedule is learned from, with the
    // product before them, which tells how far back the ledger reaches.
    const std::vector<TLedgerEntry> recent = entries.Since(std::floor(now) - 31);
    const TExpectedSchedule schedule = line.Expect ? *line.Expect : LearnSchedule(recent, now);
    return AssessCompleteness(recent, schedule, now, CompletenessLimitsOf(line));
}
