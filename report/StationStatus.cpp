#include "report/StationStatus.h"

#include "report/DelaySummary.h"
#include "station/ProductFile.h"

#include <cstdio>

QString FormatIsoUtc(TDateTime value)
{
    // Digits only, so no locale is involved; plain printf, as a CSV of a big
    // ledger formats this once a line.
    TDateParts d;
    TTimeParts t;
    if (!TryDecodeDate(value, d) || !TryDecodeTime(value, t))
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", d.Year, d.Month, d.Day, t.Hour, t.Minute,
                  t.Second);
    return QString::fromLatin1(text);
}

QString FormatPlainNumber(double value)
{
    QString text = QString::number(value, 'f', 3);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

TStationStatus AssessStation(TLedgerEntries& entries, TDateTime now, const TMonitoringThresholds& thresholds,
                             int filesPerSlot)
{
    return AssessStation(entries, now, thresholds,
                         SummariseLedgerEntries(NewestSlotEntries(entries, filesPerSlot, now)));
}

TStationStatus AssessStation(TLedgerEntries& entries, TDateTime now, const TMonitoringThresholds& thresholds,
                             const TDelaySummary& chart)
{
    TStationStatus status;
    status.LedgerEntries = entries.LineCount();
    if (const TLedgerEntry* entry = entries.NewestProduct(now, &status.FutureProducts)) {
        const TDateTime nominal = entry->Nominal;
        const TNewestProduct newest{entry->Name, nominal, entry->Seconds};
        status.Newest = newest;
        // On the millisecond grid, so that an age of exactly the limit is not a rounding error above it.
        status.NewestAgeSeconds = static_cast<double>(DateTimeToUnixMs(now) - DateTimeToUnixMs(nominal)) / 1000.0;
    }
    for (const TDelayPoint& point : chart.Points) {
        ++status.Plotted;
        const TDelayBand band =
            DelayBandOf(DelayMinutes(point.Seconds), thresholds.WarningMinutes, thresholds.CriticalMinutes);
        status.PlottedOverWarning += band != TDelayBand::InTime;
        status.PlottedOverCritical += band == TDelayBand::Late;
    }
    return status;
}
