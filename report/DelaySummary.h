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
constexpr TColor ColourLate = 0x5050FF;        // more than 45 minutes
constexpr TColor ColourNearlyLate = 0x5096FF;  // more than 35, up to 45
constexpr TColor ColourInTime = 0x46C846;      // 35 minutes or less
constexpr TColor ColourOwnSeries = 0x20000000;
constexpr TColor ColourReferenceLine = 0x200080;

struct TDelayPoint
{
    TDateTime Day = 0;
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
    TDateTime FirstDate = 0;
    TDateTime LastDate = 0;
};

TColor DelayColour(float minutes);

// Entries whose name does not convert to a date are skipped; a value that is
// not an integer sets the dates but adds no bar. Delays over 1440 minutes
// become bars of height 0 in the series' colour.
TDelaySummary SummariseLedgerEntries(const std::vector<TLedgerEntry>& newest);

// The entries of the last 46 lines of the ledger, oldest first; with now,
// products named in the future are left out as if they were not there.
std::vector<TLedgerEntry> NewestLedgerEntries(TLedgerEntries& entries, std::optional<TDateTime> now = std::nullopt);

// The chart's entries of a family whose slots hold filesPerSlot files: one
// per slot (nominal time) of the newest 46, oldest first, each the slot's
// latest file (the largest delay; an unmeasured file only in a slot without
// a measured one). With one file a slot, NewestLedgerEntries.
std::vector<TLedgerEntry> NewestSlotEntries(TLedgerEntries& entries, int filesPerSlot,
                                            std::optional<TDateTime> now = std::nullopt);

// 47, or the maximum + 2 once it reaches 45 minutes.
double LeftAxisMaximum(double maximum);

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
