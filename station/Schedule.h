#pragma once
// The nominal times of day a product family is expected to deliver: given
// (a cadence or times of day) or learned from the ledger's recent days.
#include "platform/DateTime.h"
#include "station/DayDigest.h"
#include "station/Outages.h"
#include "station/ProductFile.h"

#include <QString>
#include <cmath>
#include <optional>
#include <vector>

// The nominal times of day a station is expected to deliver, in minutes after
// 00:00 UTC, ascending and unique. Empty: not known (yet).
struct TExpectedSchedule
{
    enum class TSource { Learned, Every, List };
    TSource Source = TSource::Learned;
    std::vector<int> SlotMinutes;
    // Learned only: how many days the schedule was learned from (also when
    // they were too few to learn anything).
    int SampleDays = 0;

    bool Known() const { return !SlotMinutes.empty(); }
};

// The days a schedule is learned from, and the fewest that teach anything.
constexpr int ScheduleSampleSpanDays = 14;
constexpr int ScheduleMinimumSampleDays = 3;

// -expect=VALUE: "15m" or "1h" (every 15 minutes or every hour from 00:00
// UTC; a divisor of 1440 minutes) or "12:00,13:15" (times of day, HH:MM or H:MM, 00:00 to
// 23:59, in any order; a time given twice counts once). Nothing, with error
// set, for a malformed value.
std::optional<TExpectedSchedule> ParseExpectedSchedule(const QString& value, QString& error);

// The earliest nominal time the figures and the learned schedule look at:
// 00:00 UTC 30 days before today's (the 30-day window begins in that day).
inline TDateTime CompletenessSince(TDateTime now) { return std::floor(now) - 30; }

// Learned from the ledger (entries as for AssessCompleteness): the sample is the days among the 14 UTC days
// before today's that hold at least one product; a slot (HH:MM of a product's
// nominal time) is expected when it holds a product on at least half of them.
// Fewer than 3 sample days learn nothing (SlotMinutes stays empty). A time of
// day that a planned outage held empty on a sample day is judged by the other
// sample days: an outage's empty slots are not the station's schedule.
TExpectedSchedule LearnSchedule(const std::vector<TLedgerEntry>& entries, TDateTime now);
TExpectedSchedule LearnSchedule(const std::vector<TProductGroup>& groups, TDateTime now,
                                const TFamilyOutages& outages = {});

// The days the schedule (and the files a slot holds) are learned from: those
// among the 14 UTC days before today's that hold at least one product.
int LearningDays(const std::vector<TProductGroup>& groups, TDateTime now);
