// The expected schedule and the completeness figures built on it: the
// schedule given and learned, the states at the band and grace edges, the
// percentiles, the day and window boundaries, and the check's verdict.
#include "report/Completeness.h"
#include "report/HealthCheck.h"
#include "tests/common/TestDates.h"

#include <gtest/gtest.h>

namespace {

// 2026-12-07 12:00 UTC, the clock of every case below unless it says otherwise.
const TDateTime Now = At(2026, 12, 7, 12, 0);

// The CRM products without a families file, counted as products; slots are
// counted in SlotFigures.
constexpr TFigureUnit Crm = TFigureUnit::Product;

// "name=value" lines as the pass hands them over.
std::vector<TLedgerEntry> Entries(const QStringList& lines) { return ParseLedgerLines(lines); }

// A product "days" days before 2026-12-07 at HH:MM, with a delay.
QString Product(int daysBefore, int hour, int minute, int delay = 60)
{
    TDateParts d;
    TryDecodeDate(At(2026, 12, 7) - daysBefore, d);
    return QString::asprintf("%04d%02d%02d%02d%02d-crm.grb=%d", d.Year, d.Month, d.Day, hour, minute, delay);
}

TEST(ExpectedSchedule, ParsedFromTheCommandLine)
{
    struct Case
    {
        const char* value;
        std::vector<int> minutes;  // empty: refused
        size_t count = 0;          // for the long ones: the number of slots instead
    };
    const Case cases[] = {
        {"15m", {}, 96},
        {"1m", {}, 1440},
        {"1440m", {0}},
        {"480m", {0, 480, 960}},
        {"45M", {}, 32},
        {"7m", {}},
        {"0m", {}},
        {"2880m", {}},
        {"m", {}},
        {"-15m", {}},
        {"12:00,13:15", {720, 795}},
        {"13:15,12:00,12:00", {720, 795}},
        {" 9:05 , 00:00", {0, 545}},
        {"23:59", {1439}},
        {"24:00", {}},
        {"12:60", {}},
        {"12:00,", {}},
        {"", {}},
        {"noon", {}},
        {"12:5", {}},
        {"12.00", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        QString error;
        const std::optional<TExpectedSchedule> s = ParseExpectedSchedule(QString::fromLatin1(c.value), error);
        if (c.minutes.empty() && c.count == 0) {
            EXPECT_FALSE(s);
            EXPECT_FALSE(error.isEmpty());
            continue;
        }
        ASSERT_TRUE(s) << error.toStdString();
        EXPECT_TRUE(s->Known());
        if (c.count) {
            ASSERT_EQ(s->SlotMinutes.size(), c.count);
            const int step = 1440 / static_cast<int>(c.count);
            for (size_t i = 0; i < c.count; ++i)
                EXPECT_EQ(s->SlotMinutes[i], static_cast<int>(i) * step);
        } else {
            EXPECT_EQ(s->SlotMinutes, c.minutes);
        }
    }
}

TEST(ExpectedSchedule, LearnedFromTheLedger)
{
    // Days are counted back from 2026-12-07; a day's minutes as HH*60+MM.
    struct Day
    {
        int before;
        std::vector<int> minutes;
    };
    struct Case
    {
        const char* what;
        std::vector<Day> days;
        std::vector<int> expected;
        int sample;
    };
    auto range = [](int from, int to, std::vector<int> minutes) {
        std::vector<Day> days;
        for (int d = from; d <= to; ++d)
            days.push_back({d, minutes});
        return days;
    };
    auto join = [](std::vector<Day> a, const std::vector<Day>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const Case cases[] = {
        {"two weeks of two products", range(1, 14, {720, 795}), {720, 795}, 14},
        {"two days teach nothing", range(1, 2, {720}), {}, 2},
        {"three days are enough", range(1, 3, {720}), {720}, 3},
        {"half of the days is enough", join(range(1, 14, {720}), range(1, 7, {60})), {60, 720}, 14},
        {"less than half is not", join(range(1, 14, {720}), range(1, 6, {60})), {720}, 14},
        {"empty days are no sample", join(range(1, 2, {720}), range(10, 10, {720, 800})), {720}, 3},
        {"today and the 15th day before are not looked at",
         join(range(0, 0, {100}), join(range(15, 20, {200}), range(1, 4, {720}))),
         {720},
         4},
        {"a schedule changed ten days ago", join(range(11, 14, {360}), range(1, 10, {720, 1080})), {720, 1080}, 14},
        {"a schedule changed a week ago: both count", join(range(8, 14, {360}), range(1, 7, {720})), {360, 720}, 14},
        {"a new station", {}, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QStringList lines{"notes=1", "123456789012-crm.grb=5"};  // no product times
        for (const Day& d : c.days)
            for (const int slot : d.minutes)
                lines.append(Product(d.before, slot / 60, slot % 60));
        const TExpectedSchedule s = LearnSchedule(Entries(lines), Now);
        EXPECT_EQ(s.Source, TExpectedSchedule::TSource::Learned);
        EXPECT_EQ(s.SlotMinutes, c.expected);
        EXPECT_EQ(s.SampleDays, c.sample);
    }
}

TEST(Completeness, StatesAtTheBandAndGraceEdges)
{
    struct Case
    {
        const char* what;
        QString line;  // the 10:00 product, or empty
        TDateTime now;
        TSlotState state;
        bool due;
        bool skew = false;      // counted apart, out of the delays
        bool unlisted = false;  // the day's folder could not be listed
    };
    const TDateTime graceEnds = At(2026, 12, 7, 11, 30);  // 10:00 + 90 minutes
    const Case cases[] = {
        {"on time at exactly 35 minutes", "202612071000-crm.grb=2100", Now, TSlotState::OnTime, true},
        {"late a second later", "202612071000-crm.grb=2101", Now, TSlotState::Late, true},
        {"late at exactly 45 minutes", "202612071000-crm.grb=2700", Now, TSlotState::Late, true},
        {"very late a second later", "202612071000-crm.grb=2701", Now, TSlotState::VeryLate, true},
        {"early is on time", "202612071000-crm.grb=-60", Now, TSlotState::OnTime, true},
        {"written 5 minutes after its creation is on time", "202612071000-crm.grb=-300", Now, TSlotState::OnTime, true},
        {"a second more is clock skew", "202612071000-crm.grb=-301", Now, TSlotState::Unmeasured, true, true},
        {"an unlisted day's empty slot is not missing", "", Now, TSlotState::Unmeasured, false, false, true},
        {"an unlisted day's product counts", "202612071000-crm.grb=60", Now, TSlotState::OnTime, true, false, true},
        {"no integer delay", "202612071000-crm.grb=12x", Now, TSlotState::Unmeasured, true},
        {"missing at exactly the grace period", "", graceEnds, TSlotState::Missing, true},
        {"not due a millisecond before", "", graceEnds - 1 / MSecsPerDay, TSlotState::NotDue, false},
        {"received before it is due", "202612071000-crm.grb=300", At(2026, 12, 7, 10, 5), TSlotState::OnTime, false},
    };
    TExpectedSchedule schedule;
    schedule.Source = TExpectedSchedule::TSource::List;
    schedule.SlotMinutes = {600};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // An older product, so that 10:00 lies after the ledger's first.
        QStringList lines{"202612060000-crm.grb=1"};
        if (!c.line.isEmpty())
            lines.append(c.line);
        const std::vector<TLedgerEntry> entries = Entries(lines);
        TUnlistedDays unlisted;
        if (c.unlisted)
            unlisted.Days.insert(std::llround(At(2026, 12, 7)));
        const TStationCompleteness r =
            AssessCompleteness(ProductGroupsOf(entries), false, schedule, c.now, {}, 1, Crm, {}, &unlisted);
        ASSERT_EQ(r.Days.size(), 30u);
        ASSERT_EQ(r.Days[0].Cells.size(), 1u);
        const TSlotCell& cell = r.Days[0].Cells[0];
        EXPECT_EQ(cell.State, c.state);
        EXPECT_EQ(cell.Due, c.due);
        const TCompletenessFigures& f = r.Days[0].Figures;
        EXPECT_EQ(f.Expected, c.due ? 1 : 0);
        EXPECT_EQ(f.Missing, c.state == TSlotState::Missing ? 1 : 0);
        EXPECT_EQ(f.Received, c.line.isEmpty() ? 0 : 1);
        EXPECT_EQ(f.OnTime + f.Late + f.VeryLate + f.Unmeasured, f.Received);
        EXPECT_EQ(f.Late, c.state == TSlotState::Late ? 1 : 0);
        EXPECT_EQ(f.VeryLate, c.state == TSlotState::VeryLate ? 1 : 0);
        EXPECT_EQ(f.ClockSkew, c.skew ? 1 : 0);
        EXPECT_EQ(f.DelayCount, c.line.isEmpty() || c.skew || c.state == TSlotState::Unmeasured ? 0 : 1);
        if (c.due)
            EXPECT_EQ(*f.OnTimeRatio, c.state == TSlotState::OnTime ? 1.0 : 0.0);
        else
            EXPECT_FALSE(f.OnTimeRatio);
    }
}

TEST(Completeness, NearestRankPercentiles)
{
    struct Case
    {
        std::vector<int32_t> sorted;
        int percent;
        std::optional<int32_t> value;
    };
    std::vector<int32_t> twenty, hundred;
    for (int i = 1; i <= 20; ++i)
        twenty.push_back(i * 10);
    for (int i = 1; i <= 100; ++i)
        hundred.push_back(i);
    const Case cases[] = {
        {{}, 50, std::nullopt}, {{7}, 50, 7},          {{7}, 95, 7},      {{1, 2}, 50, 1},
        {{1, 2, 3}, 50, 2},     {{1, 2, 3, 4}, 50, 2}, {twenty, 95, 190},  // the 19th: 0.95 * 20 is 19 exactly
        {twenty, 100, 200},     {hundred, 95, 95},     {hundred, 50, 50}, {{-5, 0, 90000}, 95, 90000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NearestRank(c.sorted, c.percent), c.value) << c.sorted.size() << " values, " << c.percent;
}

TEST(Completeness, DaysAndWindows)
{
    // Every six hours; the station's first product is 2026-12-05 06:00.
    TExpectedSchedule schedule;
    ASSERT_TRUE(schedule.SlotMinutes.empty());
    schedule.SlotMinutes = {0, 360, 720, 1080};
    const QStringList lines{
        "202612050600-crm.grb=100",
        "202612051200-crm.grb=2200",     // late
        "202612051200,copy-crm.grb=50",  // the same slot on time: it counts once
        "202612051800-crm.grb=3000",     // very late
        "202612060000-crm.grb=400",      // 06:00 of the 6th is missing
        "202612061200-crm.grb=",         // no delay: received, not on time
        "202612061230-crm.grb=500",      // outside the schedule
        "202612061800-crm.grb=600",     "202612070000-crm.grb=700",
        "202612070600-crm.grb=2101",  // late
        "202612071300-crm.grb=60",    // after now: not counted
        "notes without a time=5",
    };
    const TStationCompleteness r = AssessCompleteness(Entries(lines), schedule, Now, {}, 1, Crm);
    ASSERT_EQ(r.Days.size(), 30u);
    EXPECT_EQ(r.Days[0].Day, At(2026, 12, 7));
    EXPECT_EQ(r.Days[29].Day, At(2026, 11, 8));
    struct Expect
    {
        int day, expected, received, missing, late, veryLate, onTimeInSlots;
        std::optional<int32_t> p50, p95, max;
    };
    const Expect days[] = {
        // Today: 00:00, 06:00 due; 12:00 is not due yet (no product either).
        {0, 2, 2, 0, 1, 0, 1, 700, 2101, 2101},
        {1, 4, 4, 1, 0, 0, 2, 500, 600, 600},
        // The 5th: 00:00 lies before the first product and is not expected.
        {2, 3, 4, 0, 1, 1, 2, 100, 3000, 3000},
        {3, 0, 0, 0, 0, 0, 0, std::nullopt, std::nullopt, std::nullopt},
    };
    for (const Expect& e : days) {
        SCOPED_TRACE(e.day);
        const TCompletenessFigures& f = r.Days[static_cast<size_t>(e.day)].Figures;
        EXPECT_EQ(f.Expected, e.expected);
        EXPECT_EQ(f.Received, e.received);
        EXPECT_EQ(f.Missing, e.missing);
        EXPECT_EQ(f.Late, e.late);
        EXPECT_EQ(f.VeryLate, e.veryLate);
        EXPECT_EQ(f.OnTimeInSlots, e.onTimeInSlots);
        EXPECT_EQ(f.DelayP50Seconds, e.p50);
        EXPECT_EQ(f.DelayP95Seconds, e.p95);
        EXPECT_EQ(f.DelayMaxSeconds, e.max);
    }
    EXPECT_EQ(r.Days[2].Cells[0].State, TSlotState::NotDue);
    EXPECT_EQ(r.Days[2].Cells[2].Product, "202612051200,copy-crm.grb");
    EXPECT_EQ(r.Days[1].Cells[2].State, TSlotState::Unmeasured);
    EXPECT_EQ(r.Days[0].Cells[2].State, TSlotState::NotDue);
    EXPECT_EQ(*r.Days[1].Figures.OnTimeRatio, 0.5);

    // The last 24 hours begin after 2026-12-06 12:00: its product and slot are yesterday's.
    const TCompletenessFigures& day = r.Last24Hours;
    EXPECT_EQ(day.Expected, 3);
    EXPECT_EQ(day.Received, 4);
    EXPECT_EQ(day.Missing, 0);
    EXPECT_EQ(day.DelaySumSeconds, 500 + 600 + 700 + 2101);
    EXPECT_EQ(r.Last7Days.Expected, 9);
    EXPECT_EQ(r.Last7Days.Missing, 1);
    EXPECT_EQ(r.Last7Days.Received, 10);
    EXPECT_EQ(r.Last7Days.DelayCount, 9);
    EXPECT_EQ(r.Last30Days.Received, r.Last7Days.Received);
    EXPECT_TRUE(r.Missing24Hours.empty());
}

TEST(Completeness, CheckVerdictFromTheMissingProducts)
{
    // Every 15 minutes since 2026-12-06 00:00, all on time, but for the given gaps.
    struct Case
    {
        const char* what;
        std::vector<int> gaps;  // minutes after 2026-12-07 00:00
        TFamilyLimits thresholds;
        TCheckState state;
        const char* text;
    };
    TFamilyLimits custom;
    custom.MissingWarning = 2;
    custom.MissingCritical = 5;
    const Case cases[] = {
        {"complete", {}, {}, TCheckState::Ok, "no product missing in the last 24 hours (90 expected)"},
        {"one missing",
         {255},
         {},
         TCheckState::Warning,
         "1 product missing in the last 24 hours: 2026-12-07 04:15 UTC"},
        {"three missing",
         {255, 270, 300},
         {},
         TCheckState::Critical,
         "3 products missing in the last 24 hours: 2026-12-07 04:15, 04:30, 05:00 UTC; 0 of 46"},
        {"five missing over midnight",
         {-60, -15, 0, 15, 600},
         custom,
         TCheckState::Critical,
         "5 products missing in the last 24 hours: 2026-12-06 23:00, 23:45, 2026-12-07 00:00 UTC and 2 more"},
        {"not yet due is not missing", {645}, {}, TCheckState::Ok, "no product missing"},
        {"own warning limit", {255}, custom, TCheckState::Ok, "missing_24h=1;1;4;0;90 on_time_24h=0.9889;;;0;1"},
    };
    TExpectedSchedule schedule;
    schedule.Source = TExpectedSchedule::TSource::Every;
    for (int m = 0; m < 1440; m += 15)
        schedule.SlotMinutes.push_back(m);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QStringList lines;
        for (int m = -1440; m <= 720; m += 15)
            if (std::find(c.gaps.begin(), c.gaps.end(), m) == c.gaps.end())
                lines.append(Product(m < 0 ? 1 : 0, (m + 1440) % 1440 / 60, (m + 1440) % 60));
        // As a run reads them: the month looked at, from the end of the ledger.
        TSortedStringList ledger;
        ledger.Assign(lines);
        TLedgerEntries entries(ledger);
        const TStationStatus status = AssessStation(entries, Now, c.thresholds);
        const TStationCompleteness r =
            AssessCompleteness(entries.Since(CompletenessSince(Now)), schedule, Now, {}, 1, Crm);
        const TCheckResult check = CheckStation(status, c.thresholds, &r);
        EXPECT_EQ(check.State, c.state) << check.Line.toStdString();
        EXPECT_TRUE(check.Line.contains(QLatin1String(c.text))) << check.Line.toStdString();
    }
}

TEST(Completeness, ScheduleNotKnownLeavesTheVerdictAlone)
{
    TSortedStringList ledger;
    ledger.Assign({Product(0, 11, 0, 2400)});
    TLedgerEntries entries(ledger);
    const TStationStatus status = AssessStation(entries, Now, {});
    const std::vector<TLedgerEntry> recent = entries.Since(CompletenessSince(Now));
    const TStationCompleteness r = AssessCompleteness(recent, LearnSchedule(recent, Now), Now, {}, 1, Crm);
    const TCheckResult with = CheckStation(status, {}, &r);
    const TCheckResult without = CheckStation(status, {});
    EXPECT_EQ(with.State, without.State);
    EXPECT_EQ(with.State, TCheckState::Warning);
    EXPECT_TRUE(with.Line.contains("; schedule not known yet; ")) << with.Line.toStdString();
    EXPECT_FALSE(with.Line.contains("_24h")) << with.Line.toStdString();
    EXPECT_EQ(r.Last24Hours.Received, 1);
    EXPECT_EQ(r.Last24Hours.Expected, 0);
}

}  // namespace
