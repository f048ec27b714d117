#include "report/DelaySummary.h"

#include "station/Utils.h"
#include "platform/DateFormat.h"
#include "platform/NumberFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

TColor DelayColour(float minutes, const TFamilyLimits& limits)
{
    switch (DelayBandOf(minutes, limits)) {
    case TDelayBand::Late:
        return ColourLate;
    case TDelayBand::NearlyLate:
        return ColourNearlyLate;
    case TDelayBand::InTime:
        break;
    }
    return ColourInTime;
}

namespace {

bool NamedInFuture(const TLedgerEntry& entry, const std::optional<TDateTime>& now)
{
    return now && IsNamedInFuture(entry.Nominal, *now);
}

// The entries of the last `count` lines, not counting the products named in
// the future, which sort last and are left out.
std::vector<TLedgerEntry> NewestLines(TLedgerEntries& entries, int count, std::optional<TDateTime> now)
{
    const auto future = [&now](const TLedgerEntry& e) { return NamedInFuture(e, now); };
    std::vector<TLedgerEntry> lines;
    for (qsizetype skipped = -1, found = 0; found != skipped;) {
        skipped = found;
        lines = entries.FromLine(entries.LineCount() - count - static_cast<int>(skipped));
        found = std::count_if(lines.begin(), lines.end(), future);
    }
    lines.erase(std::remove_if(lines.begin(), lines.end(), future), lines.end());
    return lines;
}

// The entries one per nominal time, oldest first, each its slot's latest file
// (the largest delay; an unmeasured file only in a slot without a measured one).
std::vector<TLedgerEntry> OnePerSlot(std::vector<TLedgerEntry> lines)
{
    std::stable_sort(lines.begin(), lines.end(),
                     [](const TLedgerEntry& a, const TLedgerEntry& b) { return a.Nominal < b.Nominal; });
    std::vector<TLedgerEntry> bars;
    for (TLedgerEntry& line : lines) {
        if (line.Nominal == 0.0)
            continue;
        if (bars.empty() || bars.back().Nominal != line.Nominal)
            bars.push_back(std::move(line));
        else if (line.Seconds && (!bars.back().Seconds || *line.Seconds > *bars.back().Seconds))
            bars.back() = std::move(line);
    }
    return bars;
}

void KeepNewestBars(std::vector<TLedgerEntry>& bars)
{
    if (bars.size() > PlottedLineCount)
        bars.erase(bars.begin(), bars.end() - PlottedLineCount);
}

}  // namespace

std::vector<TLedgerEntry> NewestLedgerEntries(TLedgerEntries& entries, std::optional<TDateTime> now)
{
    return NewestLines(entries, PlottedLineCount, now);
}

std::vector<TLedgerEntry> NewestSlotEntries(TLedgerEntries& entries, int filesPerSlot, std::optional<TDateTime> now)
{
    if (filesPerSlot <= 1)
        return NewestLedgerEntries(entries, now);
    // Enough lines for 46 complete bars; late files of older bars that sort
    // among them only add bars that are then left out.
    std::vector<TLedgerEntry> bars = OnePerSlot(NewestLines(entries, PlottedLineCount * filesPerSlot, now));
    KeepNewestBars(bars);
    return bars;
}

std::vector<TLedgerEntry> NewestSlots(TLedgerEntries& entries, int filesPerSlot, std::optional<TDateTime> now)
{
    // The lines are in time order: once a 47th slot shows, the 46 after it
    // are whole. A files-per-slot not known yet (1) or too small costs a few
    // more reads, not bars of single files.
    int64_t lines = int64_t(PlottedLineCount) * std::max(1, filesPerSlot);
    for (;;) {
        const int first = int(std::max<int64_t>(0, entries.LineCount() - lines));
        std::vector<TLedgerEntry> read = entries.FromLine(first);
        read.erase(
            std::remove_if(read.begin(), read.end(), [&](const TLedgerEntry& e) { return NamedInFuture(e, now); }),
            read.end());
        std::vector<TLedgerEntry> bars = OnePerSlot(std::move(read));
        if (first == 0 || bars.size() > PlottedLineCount) {
            KeepNewestBars(bars);
            return bars;
        }
        lines *= 2;
    }
}

