#include "station/DayWalk.h"
#include "station/ProductFile.h"
#include "tests/common/TestDates.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <set>

namespace {

// Runs the walk against a set of recorded names and existing day folders and
// returns the folders searched, in order.
struct TWalkRun
{
    std::set<QString> Recorded;
    std::set<QString> Existing;  // every folder exists when empty and AllExist
    bool AllExist = true;
    QStringList Searched;
    int Iterations = 0;
    int LabelShownAt = 0;

    void Run(TDateTime today, TDateTime now)
    {
        TDayWalkHooks hooks;
        hooks.IsRecorded = [this](const QString& n) { return Recorded.count(n) > 0; };
        hooks.FolderExists = [this](const QString& f) { return AllExist || Existing.count(f) > 0; };
        hooks.Search = [this](const QString& f, TDateTime) { Searched.append(f); };
        hooks.OnIteration = [this](int index) {
            ++Iterations;
            if (index > 2 && LabelShownAt == 0)
                LabelShownAt = Iterations;
        };
        WalkDays(today, now, "/data/", hooks);
    }
};

const TDateTime June23 = At(2021, 6, 23);

TEST(DayWalk, NamesAndFoldersOfADay)
{
    EXPECT_EQ(ExpectedName1200(June23), "202106231200-crm.grb");
    EXPECT_EQ(ExpectedName1315(June23), "202106231315-crm.grb");
    EXPECT_EQ(DayFolder("/data/MPEF/", June23), "/data/MPEF/2021/06/23/");
    EXPECT_EQ(DayFolder("", June23), "2021/06/23/");
}

TEST(DayWalk, EmptyLedgerSearches89DaysBeforeNoonAnd90From)
{
    TWalkRun before;
    before.Run(June23 + 11.0 / 24 + 59.0 / 1440, June23 + 11.0 / 24 + 59.0 / 1440);
    ASSERT_EQ(before.Searched.size(), 89);
    EXPECT_EQ(before.Searched.first(), "/data/2021/06/23/");
    EXPECT_EQ(before.Searched.last(), DayFolder("/data/", June23 - 88));
    EXPECT_EQ(before.LabelShownAt, 2);  // index 3 is the second iteration when starting at 2

    TWalkRun after;
    after.Run(June23 + 0.5, June23 + 0.5);
    ASSERT_EQ(after.Searched.size(), 90);
    EXPECT_EQ(after.Searched.last(), DayFolder("/data/", June23 - 89));
    EXPECT_EQ(after.LabelShownAt, 3);
}

TEST(DayWalk, StopsAtTheNewestRecordedDayAfterSearchingItOnce)
{
    struct Case
    {
        const char* label;
        std::set<QString> recorded;
        QStringList searched;
    };
    const Case cases[] = {
        // Today's 12:00 recorded: today is searched once more for its 13:15.
        {"today recorded", {"202106231200-crm.grb"}, {"/data/2021/06/23/"}},
        {"yesterday's 13:15 recorded", {"202106221315-crm.grb"}, {"/data/2021/06/23/", "/data/2021/06/22/"}},
        {"three days back",
         {"202106201200-crm.grb", "202106191200-crm.grb"},
         {"/data/2021/06/23/", "/data/2021/06/22/", "/data/2021/06/21/", "/data/2021/06/20/"}},
    };
    for (const Case& c : cases) {
        TWalkRun run;
        run.Recorded = c.recorded;
        run.Run(June23 + 0.6, June23 + 0.6);
        EXPECT_EQ(run.Searched, c.searched) << c.label;
        EXPECT_EQ(run.Iterations, 90) << c.label;
    }
}

TEST(DayWalk, MissingFoldersAreSkippedButStillCountAsDays)
{
    TWalkRun run;
    run.AllExist = false;
    run.Existing = {"/data/2021/06/22/", "/data/2021/06/20/"};
    run.Recorded = {"202106191315-crm.grb"};
    run.Run(June23 + 0.7, June23 + 0.7);
    EXPECT_EQ(run.Searched, QStringList({"/data/2021/06/22/", "/data/2021/06/20/"}));
}

TEST(ProductFile, DelayRoundsHalvesToEven)
{
    struct Case
    {
        int64_t creation, write, seconds;
    };
    const Case cases[] = {
        {413000, 0, 413}, {1500, 0, 2},  {2500, 0, 2}, {2501, 0, 3}, {2499, 0, 2},  {0, 1500, -2},
        {0, 2500, -2},    {0, 2501, -3}, {0, 499, 0},  {0, 500, 0},  {0, 1499, -1}, {1200000, 793000, 407},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DelaySeconds({c.creation, c.write, true}), c.seconds) << c.creation << " - " << c.write;
}

TEST(ProductFile, NamesTheLedgerCanHold)
{
    EXPECT_EQ(LowerCaseAscii("202106231200-CRM.GRB"), "202106231200-crm.grb");
    EXPECT_EQ(LowerCaseAscii(QString::fromUtf8("2\xC3\x89-CRM")), QString::fromUtf8("2\xC3\x89-crm"));
    EXPECT_TRUE(IsRecordableName("202106231200-crm.grb"));
    for (const QString& bad : {QString("2=9crm.grb"), QString("2\r9crm.grb"), QString("2\n9crm.grb"),
                               QString(QChar(0)) + "2crm.grb", QString()})
        EXPECT_FALSE(IsRecordableName(bad));
}

}  // namespace

namespace {

TEST(DayWalk, EndsAtAStopRequestAndAtADayThatCannotBeAFolder)
{
    // A stop signal arrives while the third day is being searched.
    TWalkRun stopped;
    TDayWalkHooks hooks;
    int searches = 0;
    hooks.IsRecorded = [](const QString&) { return false; };
    hooks.FolderExists = [](const QString&) { return true; };
    hooks.Search = [&](const QString& f, TDateTime) { stopped.Searched.append(f), ++searches; };
    hooks.ShouldStop = [&] { return searches == 3; };
    WalkDays(June23 + 0.6, June23 + 0.6, "/data/", hooks);
    EXPECT_EQ(stopped.Searched, (QStringList{"/data/2021/06/23/", "/data/2021/06/22/", "/data/2021/06/21/"}));

    // A clock past the year 9999: the data folder itself is never searched.
    TDateTime lastDay = 0;
    ASSERT_TRUE(TryEncodeDate(9999, 12, 31, lastDay));
    TWalkRun farFuture;
    farFuture.Run(lastDay + 1.5, lastDay + 1.5);
    EXPECT_TRUE(farFuture.Searched.isEmpty());
    EXPECT_EQ(DayFolder("/data/", lastDay + 1), "");
    // The last day that can be written is still walked, then the days before it.
    TWalkRun lastWritable;
    lastWritable.Run(lastDay + 0.5, lastDay + 0.5);
    ASSERT_EQ(lastWritable.Searched.size(), 90);
    EXPECT_EQ(lastWritable.Searched.first(), "/data/9999/12/31/");
}

}  // namespace
