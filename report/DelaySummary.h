#pragma once
// Turns the newest ledger lines into the chart's bars and the summary texts.
#include "report/DelayBands.h"
#include "station/LedgerEntries.h"
#include "platform/Color.h"
#include "platform/DateTime.h"
#include "platform/SortedStringList.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

constexpr int PlottedLineCount = 46;
constexpr TColor ColourLate = 0x5050FF;        // more than the critical limit (45 minutes)
constexpr TColor ColourNearlyLate = 0x5096FF;  // more than the warning limit (35), up to the critical one
constexpr TColor ColourInTime = 0x46C846;      // up to the warning limit
constexpr TColor ColourOwnSeries = 0x20000000;
constexpr TColor ColourReferenceLine = 0x200080;

struct TDelayPoint
{
    TDateTime Day = 0;   // where the bar stands: its day, or its slot's time (TDelaySummary::SlotBars)
    double Minutes = 0;  // the bar's height; from a ledger line, a Single's value (DelayMinutes)
    TColor Colour = ColourOwnSeries;
    int32_t Seconds = 0;  // the delay itself, also for the bars drawn at height 0
};

struct TDelaySummary
{
    std::vector<TDelayPoint> Points;
    QStringList TextLines;  // one per coloured bar, in plotting order
    float Maximum = 0;      // largest minutes plotted with their own height
    // Days of the first and last plotted entries (0 when none); the reference
    // line runs between them and the caption names the last.
    // With SlotBars the times of the first and last slots.
    TDateTime FirstDate = 0;
    TDateTime LastDate = 0;
    // The limits the bars were coloured by; the reference line stands at the critical one.
    TFamilyLimits Limits;
    // A family with several slots a day: each bar stands at its slot's time
    // and its text line names that time; else on its day.
    bool SlotBars = false;
    // The least distance between two bars, in days: how far the reference
    // line reaches beyond the first and last bars (0.7 of it).
    double BarSpacing = 1;
};

// The colour of a bar of that many minutes under the limits.
TColor DelayColour(float minutes, const TFamilyLimits& limits = TFamilyLimits());

// Entries whose name does not convert to a date are skipped; a value that is
// not an integer sets the dates but adds no bar. Delays over 1440 minutes
// become bars of height 0 in the series' colour. slotBars: the bars stand at
// their entries' nominal times (one entry per slot), and the text lines carry
// the time ("2026-Dec-08 03:00  => 4.0 minutes").
TDelaySummary SummariseLedgerEntries(const std::vector<TLedgerEntry>& newest,
                                     const TFamilyLimits& limits = TFamilyLimits(), bool slotBars = false);

// How a family's chart is made.
struct TChartRules
{
    TFamilyLimits Limits;
    // The CRM products' chart as ever: NewestSlotEntries, each on its day.
    bool CrmBars = true;
    // The files a slot holds (how far back the bars' lines are sought first)
    // and the slots of the family's schedule a day (0: not known).
    int FilesPerSlot = 1;
    int SlotsPerDay = 0;
};

// The chart of a family: with CrmBars NewestSlotEntries, else one bar per slot
// of the newest 46 (NewestSlots), on the slots' times when the schedule has
// several slots a day or two of the slots share a day. With now, products
// named in the future are left out as if they were not there.
TDelaySummary SummariseFamilyChart(TLedgerEntries& entries, const TChartRules& rules,
                                   std::optional<TDateTime> now = std::nullopt);

// The entries of the last 46 lines of the ledger, oldest first; with now,
// products named in the future are left out as if they were not there.
std::vector<TLedgerEntry> NewestLedgerEntries(TLedgerEntries& entries, std::optional<TDateTime> now = std::nullopt);

// The chart's entries of a family whose slots hold filesPerSlot files: one
// per slot (nominal time) of the newest 46, oldest first, each the slot's
// latest file (the largest delay; an unmeasured file only in a slot without
// a measured one). With one file a slot, NewestLedgerEntries.
std::vector<TLedgerEntry> NewestSlotEntries(TLedgerEntries& entries, int filesPerSlot,
                                            std::optional<TDateTime> now = std::nullopt);

// One entry per slot of the newest 46, however many files each holds (the
// slot's latest file, as NewestSlotEntries takes it); the lines are read back
// from the end until 47 slots are seen, starting with 46 x filesPerSlot.
std::vector<TLedgerEntry> NewestSlots(TLedgerEntries& entries, int filesPerSlot,
                                      std::optional<TDateTime> now = std::nullopt);

// Critical limit + 2 (47), or the maximum + 2 once it reaches the critical
// limit, so that the reference line is always on the chart.
double LeftAxisMaximum(double maximum, const TFamilyLimits& limits = TFamilyLimits());

// The name a title gives the family's data: "CRM" for the CRM products (an
// empty name too), else the family's name as written.
QString FamilyDataName(const QString& family);

// "Lagwatch - latest data was from 2021-Jun-23, day 174", or with no data
// "Lagwatch - today is <today>, day <n>".
QString SummaryCaption(const QString& baseCaption, TDateTime lastDay, TDateTime nowUTC);

// "Lagwatch:" followed by up to five newest text lines, each after a CR and
// two blanks; "No Lagwatch data found" when there are none.
QString SummaryHint(const QStringList& textLines);

// What a run without a window prints: the caption, then the hint's lines,
// each ended by LF, in the locale's encoding.
QByteArray PrintedSummary(const QString& caption, const QString& hint);

// The hint as copied to the clipboard: followed by LF, CR, LF, CR.
QString ClipboardText(const QString& hint);
