#pragma once
// One product family as every output of a run reads it: its ledger entries,
// its limits, its status and its completeness, taken once at one moment, so
// that the check, the metrics, the report and the window never disagree
// within a run.
#include "report/Completeness.h"
#include "report/CompletenessReport.h"
#include "report/DelaySummary.h"
#include "report/StationStatus.h"
#include "station/DayDigest.h"
#include "station/LedgerEntries.h"

#include <QString>
#include <optional>
#include <vector>

// What a reading needs to know of a family besides its entries.
struct TFamilyRules
{
    QString Name;
    TFamilyLimits Limits;
    std::optional<TExpectedSchedule> Expect;  // none: learned
    std::optional<int> FilesPerSlot;          // none: learned
    TFigureUnit Unit = TFigureUnit::Slot;     // what the figures and the newest product count
    TFamilyOutages Outages = {};              // its planned outages: slots there are not due
    // The CRM products' chart, as ever (TChartRules::CrmBars); a family of
    // the families file has one bar per slot.
    bool CrmChart = true;
};

struct TFamilyReading
{
    QString Name;
    TLedgerEntries* Entries = nullptr;  // the family's, which outlive the reading
    TFamilyLimits Limits;  // the family's, which every output of the reading judges by
    TStationStatus Status;
    TStationCompleteness Completeness;
    TDelaySummary Summary;  // the chart: one bar per slot, coloured by the family's limits
    // Why the family's folder could not be walked; empty when it could.
    QString Problem;
    int ProductsRecorded = 0;
    // Why a family without products has none: the earlier family that takes
    // its files; empty when none does.
    QString ClaimedBy;
    // Day folders the walk found for the family; none: the run's count.
    std::optional<int> DayFoldersFound;
};

// The completeness of the last 30 UTC days against the given schedule, or
// else the one learned from the entries, with the files a slot holds as given
// or learned.
TStationCompleteness FamilyCompleteness(const TFamilyRules& rules, const TLedgerView& view, TDateTime now);

// problem, productsRecorded: the walk's, told along.
TFamilyReading ReadFamily(const TFamilyRules& rules, const TLedgerView& view, TDateTime now,
                          const QString& problem = {}, int productsRecorded = 0);
// Of a whole ledger's entries.
TFamilyReading ReadFamily(const TFamilyRules& rules, TLedgerEntries& entries, TDateTime now,
                          const QString& problem = {}, int productsRecorded = 0);

// What a run without a window prints (PrintedSummary): the caption and hint
// of each family, under a "[NAME]" line when there are several.
QByteArray PrintedFamilies(const std::vector<TFamilyReading>& families, const QString& baseCaption, TDateTime now);

// The families' completeness as the report and the history picture take it.
std::vector<TFamilyCompleteness> FamilyCompletenesses(const std::vector<TFamilyReading>& families);