TDelaySummary SummariseLedgerEntries(const std::vector<TLedgerEntry>& newest, const TFamilyLimits& limits,
                                     bool slotBars)
{
    TDelaySummary s;
    s.Limits = limits;
    s.SlotBars = slotBars;
    const QString pattern = slotBars ? QStringLiteral("yyyy-mmm-dd hh:nn") : QStringLiteral("yyyy-mmm-dd");
    double spacing = 0;
    for (const TLedgerEntry& entry : newest) {
        // A name that is not a product time would put a bar in 1899 and
        // squeeze every real bar into one pixel.
        if (entry.Nominal == 0.0)
            continue;
        const TDateTime day = slotBars ? entry.Nominal : std::trunc(entry.Nominal);
        if (s.FirstDate == 0)
            s.FirstDate = day;
        else if (slotBars && day > s.LastDate && (spacing == 0 || day - s.LastDate < spacing))
            spacing = day - s.LastDate;
        s.LastDate = day;
        if (!entry.Seconds)
            continue;
        const int32_t seconds = *entry.Seconds;
        const float minutes = DelayMinutes(seconds);
        if (minutes > 1440) {
            s.Points.push_back({day, 0.0f, ColourOwnSeries, seconds});
            continue;
        }
        s.Maximum = std::max(s.Maximum, minutes);
        s.Points.push_back({day, minutes, DelayColour(minutes, limits), seconds});
        s.TextLines.append(FormatDateTime(pattern, day) + QStringLiteral("  => ") + FormatFixed(minutes, 1) +
                           QStringLiteral(" minutes"));
    }
    if (spacing > 0)
        s.BarSpacing = spacing;
    return s;
}

TDelaySummary SummariseFamilyChart(TLedgerEntries& entries, const TChartRules& rules, std::optional<TDateTime> now)
{
    if (rules.CrmBars)
        return SummariseLedgerEntries(NewestSlotEntries(entries, rules.FilesPerSlot, now), rules.Limits);
    const std::vector<TLedgerEntry> bars = NewestSlots(entries, rules.FilesPerSlot, now);
    bool subDaily = rules.SlotsPerDay > 1;
    for (size_t i = 1; i < bars.size() && !subDaily; ++i)
        subDaily = std::trunc(bars[i].Nominal) == std::trunc(bars[i - 1].Nominal);
    return SummariseLedgerEntries(bars, rules.Limits, subDaily);
}

double LeftAxisMaximum(double maximum, const TFamilyLimits& limits)
{
    return maximum >= limits.CriticalMinutes ? maximum + 2 : limits.CriticalMinutes + 2;
}

QString FamilyDataName(const QString& family)
{
    const bool crm = family.isEmpty() || family.compare(QLatin1String("crm"), Qt::CaseInsensitive) == 0;
    return crm ? QStringLiteral("CRM") : family;
}

QString SummaryCaption(const QString& baseCaption, TDateTime lastDay, TDateTime nowUTC)
{
    const QString dayPattern = QStringLiteral("yyyy-mmm-dd");
    if (lastDay != 0)
        return baseCaption + QStringLiteral(" - latest data was from ") + FormatDateTime(dayPattern, lastDay) +
               QStringLiteral(", day ") + FormatPadded(DayOfYearUTC(lastDay), 3);
    return baseCaption + QStringLiteral(" - today is ") + FormatDateTime(dayPattern, nowUTC) +
           QStringLiteral(", day ") + FormatPadded(DayOfYearUTC(nowUTC), 3);
}

QString SummaryHint(const QStringList& textLines)
{
    QString hint = QStringLiteral("Lagwatch:");
    const qsizetype last = textLines.size() - 1;
    const qsizetype stop = std::max<qsizetype>(0, textLines.size() - 5);
    for (qsizetype i = last; i >= stop; --i)
        hint += QLatin1Char('\r') + QStringLiteral("  ") + textLines[i];
    if (hint == QLatin1String("Lagwatch:"))
        hint = QStringLiteral("No Lagwatch data found");
    return hint;
}

QString ClipboardText(const QString& hint) { return hint + QStringLiteral("\n\r\n\r"); }

QByteArray PrintedSummary(const QString& caption, const QString& hint)
{
    QString text = caption + QLatin1Char('\n') + hint;
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text += QLatin1Char('\n');
    return text.toLocal8Bit();
}
