// The expected schedule: given on the command line, or learned from the
// ledger's recent days.
#include "station/Schedule.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <bitset>

namespace {

constexpr int MinutesPerDay = 1440;
constexpr int64_t MsPerMinute = 60000;
constexpr int64_t MsPerDay = 86400000;

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

}  // namespace

std::optional<TExpectedSchedule> ParseExpectedSchedule(const QString& value, QString& error)
{
    static const QRegularExpression every(QStringLiteral("^([0-9]{1,4})([mh])$"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression time(QStringLiteral("^([0-9]{1,2}):([0-9]{2})$"));
    TExpectedSchedule schedule;
    if (const QRegularExpressionMatch m = every.match(value); m.hasMatch()) {
        const bool hours = m.captured(2).compare(QLatin1String("h"), Qt::CaseInsensitive) == 0;
        const int step = m.captured(1).toInt() * (hours ? 60 : 1);
        if (step < 1 || step > MinutesPerDay || MinutesPerDay % step != 0) {
            error = QStringLiteral("'%1' is no whole part of a day: every N minutes needs N from 1 to 1440 that "
                                   "divides 1440 (1m, 5m, 15m, 30m, 1h, 3h, ...)")
                        .arg(value);
            return std::nullopt;
        }
        schedule.Source = TExpectedSchedule::TSource::Every;
        for (int minute = 0; minute < MinutesPerDay; minute += step)
            schedule.SlotMinutes.push_back(minute);
        return schedule;
    }
    schedule.Source = TExpectedSchedule::TSource::List;
    for (const QString& item : value.split(QLatin1Char(','))) {
        const QString trimmed = item.trimmed();
        const QRegularExpressionMatch m = time.match(trimmed);
        const int hour = m.hasMatch() ? m.captured(1).toInt() : -1;
        const int minute = m.hasMatch() ? m.captured(2).toInt() : -1;
        if (hour < 0 || hour > 23 || minute < 0 || minute > 59) {
            error = QStringLiteral("'%1' is neither every N minutes (15m) nor a list of times of day from 00:00 to "
                                   "23:59 (12:00,13:15)")
                        .arg(value);
            return std::nullopt;
        }
        schedule.SlotMinutes.push_back(hour * 60 + minute);
    }
    std::sort(schedule.SlotMinutes.begin(), schedule.SlotMinutes.end());
    schedule.SlotMinutes.erase(std::unique(schedule.SlotMinutes.begin(), schedule.SlotMinutes.end()),
                               schedule.SlotMinutes.end());
    return schedule;
}

TExpectedSchedule LearnSchedule(const std::vector<TLedgerEntry>& entries, TDateTime now)
{
    return LearnSchedule(ProductGroupsOf(entries), now);
}

int LearningDays(const std::vector<TProductGroup>& groups, TDateTime now)
{
    const int64_t today = FloorDiv(DateTimeToUnixMs(now), MsPerDay);
    const int64_t first = today - ScheduleSampleSpanDays;
    std::bitset<ScheduleSampleSpanDays> held;
    for (const TProductGroup& group : groups)
        if (const int64_t day = FloorDiv(group.Ms, MsPerDay); day >= first && day < today)
            held.set(static_cast<size_t>(day - first));
    return static_cast<int>(held.count());
}

TExpectedSchedule LearnSchedule(const std::vector<TProductGroup>& groups, TDateTime now, const TFamilyOutages& outages)
{
    const int64_t today = FloorDiv(DateTimeToUnixMs(now), MsPerDay);
    const int64_t first = today - ScheduleSampleSpanDays;
    // Which minutes of each sample day hold a product.
    std::array<std::bitset<MinutesPerDay>, ScheduleSampleSpanDays> held;
    for (const TProductGroup& group : groups) {
        const int64_t minute = FloorDiv(group.Ms, MsPerMinute);
        const int64_t day = FloorDiv(minute, MinutesPerDay);
        if (day < first || day >= today)
            continue;
        held[static_cast<size_t>(day - first)].set(static_cast<size_t>(minute - day * MinutesPerDay));
    }

    TExpectedSchedule schedule;
    schedule.Source = TExpectedSchedule::TSource::Learned;
    std::array<int, MinutesPerDay> daysHolding{};
    // Per minute, the sample days on which an outage left it empty.
    std::array<int, MinutesPerDay> daysExcused{};
    for (size_t d = 0; d < held.size(); ++d) {
        const std::bitset<MinutesPerDay>& day = held[d];
        if (day.none())
            continue;
        ++schedule.SampleDays;
        for (size_t minute = 0; minute < MinutesPerDay; ++minute) {
            daysHolding[minute] += day[minute];
            if (!day[minute] && !outages.Windows.empty())
                daysExcused[minute] += outages.Excusing((first + static_cast<int64_t>(d)) * MsPerDay +
                                                        static_cast<int64_t>(minute) * MsPerMinute) >= 0;
        }
    }
    if (schedule.SampleDays < ScheduleMinimumSampleDays)
        return schedule;
    for (size_t minute = 0; minute < MinutesPerDay; ++minute) {
        const int sample = schedule.SampleDays - daysExcused[minute];
        if (daysHolding[minute] > 0 && 2 * daysHolding[minute] >= sample)
            schedule.SlotMinutes.push_back(static_cast<int>(minute));
    }
    return schedule;
}
