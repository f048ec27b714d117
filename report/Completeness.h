#pragma once
// Completeness and timeliness of a station, from its ledger alone: which
// products were expected (the schedule), which of them arrived, on time or
// late, and which are missing, per UTC day and over rolling windows.
//
// All times are the products' nominal times (the twelve digits of their
// names), compared on the millisecond grid, so a boundary is exact.
#include "platform/DateTime.h"
#include "station/DayDigest.h"
#include "station/FamilyLimits.h"
#include "station/Outages.h"
#include "station/ProductFile.h"
#include "station/Schedule.h"

#include <QString>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

// The files a complete slot of the schedule holds, learned as the schedule is
// (LearningDays): the most frequent count among the slots holding any file
// (of two counts as frequent, the larger); 1 while the schedule is not known
// or the learning days are fewer than ScheduleMinimumSampleDays, also when the
// schedule itself is given.
// The slots of planned outages teach nothing.
int LearnFilesPerSlot(const std::vector<TLedgerEntry>& entries, const TExpectedSchedule& schedule, TDateTime now);
int LearnFilesPerSlot(const std::vector<TProductGroup>& groups, const TExpectedSchedule& schedule, TDateTime now,
                      const TFamilyOutages& outages = {});

// NotDue: no product (yet), and the slot is not due, or lies before the
// ledger's first product (a new station is not missing its past).
// Unmeasured: a product arrived whose ledger value is no integer delay, or is
// clock skew; it fills its slot but is neither on time nor late. Also an
// incomplete slot of a day whose folder the walk could not list (not due).
// Excused: due and not complete, but inside a planned outage of its family
// (TFamilyOutages): neither expected nor missing. A slot of an outage that
// is complete counts as any other.
// Unmeasured and Excused were added after the others, so they come last.
enum class TSlotState { NotDue, OnTime, Late, VeryLate, Missing, Unmeasured, Excused };

// What the figures count. Slot: a family's slots, each once, however many
// files it holds (the unit of every family of a families file). Product:
// every product received, as the CRM products watched without a families
// file always were counted.
enum class TFigureUnit { Slot, Product };

// The figures of a day or a window.
//
// Counting slots (a slot of the schedule counts once it is due or complete):
//   Expected = Received + Missing, Received = OnTime + Late + VeryLate.
// Expected: the slots counted; Received: the complete ones, each on time,
// late or very late by its delay (the latest among its files); Missing: due
// and not complete; OnTimeRatio: OnTime / Expected. A complete slot whose
// files carry no delay is counted apart (Unmeasured), in none of those; files
// at a time off the schedule make no slot. While the schedule is not known
// every nominal time is a slot and nothing is missing (Expected = Received).
// The delays are those of the received slots; Files counts every file.
//
// Counting products: Expected, Missing, MissingFiles and OnTimeInSlots count
// due slots; Received, OnTime, Late, VeryLate, Unmeasured and the delays count
// every product received (products outside the schedule too, and products of
// slots not due yet), each exactly one of OnTime, Late, VeryLate and
// Unmeasured.
//
// The bands are the chart's (DelayBandOf on DelayMinutes): on time up to the
// family's warning limit, late up to its critical limit, very late above. A
// slot is due MissingAfterMinutes after its nominal time (exactly then too).
struct TCompletenessFigures
{
    int Expected = 0;
    int Received = 0;
    int Missing = 0;       // due slots that are not complete
    int MissingFiles = 0;  // the files those slots lack
    int Late = 0;
    int VeryLate = 0;
    int OnTimeInSlots = 0;              // due slots holding an on-time product (counting slots: OnTime)
    std::optional<double> OnTimeRatio;  // OnTimeInSlots / Expected; none without due slots or schedule
    // Over the delays counted (nearest rank: the ceil(p*n)-th smallest).
    int DelayCount = 0;
    double DelaySumSeconds = 0;
    std::optional<int32_t> DelayP50Seconds, DelayP95Seconds, DelayMaxSeconds;
    int OnTime = 0;
    int Unmeasured = 0;  // also clock skew, and counting slots what could not be listed
    int Files = 0;       // files received, on the schedule or not
    int Excused = 0;     // slots of planned outages that are not complete, in none of the above
    // Products (slots: slots whose delay is that of their latest file) whose
    // delay is clock skew (IsClockSkew): unmeasured, and out of the delays.
    int ClockSkew = 0;
};

