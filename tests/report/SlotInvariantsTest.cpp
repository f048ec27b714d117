// The slot as the unit of every figure, over a station of three families (a
// families file's crm, segments of four files a slot, an hourly product):
// every day and window adds up, the history map's cells add up to the
// report's columns, and the report, the metrics and the check tell the same
// numbers, the check naming the newest slot by its latest file.
#include "report/HealthCheck.h"
#include "report/Metrics.h"

#include <gtest/gtest.h>

namespace {

const TDateTime Now = 46364 + 12 / 24.0 + 10 / 1440.0;  // 2026-12-08 12:10 UTC

// A family ledger's line of 2026-12-DD HH:MM.
QString Line(int day, int hour, int minute, const QString& name, const char* value)
{
    return QString::asprintf("202612%02d%02d%02d00 ", day, hour, minute) + name + '=' + value;
}

// Segments every 30 minutes since 2026-12-07, four a slot, a minute late but
// for the slots below; a late file never sorts last.
QStringList SegmentLines()
{
    QStringList lines{Line(7, 12, 7, "img_ch1.seg", "60")};  // off the schedule
    for (int slot = 0; slot < 48 + 25; ++slot) {
        const int day = 7 + slot / 48, hour = slot % 48 / 2, minute = slot % 2 * 30;
        const bool at = minute == 0 && day == 7;
        for (int ch = 1; ch <= 4; ++ch) {
            // 15:00 lacks a file, 18:00 all four, today's 11:30 (not due yet) two.
            if ((at && hour == 15 && ch == 4) || (at && hour == 18) ||
                (day == 8 && minute == 30 && hour == 11 && ch > 2))
                continue;
            const char* value = at && hour == 6 && ch == 2          ? "600"    // late
                                : at && hour == 9 && ch == 1        ? "1200"   // very late
                                : at && hour == 20                  ? "late?"  // no file measured
                                : at && hour == 21 && ch == 3       ? "x"      // late by the next
                                : at && hour == 21 && ch == 1       ? "700"
                                : day == 8 && hour == 12 && ch == 2 ? "480"  // the newest, not due yet
                                                                    : "60";
            lines.append(Line(day, hour, minute, QStringLiteral("img_ch%1.seg").arg(ch), value));
        }
    }
    return lines;
}

class SlotInvariants : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QStringList crm{"202612051207-crm.grb=30"}, hourly;  // crm: one off the schedule
        for (int day = 3; day <= 8; ++day)
            crm << QString::asprintf("202612%02d1200-crm.grb=90", day)
                << QString::asprintf("202612%02d1315-crm.grb=%d", day, day == 6 ? 2400 : 90);
        crm.removeLast();  // today's 13:15 is still to come
        for (int hour = 0; hour < 5 * 24 + 12; ++hour)
            if (hour != 4 * 24 + 5)  // 2026-12-07 05:00 missing
                hourly.append(Line(3 + hour / 24, hour % 24, 0, "hrly.dat", "120"));
        TFamilyRules seg;
        QString error;
        seg.Expect = ParseExpectedSchedule(QStringLiteral("30m"), error);
        seg.FilesPerSlot = 4;
        seg.Limits.WarningMinutes = 5;
        seg.Limits.CriticalMinutes = 15;
        seg.Limits.MissingAfterMinutes = 45;
        const std::tuple<const char*, QStringList, TLedgerNames, TFamilyRules> families[] = {
            {"crm", crm, TLedgerNames::Product, {}},
            {"seg", SegmentLines(), TLedgerNames::Timed, seg},
            {"hourly", hourly, TLedgerNames::Timed, {}}};
        for (const auto& [name, lines, names, rules] : families) {
            FLedgers[FReadings.size()].Assign(lines);
            TLedgerEntries& entries = FEntries[FReadings.size()].emplace(FLedgers[FReadings.size()], names);
            FReadings.push_back(ReadFamily(rules, entries, Now));
            FReadings.back().Name = QLatin1String(name);
        }
    }

    std::array<TSortedStringList, 3> FLedgers;
    std::array<std::optional<TLedgerEntries>, 3> FEntries;
    std::vector<TFamilyReading> FReadings;
};

