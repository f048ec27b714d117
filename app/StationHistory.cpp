#include "app/StationHistory.h"

TStationCompleteness StationCompletenessOf(const TCommandLine& line, TLedgerEntries& entries, TDateTime now)
{
    // The days shown and the ones the schedule is learned from, with the
    // product before them, which tells how far back the ledger reaches.
    const std::vector<TLedgerEntry> recent = entries.Since(CompletenessSince(now));
    const TExpectedSchedule schedule = line.Expect ? *line.Expect : LearnSchedule(recent, now);
    return AssessCompleteness(recent, schedule, now, CompletenessLimitsOf(line));
}
