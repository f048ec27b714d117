// The slot as the unit of every figure, over a station of three families (a
// families file's crm, segments of four files a slot, an hourly product):
// every day and window adds up (expected = received + missing, received = on
// time + late + very late), the history map's cells add up to the report's
// columns, the report, the metrics and the check tell the same numbers, and
// the check's newest product is the newest slot, named by its latest file.
#include "report/CompletenessReport.h"
#include "report/FamilyReading.h"
#include "report/HealthCheck.h"
#include "report/Metrics.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

TDateTime At(int day, int hour, int minute)
{
    TDateTime date = 0, time = 0;
    TryEncodeDate(2026, 12, day, date);
    TryEncodeTime(hour, minute, 0, 0, time);
    return date + time;
}

const TDateTime Now = At(8, 12, 10);

// A family ledger's line: "YYYYMMDDHHMMSS name=value".
QString Line(int day, int hour, int minute, const QString& name, const QString& value)
{
    return QString::asprintf("202612%02d%02d%02d00 ", day, hour, minute) + name + QLatin1Char('=') + value;
}

// Segments every 30 minutes, four files a slot, since 2026-12-07 00:00; each
// a minute late but for the slots below. The late file never sorts last.
QStringList SegmentLines()
{
    QStringList lines;
    for (int slot = 0; slot < 48 + 25; ++slot) {
        const int day = 7 + slot / 48, hour = slot % 48 / 2, minute = slot % 2 * 30;
        for (int ch = 1; ch <= 4; ++ch) {
            QString value = QStringLiteral("60");
            const bool at = minute == 0 && day == 7;
            if ((at && hour == 15 && ch == 4) || (at && hour == 18) || (day == 8 && hour == 11 && minute == 30 && ch > 2))
                continue;  // 15:00 lacks a file, 18:00 all four, 11:30 of today (not due yet) two
            if (at && hour == 6 && ch == 2)
                value = QStringLiteral("600");  // late
            if (at && hour == 9 && ch == 1)
                value = QStringLiteral("1200");  // very late
            if (at && hour == 20)
                value = QStringLiteral("late?");  // no file measured
            if (at && hour == 21)
                value = ch == 3 ? QStringLiteral("x") : ch == 1 ? QStringLiteral("700") : value;  // late
            if (day == 8 && hour == 12 && ch == 2)
                value = QStringLiteral("480");  // the newest slot, late, not due yet
            lines.append(Line(day, hour, minute, QStringLiteral("img_ch%1.seg").arg(ch), value));
        }
    }
    lines.append(Line(7, 12, 7, QStringLiteral("img_ch1.seg"), QStringLiteral("60")));  // off the schedule
    return lines;
}

// An hourly file since 2026-12-03, two minutes late; 12-07 05:00 missing.
QStringList HourlyLines()
{
    QStringList lines;
    for (int hour = 0; hour < 5 * 24 + 12; ++hour)
        if (hour != 4 * 24 + 5)
            lines.append(Line(3 + hour / 24, hour % 24, 0, QStringLiteral("hrly.dat"), QStringLiteral("120")));
    return lines;
}

// The CRM products at 12:00 and 13:15 since 2026-12-03, one late, one off the schedule.
QStringList CrmLines()
{
    QStringList lines;
    for (int day = 3; day <= 8; ++day)
        for (const char* time : {"1200", "1315"})
            if (day < 8 || QLatin1String(time) == QLatin1String("1200"))
                lines.append(QString::asprintf("202612%02d%s-crm.grb=%s", day, time,
                                               day == 6 && QLatin1String(time) == QLatin1String("1315") ? "2400" : "90"));
    lines.append(QStringLiteral("202612051207-crm.grb=30"));
    return lines;
}

struct TFamilyData
{
    TSortedStringList Ledger;
    std::optional<TLedgerEntries> Entries;
};