TEST_F(SlotInvariants, EveryRowAndWindowAddsUpAndEveryOutputAgrees)
{
    const QString csv = QString::fromUtf8(CompletenessReportCsv(FamilyCompletenesses(FReadings)));
    const QString metrics = QString::fromUtf8(MetricsText({"/d/", Now, 0, true, 3}, FReadings));
    const QString check = CheckFamilies(FReadings).Line;
    for (const TFamilyReading& family : FReadings) {
        SCOPED_TRACE(family.Name.toStdString());
        const TStationCompleteness& c = family.Completeness;
        std::vector<std::pair<QString, const TCompletenessFigures*>> rows{
            {"24h", &c.Last24Hours}, {"7d", &c.Last7Days}, {"30d", &c.Last30Days}};
        for (const TDayCompleteness& day : c.Days)
            rows.emplace_back(FormatIsoUtc(day.Day).left(10), &day.Figures);
        std::array<int, 6> columns{}, cells{};  // by state: the report's rows and the map's cells
        for (const auto& [row, f] : rows) {
            SCOPED_TRACE(row.toStdString());
            EXPECT_EQ(f->Expected, f->Received + f->Missing);
            EXPECT_EQ(f->Received, f->OnTime + f->Late + f->VeryLate);
            EXPECT_EQ(f->DelayCount, f->Received);
            EXPECT_EQ(f->OnTimeRatio.value_or(-1), f->Expected ? double(f->OnTime) / f->Expected : -1);
            const QString text = QStringLiteral("%1,%2,%3,%4,%5,%6,")
                                     .arg(f->Expected)
                                     .arg(f->Received)
                                     .arg(f->Missing)
                                     .arg(f->MissingFiles)
                                     .arg(f->Late)
                                     .arg(f->VeryLate);
            if (row.size() == 10) {
                EXPECT_TRUE(csv.contains(family.Name + ',' + row + ',' + text)) << text.toStdString();
                for (const auto& [state, n] : {std::pair{TSlotState::OnTime, f->OnTime},
                                               {TSlotState::Late, f->Late},
                                               {TSlotState::VeryLate, f->VeryLate},
                                               {TSlotState::Missing, f->Missing},
                                               {TSlotState::Unmeasured, f->Unmeasured}})
                    columns[size_t(state)] += n;
            } else {
                const QString labels = "{folder=\"/d/\",family=\"" + family.Name + "\",window=\"" + row + "\"} ";
                EXPECT_TRUE(
                    metrics.contains("lagwatch_products_received" + labels + QString::number(f->Received) + "\n"));
                EXPECT_TRUE(metrics.contains("lagwatch_files_received" + labels + QString::number(f->Files) + "\n"));
            }
        }
        for (const TDayCompleteness& day : c.Days)
            for (const TSlotCell& cell : day.Cells)
                ++cells[size_t(cell.State)];
        cells[size_t(TSlotState::NotDue)] = 0;
        EXPECT_EQ(cells, columns);
        EXPECT_TRUE(check.contains(QStringLiteral(" %1_expected_24h=%2 %1_missing_24h=%3;")
                                       .arg(family.Name)
                                       .arg(c.Last24Hours.Expected)
                                       .arg(c.Last24Hours.Missing)));
    }
    EXPECT_TRUE(check.startsWith(
        "LAGWATCH WARNING - seg WARNING: newest product img_ch2.seg, 8.0 minutes late (more than 5), 0.2 hours old, "
        "2 products missing (5 of 8 files) in the last 24 hours: 2026-12-07 15:00, 18:00 UTC; 2 of 3 families OK"))
        << check.toStdString();
}

TEST_F(SlotInvariants, TheFiguresOfTheStation)
{
    struct Case
    {
        size_t family;
        int day;                     // of December; 0: the last 24 hours
        std::array<int, 7> figures;  // expected, received, missing, missing files, late, very late, files
        int32_t p95;
    };
    const Case cases[] = {
        // 48 slots: 15:00 and 18:00 missing, 20:00 not measured.
        {1, 7, {47, 45, 2, 5, 2, 1, 188}, 600},
        // 00:00 to 11:00 due, 12:00 complete before it is due, 11:30 neither.
        {1, 8, {24, 24, 0, 0, 1, 0, 98}, 60},
        {1, 0, {46, 44, 2, 5, 2, 0, 185}, 60},
        {2, 7, {24, 23, 1, 1, 0, 0, 23}, 120},
        {0, 5, {2, 2, 0, 0, 0, 0, 3}, 90},  // the product off the schedule is a file, not a slot
        {0, 8, {1, 1, 0, 0, 0, 0, 1}, 90},
    };
    for (const Case& c : cases) {
        const TStationCompleteness& r = FReadings[c.family].Completeness;
        const TCompletenessFigures& f = c.day ? r.Days[size_t(8 - c.day)].Figures : r.Last24Hours;
        EXPECT_EQ((std::array{f.Expected, f.Received, f.Missing, f.MissingFiles, f.Late, f.VeryLate, f.Files}),
                  c.figures)
            << c.family << " " << c.day;
        EXPECT_EQ(f.DelayP95Seconds, c.p95) << c.family << " " << c.day;
    }
}

}  // namespace
