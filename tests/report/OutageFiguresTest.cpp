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
        int Active;              // lagwatch_outage_active; -1: no calendar
        std::array<int, 4> Day;  // expected, received, missing, excused of 2026-12-07
        std::array<int, 3> Week;
        TCheckState State;
        const char* Check;
    } cases[] = {
        {"with the calendar",
         2,
         0,
         {86, 84, 2, 10},
         {90, 88, 10},
         TCheckState::Ok,
         "no product missing in the last 24 hours (86 expected, 4 in planned outages)"},
        {"without it",
         2,
         -1,
         {96, 84, 12, 0},
         {100, 88, 0},
         TCheckState::Critical,
         "4 products missing in the last 24 hours: 2026-12-07 23:00, 23:15, 23:30 UTC and 1 more"},
        {"in the outage, a miss beside it",
         1,
         1,
         {86, 84, 2, 9},
         {90, 88, 9},
         TCheckState::Warning,
         "; planned outage eclipse (eclipse season) until 2026-12-08 01:30 UTC; 2 products missing in the last 24 "
         "hours: 2026-12-07 01:30, 01:45 UTC"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const TStation station(lines, Dec08 + c.HoursAfterMidnight / 24,
                               c.Active >= 0 ? Outages(Eclipse) : TFamilyOutages{});
        const TStationCompleteness& completeness = station.Reading.Completeness;
        const TCompletenessFigures& day = completeness.Days[1].Figures;
        EXPECT_EQ((std::array<int, 4>{day.Expected, day.Received, day.Missing, day.Excused}), c.Day);
        for (const TCompletenessFigures* window : {&completeness.Last7Days, &completeness.Last30Days})
            EXPECT_EQ((std::array<int, 3>{window->Expected, window->Received, window->Excused}), c.Week);
        const TCheckResult check = CheckFamilies({station.Reading});
        EXPECT_EQ(check.State, c.State) << check.Line.toStdString();
        EXPECT_TRUE(check.Line.contains(QLatin1String(c.Check))) << check.Line.toStdString();
        EXPECT_EQ(check.Line.contains(" excused_24h="), c.Active >= 0);
        // The report's day and the metrics tell the same.
        const QString report = QString::fromUtf8(CompletenessReportCsv(FamilyCompletenesses({station.Reading})));
        const QString row = QStringLiteral("\r\nf,2026-12-07,%1,%2,%3,%3,0,0,%4,60,60,60,84")
                                .arg(c.Day[0])
                                .arg(c.Day[1])
                                .arg(c.Day[2])
                                .arg(FormatRatio(84.0 / c.Day[0]));
        EXPECT_TRUE(report.contains(row + (c.Active >= 0 ? QStringLiteral(",%1\r\n").arg(c.Day[3]) : "\r\n")))
            << report.toStdString();
        const QString metrics = QString::fromUtf8(MetricsText({"/d/", Dec08, 0, true, 1}, {station.Reading}));
        const QString labels = "{folder=\"/d/\",family=\"f\"";
        EXPECT_EQ(metrics.contains("lagwatch_outage_active" + labels + QStringLiteral("} %1\n").arg(c.Active)),
                  c.Active >= 0);
        EXPECT_EQ(metrics.contains("outage"), c.Active >= 0);
        EXPECT_EQ(metrics.contains(labels + ",outage=\"eclipse\",window=\"24h\"} 4\n"), c.Active >= 0);
        EXPECT_EQ(metrics.contains(labels + ",outage=\"eclipse\",reason=\"eclipse season\"} 1796693400\n"),
                  c.Active == 1);
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