class SlotInvariants : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const auto add = [this](const char* name, const QStringList& lines, TLedgerNames names, TFamilyRules rules) {
            TFamilyData& data = FData.emplace_back();
            data.Ledger.Assign(lines);
            data.Entries.emplace(data.Ledger, names);
            rules.Name = QLatin1String(name);
            FReadings.push_back(ReadFamily(rules, *data.Entries, Now));
        };
        FData.reserve(3);
        add("crm", CrmLines(), TLedgerNames::Product, {});
        TFamilyRules seg;
        QString error;
        seg.Expect = ParseExpectedSchedule(QStringLiteral("30m"), error);
        seg.FilesPerSlot = 4;
        seg.Thresholds.WarningMinutes = seg.CompletenessLimits.WarningMinutes = 5;
        seg.Thresholds.CriticalMinutes = seg.CompletenessLimits.CriticalMinutes = 15;
        seg.CompletenessLimits.MissingAfterMinutes = 45;
        add("seg", SegmentLines(), TLedgerNames::Timed, seg);
        add("hourly", HourlyLines(), TLedgerNames::Timed, {});
    }

    std::vector<TFamilyData> FData;
    std::vector<TFamilyReading> FReadings;
};

TEST_F(SlotInvariants, EveryDayAndWindowAddsUpAndTheMapAgrees)
{
    for (const TFamilyReading& family : FReadings) {
        SCOPED_TRACE(family.Name.toStdString());
        const TStationCompleteness& c = family.Completeness;
        ASSERT_TRUE(c.Schedule.Known());
        std::vector<std::pair<QString, const TCompletenessFigures*>> rows{
            {"24h", &c.Last24Hours}, {"7d", &c.Last7Days}, {"30d", &c.Last30Days}};
        for (const TDayCompleteness& day : c.Days)
            rows.emplace_back(FormatIsoUtc(day.Day).left(10), &day.Figures);
        TCompletenessFigures days;  // the rows added up
        for (const auto& [what, f] : rows) {
            SCOPED_TRACE(what.toStdString());
            EXPECT_EQ(f->Expected, f->Received + f->Missing);
            EXPECT_EQ(f->Received, f->OnTime + f->Late + f->VeryLate);
            EXPECT_EQ(f->DelayCount, f->Received);
            EXPECT_EQ(f->OnTimeRatio.has_value(), f->Expected > 0);
            if (f->OnTimeRatio) {
                EXPECT_DOUBLE_EQ(*f->OnTimeRatio, static_cast<double>(f->OnTime) / f->Expected);
            }
            if (what.size() == 10) {
                days.Received += f->Received, days.Missing += f->Missing, days.OnTime += f->OnTime;
                days.Late += f->Late, days.VeryLate += f->VeryLate, days.Unmeasured += f->Unmeasured;
            }
        }
        // The map's cells, as its legend counts them.
        std::array<int, 6> cells{};
        for (const TDayCompleteness& day : c.Days)
            for (const TSlotCell& cell : day.Cells)
                ++cells[static_cast<size_t>(cell.State)];
        EXPECT_EQ(cells[size_t(TSlotState::OnTime)], days.OnTime);
        EXPECT_EQ(cells[size_t(TSlotState::Late)], days.Late);
        EXPECT_EQ(cells[size_t(TSlotState::VeryLate)], days.VeryLate);
        EXPECT_EQ(cells[size_t(TSlotState::Missing)], days.Missing);
        EXPECT_EQ(cells[size_t(TSlotState::Unmeasured)], days.Unmeasured);
    }
}

