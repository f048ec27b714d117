// Slots of several files: complete with files-per-slot files, as late as
// their latest file, the files a missing slot lacks, files-per-slot learned
// as the schedule is, and the chart's one bar per slot.
#include "report/Completeness.h"
#include "report/DelaySummary.h"
#include "tests/common/TestDates.h"

#include <gtest/gtest.h>

namespace {

TDateTime At(int day, int hour, int minute) { return ::At(2026, 12, day, hour, minute); }

const TDateTime Now = At(7, 12, 0);

// Files of the slot of 2026-12-DD HH:MM, one per delay ("x": no integer delay).
QStringList Files(int day, int hour, int minute, const QStringList& delays)
{
    QStringList lines;
    for (qsizetype i = 0; i < delays.size(); ++i)
        lines.append(QString::asprintf("202612%02d%02d%02d-seg%03d.grb=", day, hour, minute, static_cast<int>(i)) +
                     delays[i]);
    return lines;
}

QStringList Repeated(int count, const QString& delay) { return QStringList(count, delay); }

TEST(SlotFiles, ACompleteSlotIsAsLateAsItsLatestFile)
{
    struct Case
    {
        const char* what;
        QStringList delays;  // of the 10:00 slot's files
        TDateTime now;
        TSlotState state;
        int missingFiles;
        const char* product;  // the file of the slot's delay, or empty
        bool skew = false;    // counted as clock skew
    };
    const Case cases[] = {
        {"complete, the latest file decides", {"60", "2400", "120"}, Now, TSlotState::Late, 0, "seg001"},
        {"a file short is missing", {"60", "120"}, Now, TSlotState::Missing, 1, ""},
        {"no file lacks all three", {}, Now, TSlotState::Missing, 3, ""},
        {"a file more is still one of its files", {"3000", "60", "120", "90"}, Now, TSlotState::VeryLate, 0, "seg000"},
        {"an unmeasured file adds no delay", {"60", "x", "120"}, Now, TSlotState::OnTime, 0, "seg002"},
        {"no file measured", {"x", "x", "x"}, Now, TSlotState::Unmeasured, 0, "seg000"},
        {"a file's clock skew is no delay", {"60", "-7200", "120"}, Now, TSlotState::OnTime, 0, "seg002"},
        {"the latest delay clock skew", {"-400", "-7200", "-301"}, Now, TSlotState::Unmeasured, 0, "seg002", true},
        {"incomplete and not due yet", {"60"}, At(7, 10, 30), TSlotState::NotDue, 0, ""},
        {"complete before it is due", {"60", "60", "2400"}, At(7, 10, 50), TSlotState::Late, 0, "seg002"},
    };
    TExpectedSchedule schedule;
    schedule.Source = TExpectedSchedule::TSource::List;
    schedule.SlotMinutes = {600};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QStringList lines = Files(6, 0, 0, {"1"});  // so that 10:00 lies after the ledger's first
        lines += Files(7, 10, 0, c.delays);
        const TStationCompleteness r = AssessCompleteness(ParseLedgerLines(lines), schedule, c.now, {}, 3);
        EXPECT_EQ(r.FilesPerSlot, 3);
        const TSlotCell& cell = r.Days[0].Cells.at(0);
        EXPECT_EQ(cell.State, c.state);
        EXPECT_EQ(cell.Files, c.delays.size());
        EXPECT_EQ(cell.MissingFiles, c.missingFiles);
        EXPECT_TRUE(cell.Product.contains(QLatin1String(c.product))) << cell.Product.toStdString();
        EXPECT_EQ(cell.Product.isEmpty(), *c.product == '\0');
        // One slot, however many files: counted once it is due or complete.
        const TCompletenessFigures& f = r.Days[0].Figures;
        const bool received =
            c.state == TSlotState::OnTime || c.state == TSlotState::Late || c.state == TSlotState::VeryLate;
        EXPECT_EQ(f.Received, received ? 1 : 0);
        EXPECT_EQ(f.Missing, c.state == TSlotState::Missing ? 1 : 0);
        EXPECT_EQ(f.Expected, f.Received + f.Missing);
        EXPECT_EQ(f.Unmeasured, c.state == TSlotState::Unmeasured ? 1 : 0);
        EXPECT_EQ(f.ClockSkew, c.skew ? 1 : 0);
        EXPECT_EQ(f.MissingFiles, c.missingFiles);
        EXPECT_EQ(f.Files, c.delays.size());
    }
}

TEST(SlotFiles, FilesPerSlotLearnedAsTheScheduleIs)
{
    struct Case
    {
        const char* what;
        std::vector<int> counts;  // files of the 06:00 slot on each day before today
        bool given;               // the schedule given (06:00), not learned
        int learned;
    };
    const Case cases[] = {
        {"one file a slot", {1, 1, 1, 1}, false, 1},
        {"the usual count, not the largest", {114, 114, 112, 115, 114}, false, 114},
        {"of two as frequent, the larger", {4, 4, 5, 5}, false, 5},
        {"days without any file do not count", {0, 0, 6, 6, 6}, false, 6},
        {"too few days: schedule and count unknown", {3, 3}, false, 1},
        {"a given schedule learns no count from one day", {3}, true, 1},
        {"nor from two", {2, 2}, true, 1},
        {"but from three", {2, 2, 2}, true, 2},
    };
    TExpectedSchedule six;
    six.Source = TExpectedSchedule::TSource::List;
    six.SlotMinutes = {360};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QStringList lines;
        for (size_t i = 0; i < c.counts.size(); ++i)
            lines += Files(6 - static_cast<int>(i), 6, 0, Repeated(c.counts[i], "60"));
        const std::vector<TLedgerEntry> entries = ParseLedgerLines(lines);
        EXPECT_EQ(LearnFilesPerSlot(entries, c.given ? six : LearnSchedule(entries, Now), Now), c.learned);
    }
    // Files off the schedule's slots (05:59) are not counted.
    QStringList lines;
    for (int day = 4; day <= 6; ++day)
        lines += Files(day, 6, 0, Repeated(2, "60")) + Files(day, 5, 59, Repeated(7, "60"));
    EXPECT_EQ(LearnFilesPerSlot(ParseLedgerLines(lines), six, Now), 2);
}

TEST(SlotFiles, TheChartHasOneBarPerSlot)
{
    TSortedStringList ledger;
    QStringList lines;
    for (int hour = 0; hour < 60; ++hour)
        lines += Files(4 + hour / 24, hour % 24, 0, {"60", hour == 59 ? "2460" : "300", "x"});
    ledger.Assign(lines);
    TLedgerEntries entries(ledger);
    const std::vector<TLedgerEntry> bars = NewestSlotEntries(entries, 3);
    ASSERT_EQ(bars.size(), static_cast<size_t>(PlottedLineCount));
    EXPECT_EQ(bars.front().Nominal, At(4, 14, 0));
    EXPECT_EQ(bars.back().Nominal, At(6, 11, 0));
    EXPECT_EQ(bars.back().Seconds, 2460);  // the slot's latest file
    EXPECT_EQ(bars.front().Seconds, 300);
    // One file a slot: the newest ledger lines, as ever.
    EXPECT_EQ(NewestSlotEntries(entries, 1).size(), static_cast<size_t>(PlottedLineCount));
    EXPECT_EQ(NewestSlotEntries(entries, 1).back().Name, NewestLedgerEntries(entries).back().Name);
}

}  // namespace