// One expected slot of one day. A slot is complete once it holds the files
// a slot holds (TStationCompleteness::FilesPerSlot). Counting slots, it is as
// late as its latest file (the largest delay; unmeasured only when none of
// its files has a delay); counting products, as the file that completed it.
struct TSlotCell
{
    int SlotMinutes = 0;
    TDateTime Nominal = 0;
    TSlotState State = TSlotState::NotDue;
    // The file that gave the slot its delay, empty while the slot is not
    // complete. Counting slots: its latest file (of equals the first in
    // ledger order). Counting products: of its files ordered by delay
    // (measured first, of equals the first in ledger order) the one at
    // files-per-slot, which with exactly that many files is the latest.
    QString Product;
    std::optional<int32_t> DelaySeconds;
    int Files = 0;         // the files the slot holds
    int MissingFiles = 0;  // a missing slot: the files it lacks
    bool Due = false;      // counted in Expected: due, and not before the ledger's first product
    int Outage = -1;       // the window (TStationCompleteness::Outages) holding the nominal time, or -1
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
    int FilesPerSlot = 1;
    TFigureUnit Unit = TFigureUnit::Slot;
    // The last 30 UTC days including today's, newest first; days before the
    // ledger's first product have no due slots. Today's figures reach up to now.
    std::vector<TDayCompleteness> Days;
    // The products and slots whose nominal time lies after now minus 24 hours,
    // 7 days or 30 days, and not after now.
    TCompletenessFigures Last24Hours, Last7Days, Last30Days;
    // The nominal times of the slots missing in the last 24 hours, oldest first.
    std::vector<TDateTime> Missing24Hours;

    // The family's planned outages, the one active now, and the slots each
    // window excused in the last 24 hours, 7 and 30 days.
    TFamilyOutages Outages;
    std::optional<TActiveOutage> ActiveOutage;
    struct TExcusedSlots
    {
        int Last24Hours = 0, Last7Days = 0, Last30Days = 0;
    };
    std::vector<TExcusedSlots> ExcusedByWindow;  // one per window of Outages
    // How much of the time since the newest product planned outages cover
    // (set by the family's reading): a silence they explain is no fault.
    double OutageSecondsSinceNewest = 0;
};

// entries: the ledger's entries in ledger order (any order will do): the
// whole ledger, or those from CompletenessSince(now) on with the newest
// product before it (TLedgerEntries::Since), which tells that the ledger
// reaches further back. Linear in the entries; the work beyond one pass over
// them is bounded by the 31 days looked at. filesPerSlot: from 1.
TStationCompleteness AssessCompleteness(const std::vector<TLedgerEntry>& entries, const TExpectedSchedule& schedule,
                                        TDateTime now, const TFamilyLimits& limits, int filesPerSlot = 1,
                                        TFigureUnit unit = TFigureUnit::Slot, const TFamilyOutages& outages = {});
// The same of products given in groups (DayDigest.h; a slot's product is
// named only when its group is one entry). holdsOlder: the ledger holds
// products before the groups. unlisted: the days the walk could not list.
TStationCompleteness AssessCompleteness(const std::vector<TProductGroup>& groups, bool holdsOlder,
                                        const TExpectedSchedule& schedule, TDateTime now, const TFamilyLimits& limits,
                                        int filesPerSlot = 1, TFigureUnit unit = TFigureUnit::Slot,
                                        const TFamilyOutages& outages = {}, const TUnlistedDays* unlisted = nullptr);

// The nearest-rank percentile (the ceil(percent*n/100)-th smallest) of sorted
// values; none for no values. percent from 1 to 100.
std::optional<int32_t> NearestRank(const std::vector<int32_t>& sorted, int percent);
