#include "report/DelaySummary.h"

#include "station/Utils.h"
#include "platform/DateFormat.h"
#include "platform/NumberFormat.h"

#include <algorithm>
#include <cmath>

TColor DelayColour(float minutes)
{
    switch (DelayBandOf(minutes)) {
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

// The entries of the last `count` lines, not counting the products named in
// the future, which sort last and are left out.
std::vector<TLedgerEntry> NewestLines(TLedgerEntries& entries, int count, std::optional<TDateTime> now)
{
    const auto future = [&now](const TLedgerEntry& e) { return now && IsNamedInFuture(e.Nominal, *now); };
    std::vector<TLedgerEntry> lines;
    for (qsizetype skipped = -1, found = 0; found != skipped;) {
        skipped = found;
        lines = entries.FromLine(entries.LineCount() - count - static_cast<int>(skipped));
        found = std::count_if(lines.begin(), lines.end(), future);
    }
    lines.erase(std::remove_if(lines.begin(), lines.end(), future), lines.end());
    return lines;
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
    std::vector<TLedgerEntry> lines = NewestLines(entries, PlottedLineCount * filesPerSlot, now);
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
    if (bars.size() > PlottedLineCount)
        bars.erase(bars.begin(), bars.end() - PlottedLineCount);
    return bars;
}

TDelaySummary SummariseLedgerEntries(const std::vector<TLedgerEntry>& newest)
{
    TDelaySummary s;
    for (const TLedgerEntry& entry : newest) {
        // A name that is not a product time would put a bar in 1899 and
        // squeeze every real bar into one pixel.
        if (entry.Nominal == 0.0)
            continue;
        const TDateTime day = std::trunc(entry.Nominal);
        if (s.FirstDate == 0)
            s.FirstDate = day;
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
        s.Points.push_back({day, minutes, DelayColour(minutes), seconds});
        s.TextLines.append(FormatDateTime(QStringLiteral("yyyy-mmm-dd"), day) + QStringLiteral("  => ") +
                           FormatFixed(minutes, 1) + QStringLiteral(" minutes"));
    }
    return s;
}

double LeftAxisMaximum(double maximum) { return maximum >= 45 ? maximum + 2 : 47.0; }

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
