#pragma once
// Completeness and timeliness of a station, from its ledger alone: which
// products were expected (the schedule), which of them arrived, on time or
// late, and which are missing, per UTC day and over rolling windows.
#include "platform/DateTime.h"
#include "station/ProductFile.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// The nominal times of day a station is expected to deliver, in minutes after
// 00:00 UTC, ascending and unique. Empty: not known (yet).
struct TExpectedSchedule
{
    enum class TSource { Learned, Every, List };
    TSource Source = TSource::Learned;
    std::vector<int> SlotMinutes;
    // Learned only: how many days the schedule was learned from.
    int SampleDays = 0;

    bool Known() const { return !SlotMinutes.empty(); }
};

// -expect=VALUE: "15m" (every 15 minutes from 00:00 UTC; a divisor of 1440
// from 1 to 1440) or "12:00,13:15" (times of day). Nothing, with error set,
// for a malformed value.
std::optional<TExpectedSchedule> ParseExpectedSchedule(const QString& value, QString& error);

// Learned from the ledger: the sample is the days among the 14 UTC days
// before today's that hold at least one product; a slot (HH:MM of a product's
// nominal time) is expected when it holds a product on at least half of them.
// Fewer than 3 sample days learn nothing.
TExpectedSchedule LearnSchedule(const std::vector<TLedgerEntry>& entries, TDateTime now);

struct TCompletenessLimits
{
    double WarningMinutes = 35;       // on time: not more than this
    double CriticalMinutes = 45;      // late: more than warning, not more than this; very late: more
    double MissingAfterMinutes = 90;  // a slot is due this long after its nominal time
};

enum class TSlotState { NotDue, OnTime, Late, VeryLate, Missing };

// The figures of a day or a window. Counts over due slots, except Received,
// Late, VeryLate and the delays, which count every product received (products
// outside the schedule too).
struct TCompletenessFigures
{
    int Expected = 0;  // due slots
    int Received = 0;
    int Missing = 0;
    int Late = 0;
    int VeryLate = 0;
    int OnTimeInSlots = 0;              // due slots holding an on-time product
    std::optional<double> OnTimeRatio;  // OnTimeInSlots / Expected; none without due slots
    // Over the received products with an integer delay (nearest rank).
    int DelayCount = 0;
    double DelaySumSeconds = 0;
    std::optional<int32_t> DelayP50Seconds, DelayP95Seconds, DelayMaxSeconds;
};

// One expected slot of one day.
struct TSlotCell
{
    int SlotMinutes = 0;
    TDateTime Nominal = 0;
    TSlotState State = TSlotState::NotDue;
    QString Product;  // empty when missing or not due without a product
    std::optional<int32_t> DelaySeconds;
};

struct TDayCompleteness
{
    TDateTime Day = 0;  // the UTC day (whole number)
    TCompletenessFigures Figures;
    std::vector<TSlotCell> Cells;  // one per slot of the schedule, in time-of-day order
};

struct TStationCompleteness
{
    TExpectedSchedule Schedule;
    // The last 30 UTC days including today's, newest first; days before the
    // ledger's first product have no due slots.
    std::vector<TDayCompleteness> Days;
    TCompletenessFigures Last24Hours, Last7Days, Last30Days;
    // The nominal times of the slots missing in the last 24 hours, oldest first.
    std::vector<TDateTime> Missing24Hours;
};

// entries: the whole ledger, parsed, in ledger order.
TStationCompleteness AssessCompleteness(const std::vector<TLedgerEntry>& entries, const TExpectedSchedule& schedule,
                                        TDateTime now, const TCompletenessLimits& limits);
