// A nightly planned outage over every output of a 15-minute family: the
// slots it excuses are neither expected nor missing in the day, the windows,
// the report, the metrics and the check, which tells the outage while it is
// active; a real miss beside it still counts. The schedule learned over an
// outage season keeps the season's slots.
#include "report/HealthCheck.h"
#include "report/Metrics.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

const TDateTime Dec08 = 46364;  // 2026-12-08 00:00 UTC

const char* const Eclipse =
    "[eclipse]\nfamilies = *\ndaily = 23:00-01:30\nfrom = 2026-11-01\nuntil = 2026-12-31\nreason = eclipse season\n";

TFamilyOutages Outages(const char* text)
{
    QString error;
    const std::optional<TOutageCalendar> calendar = ParseOutages(QString::fromUtf8(text), "o", {"f"}, error);
    EXPECT_TRUE(calendar) << error.toStdString();
    return calendar ? calendar->For("f") : TFamilyOutages{};
}

QString Line(TDateTime nominal) { return FormatIsoUtc(nominal).remove(QRegularExpression("[-T:Z]")) + " f.dat=60"; }

struct TStation
{
    TStation(const QStringList& lines, TDateTime now, const TFamilyOutages& outages, bool expect = true)
    {
        Ledger.Assign(lines);
        QString error;
        TFamilyRules rules;
        rules.Name = "f";
        if (expect)
            rules.Expect = ParseExpectedSchedule("15m", error);
        rules.Outages = outages;
        Entries.emplace(Ledger, TLedgerNames::Timed);
        Reading = ReadFamily(rules, *Entries, now);
    }
    TSortedStringList Ledger;
    std::optional<TLedgerEntries> Entries;
    TFamilyReading Reading;
};

TEST(OutageFigures, ExcusedSlotsAreNeitherExpectedNorMissingInEveryOutput)
{
    // 2026-12-07: the night's 10 slots missing (00:00 to 01:15, 23:00 to
    // 23:45) and 01:30 and 01:45 just after the window; the first product the
    // night before, at 23:45, and three after midnight arrived anyway.
    QStringList lines{Line(Dec08 - 1 - 1 / 96.0)};
    for (int slot = 0; slot < 96 + 3; ++slot)
        if (!(slot < 8 || (slot >= 92 && slot < 96)))
            lines.append(Line(Dec08 - 1 + slot / 96.0));
    const struct
    {
        const char* What;
        double HoursAfterMidnight;
        bool Calendar;
        std::array<int, 4> Day;  // expected, received, missing, excused of 2026-12-07
        std::array<int, 3> Week;
        TCheckState State;
        std::vector<const char*> Check;
        const char* Report;  // the day's row of the report
        const char* Metrics;
    } cases[] = {
        {"with the calendar",
         2,
         true,
         {86, 84, 2, 10},
         {90, 88, 10},
         TCheckState::Ok,
         {"no product missing in the last 24 hours (86 expected, 4 in planned outages)"},
         "f,2026-12-07,86,84,2,2,0,0,0.9767,60,60,60,84,10\r\n",
         "lagwatch_outage_active{folder=\"/d/\",family=\"f\"} 0\n"
         "lagwatch_products_missing{folder=\"/d/\",family=\"f\",window=\"24h\"} 0\n"},
        {"without it",
         2,
         false,
         {96, 84, 12, 0},
         {100, 88, 0},
         TCheckState::Critical,
         {"4 products missing in the last 24 hours: 2026-12-07 23:00, 23:15, 23:30 UTC and 1 more"},
         "f,2026-12-07,96,84,12,12,0,0,0.875,60,60,60,84\r\n",
         "lagwatch_products_missing{folder=\"/d/\",family=\"f\",window=\"24h\"} 4\n"},
        {"in the outage, a miss beside it",
         1,
         true,
         {86, 84, 2, 9},
         {90, 88, 9},
         TCheckState::Warning,
         {"; planned outage eclipse (eclipse season) until 2026-12-08 01:30 UTC; 2 products missing in the last 24 "
          "hours: 2026-12-07 01:30, 01:45 UTC"},
         "f,2026-12-07,86,84,2,2,0,0,0.9767,60,60,60,84,9\r\n",
         "lagwatch_outage_end_timestamp_seconds{folder=\"/d/\",family=\"f\",outage=\"eclipse\",reason=\"eclipse "
         "season\"} 1796693400\nlagwatch_outage_active{folder=\"/d/\",family=\"f\"} 1\n"
         "lagwatch_slots_excused{folder=\"/d/\",family=\"f\",outage=\"eclipse\",window=\"24h\"} 4\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const TStation station(lines, Dec08 + c.HoursAfterMidnight / 24,
                               c.Calendar ? Outages(Eclipse) : TFamilyOutages{});
        const TStationCompleteness& completeness = station.Reading.Completeness;
        const TCompletenessFigures& day = completeness.Days[1].Figures;
        EXPECT_EQ((std::array<int, 4>{day.Expected, day.Received, day.Missing, day.Excused}), c.Day);
        for (const TCompletenessFigures* window : {&completeness.Last7Days, &completeness.Last30Days})
            EXPECT_EQ((std::array<int, 3>{window->Expected, window->Received, window->Excused}), c.Week);
        const TCheckResult check = CheckFamilies({station.Reading});
        EXPECT_EQ(check.State, c.State) << check.Line.toStdString();
        for (const char* text : c.Check)
            EXPECT_TRUE(check.Line.contains(QLatin1String(text))) << check.Line.toStdString();
        EXPECT_EQ(check.Line.contains(" excused_24h="), c.Calendar);
        const QString report = QString::fromUtf8(CompletenessReportCsv(FamilyCompletenesses({station.Reading})));
        EXPECT_TRUE(report.contains(QLatin1String(c.Report))) << report.toStdString();
        EXPECT_EQ(report.section("\r\n", 0, 0).endsWith(",files,excused"), c.Calendar);
        // The series' order aside: each line is in the metrics.
        const QString metrics = QString::fromUtf8(MetricsText({"/d/", Dec08, 0, true, 1}, {station.Reading}));
        for (const QString& sample : QString::fromUtf8(c.Metrics).split('\n', Qt::SkipEmptyParts))
            EXPECT_TRUE(metrics.contains(sample + '\n')) << sample.toStdString();
        EXPECT_EQ(metrics.contains("outage"), c.Calendar);
    }
}

TEST(OutageFigures, ALearnedScheduleKeepsTheSlotsOfAnOutageSeason)
{
    // Products every 15 minutes, but none in the eight nights' windows of
    // 2026-12-01 to 12-08: without the calendar those slots are held on only 6
    // of the 14 learning days, and would not be expected once the season ends.
    const char* season =
        "[eclipse]\nfamilies = f\ndaily = 23:00-01:30\nfrom = 2026-12-01\nuntil = 2026-12-08\nreason = eclipse\n";
    const TFamilyOutages outages = Outages(season);
    QStringList lines;
    for (int slot = 0; slot < 15 * 96; ++slot) {
        const TDateTime nominal = Dec08 - 7 + slot / 96.0;
        if (outages.Excusing(DateTimeToUnixMs(nominal)) < 0)
            lines.append(Line(nominal));
    }
    const TDateTime now = Dec08 + 7 + 0.5;
    EXPECT_EQ(TStation(lines, now, {}, false).Reading.Completeness.Schedule.SlotMinutes.size(), 86u);
    EXPECT_EQ(TStation(lines, now, outages, false).Reading.Completeness.Schedule.SlotMinutes.size(), 96u);
}

}  // namespace