TEST_F(SlotInvariants, TheFiguresOfTheStation)
{
    struct Case
    {
        size_t family;
        int day;  // of December; 0: the last 24 hours
        int expected, received, missing, missingFiles, late, veryLate, files;
        std::optional<int32_t> p95;
    };
    const Case cases[] = {
        // 48 slots: 15:00 and 18:00 missing, 20:00 not measured.
        {1, 7, 47, 45, 2, 5, 2, 1, 188, 600},
        // 00:00 to 11:00 due, 12:00 complete before it is due, 11:30 neither.
        {1, 8, 24, 24, 0, 0, 1, 0, 98, 60},
        {1, 0, 46, 44, 2, 5, 2, 0, 185, 60},
        {2, 7, 24, 23, 1, 1, 0, 0, 23, 120},
        {2, 8, 12, 12, 0, 0, 0, 0, 12, 120},
        // The product off the schedule is a file, not a slot.
        {0, 5, 2, 2, 0, 0, 0, 0, 3, 90},
        {0, 6, 2, 2, 0, 0, 1, 0, 2, 2400},
        {0, 8, 1, 1, 0, 0, 0, 0, 1, 90},
    };
    for (const Case& c : cases) {
        const TStationCompleteness& r = FReadings[c.family].Completeness;
        SCOPED_TRACE(FReadings[c.family].Name.toStdString() + " " + std::to_string(c.day));
        const TCompletenessFigures& f = c.day ? r.Days[static_cast<size_t>(8 - c.day)].Figures : r.Last24Hours;
        EXPECT_EQ(f.Expected, c.expected);
        EXPECT_EQ(f.Received, c.received);
        EXPECT_EQ(f.Missing, c.missing);
        EXPECT_EQ(f.MissingFiles, c.missingFiles);
        EXPECT_EQ(f.Late, c.late);
        EXPECT_EQ(f.VeryLate, c.veryLate);
        EXPECT_EQ(f.Files, c.files);
        EXPECT_EQ(f.DelayP95Seconds, c.p95);
    }
}

TEST_F(SlotInvariants, TheReportTheMetricsAndTheCheckTellTheSameNumbers)
{
    const QString csv = QString::fromUtf8(CompletenessReportCsv(FamilyCompletenesses(FReadings)));
    const QString metrics = QString::fromUtf8(MetricsText({"/d/", Now, 0, true, 3}, FReadings));
    const QString check = CheckFamilies(FReadings).Line;
    EXPECT_TRUE(csv.startsWith(QLatin1String("family,day,expected,received,missing,missing_files,late,very_late,"
                                             "on_time_ratio,delay_p50_seconds,delay_p95_seconds,delay_max_seconds,"
                                             "files\r\n")));
    for (const TFamilyReading& family : FReadings) {
        SCOPED_TRACE(family.Name.toStdString());
        for (const TDayCompleteness& day : family.Completeness.Days) {
            const TCompletenessFigures& f = day.Figures;
            const QString row = QStringLiteral("\r\n%1,%2,%3,%4,%5,%6,%7,%8,")
                                    .arg(family.Name, FormatIsoUtc(day.Day).left(10))
                                    .arg(f.Expected)
                                    .arg(f.Received)
                                    .arg(f.Missing)
                                    .arg(f.MissingFiles)
                                    .arg(f.Late)
                                    .arg(f.VeryLate);
            EXPECT_TRUE(csv.contains(row)) << row.toStdString();
            EXPECT_TRUE(csv.contains(QRegularExpression(QRegularExpression::escape(row) + "[^\r]*," +
                                                        QString::number(f.Files) + "\r\n")));
        }
        const TCompletenessFigures& day = family.Completeness.Last24Hours;
        const QString labels = QStringLiteral("{folder=\"/d/\",family=\"%1\",window=\"24h\"} ").arg(family.Name);
        for (const auto& [series, value] : {std::pair{"lagwatch_products_expected", day.Expected},
                                            std::pair{"lagwatch_products_received", day.Received},
                                            std::pair{"lagwatch_products_missing", day.Missing},
                                            std::pair{"lagwatch_files_received", day.Files}})
            EXPECT_TRUE(metrics.contains(series + labels + QString::number(value) + "\n")) << series;
        EXPECT_TRUE(check.contains(QStringLiteral(" %1_expected_24h=%2 ").arg(family.Name).arg(day.Expected)));
        EXPECT_TRUE(check.contains(QStringLiteral(" %1_missing_24h=%2;").arg(family.Name).arg(day.Missing)));
    }
    // The newest segment slot is late by its second file, which sorts before the others.
    EXPECT_TRUE(check.startsWith(
        "LAGWATCH WARNING - seg WARNING: newest product img_ch2.seg, 8.0 minutes late (more than 5), 0.2 hours old, "
        "2 products missing (5 of 8 files) in the last 24 hours: 2026-12-07 15:00, 18:00 UTC; 2 of 3 families OK"))
        << check.toStdString();
    EXPECT_TRUE(metrics.contains("lagwatch_newest_product_delay_seconds{folder=\"/d/\",family=\"seg\"} 480\n"));
}

}  // namespace
