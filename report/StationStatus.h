#pragma once
// What a monitoring server wants to know of a station, read from the ledger
// at a given time: the newest product, its delay and age, and how many of the
// chart's bars are over the thresholds. The health check and the metrics
// file both report from this one reading.
#include "report/Completeness.h"
#include "report/DelayBands.h"
#include "report/DelaySummary.h"
#include "platform/DateTime.h"
#include "station/Family.h"
#include "station/LedgerEntries.h"

#include <QString>
#include <cstdint>
#include <optional>

struct TNewestProduct
{
    QString Name;
    TDateTime Nominal = 0;
    std::optional<int32_t> DelaySeconds;  // none when the value is no integer
};

struct TStationStatus
{
    int LedgerEntries = 0;
    // None when the ledger holds no product not named in the future.
    // Counting slots: the newest slot (nominal time), its delay the latest
    // among its files, named by the file of that delay. Counting products:
    // the last ledger line with a name that is a product time.
    std::optional<TNewestProduct> Newest;
    // Products named in the future (IsNamedInFuture), which no output takes
    // as the newest.
    int FutureProducts = 0;
    double NewestAgeSeconds = 0;  // now minus the newest nominal time
    // The chart's bars, and those whose delay is more than each threshold
    // (a bar drawn at height 0 for more than a day counts as over both).
    int Plotted = 0;
    int PlottedOverWarning = 0;
    int PlottedOverCritical = 0;
};

// filesPerSlot: the chart's bars are its slots (NewestSlotEntries).
TStationStatus AssessStation(TLedgerEntries& entries, TDateTime now, const TFamilyLimits& limits,
                             int filesPerSlot = 1, TFigureUnit unit = TFigureUnit::Slot);
// The same with the chart's summary made already (SummariseLedgerEntries of NewestSlotEntries).
TStationStatus AssessStation(TLedgerEntries& entries, TDateTime now, const TFamilyLimits& limits,
                             const TDelaySummary& chart, TFigureUnit unit = TFigureUnit::Slot);

// The newest slot of a ledger (see TStationStatus::Newest), read back from
// its end only as far as that slot's files reach; with now, not named in the
// future, counting in *future the products that are (TLedgerEntries::NewestProduct).
std::optional<TNewestProduct> NewestSlot(TLedgerEntries& entries, std::optional<TDateTime> now = std::nullopt,
                                         int* future = nullptr);

// "2021-06-23T12:00:00Z"; empty outside the years 1 to 9999.
QString FormatIsoUtc(TDateTime value);

// A number without trailing zeros and with a point in every locale: "35", "35.5", "0.125".
QString FormatPlainNumber(double value);
