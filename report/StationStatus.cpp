#include "report/StationStatus.h"

#include "report/DelaySummary.h"
#include "station/ProductFile.h"

#include <algorithm>
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

std::optional<TNewestProduct> NewestSlot(TLedgerEntries& entries, std::optional<TDateTime> now, int* future)
{
    const TLedgerEntry* last = entries.NewestProduct(now, future);
    if (!last)
        return std::nullopt;
    // The ledger's order is the products' order in time: the slot's files
    // are the lines before its last, back to another time (those after it are
    // named in the future).
    const TDateTime nominal = last->Nominal;
    const int lastLine = last->Line;
    for (int64_t back = 64;; back *= 2) {
        const int first = static_cast<int>(std::max<int64_t>(0, lastLine - back));
        const std::vector<TLedgerEntry> tail = entries.FromLine(first);
        const auto end =
            std::find_if(tail.begin(), tail.end(), [&](const TLedgerEntry& e) { return e.Line > lastLine; });
        const auto other = std::find_if(std::make_reverse_iterator(end), tail.rend(), [&](const TLedgerEntry& e) {
            return e.Nominal != 0.0 && e.Nominal != nominal;
        });
        if (other == tail.rend() && first > 0)
            continue;
        // Of the slot's files the one with the latest delay (of equals the
        // first); the last file while none has a delay.
        const TLedgerEntry* latest = nullptr;
        for (auto e = other.base(); e != end; ++e)
            if (e->Nominal == nominal && e->Seconds && (!latest || *e->Seconds > *latest->Seconds))
                latest = &*e;
        if (!latest)
            for (auto e = other.base(); e != end; ++e)
                if (e->Nominal == nominal)
                    latest = &*e;
        return TNewestProduct{latest->Name, nominal, latest->Seconds};
    }
}

TStationStatus AssessStation(TLedgerEntries& entries, TDateTime now, const TFamilyLimits& limits, int filesPerSlot,
                             TFigureUnit unit)
{
    return AssessStation(entries, now, limits, SummariseLedgerEntries(NewestSlotEntries(entries, filesPerSlot, now)),
                         unit);
}

TStationStatus AssessStation(TLedgerEntries& entries, TDateTime now, const TFamilyLimits& limits,
                             const TDelaySummary& chart, TFigureUnit unit)
{
    TStationStatus status;
    status.LedgerEntries = entries.LineCount();
    if (unit == TFigureUnit::Slot) {
        status.Newest = NewestSlot(entries, now, &status.FutureProducts);
    } else if (const TLedgerEntry* entry = entries.NewestProduct(now, &status.FutureProducts)) {
        status.Newest = TNewestProduct{entry->Name, entry->Nominal, entry->Seconds};
    }
    if (status.Newest)
        // On the millisecond grid, so that an age of exactly the limit is not a rounding error above it.
        status.NewestAgeSeconds =
            static_cast<double>(DateTimeToUnixMs(now) - DateTimeToUnixMs(status.Newest->Nominal)) / 1000.0;
    for (const TDelayPoint& point : chart.Points) {
        ++status.Plotted;
        const TDelayBand band = DelayBandOf(DelayMinutes(point.Seconds), limits);
        status.PlottedOverWarning += band != TDelayBand::InTime;
        status.PlottedOverCritical += band == TDelayBand::Late;
    }
    return status;
}
