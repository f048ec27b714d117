// The window's later scans: the -refresh beat, a request while a scan runs
// (skipped and said), a failing scan tried again; the status line and the
// note over the chart that tell the user.
#include "desktop/ScanRepeater.h"
#include "desktop/WatchStatus.h"

#include "platform/Clock.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include <stdexcept>

namespace {

const TDateTime Now = 45000 + (21 * 60 + 40) / 1440.0;  // 2023-03-15 21:40 UTC
const TDateTime Minute = 1 / 1440.0;

class ScanRepeaterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetClockForTesting([] { return Now; });
    }
    void TearDown() override { SetClockForTesting({}); }

    // Lets the event loop run until the condition holds.
    static bool Eventually(const std::function<bool()>& condition)
    {
        for (int i = 0; i < 100000 && !condition(); ++i)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        return condition();
    }
};

TEST_F(ScanRepeaterTest, RefreshRepeatsEveryPeriodAndSaysWhenNext)
{
    int scans = 0;
    TScanRepeater repeater([&scans] { return ++scans, QString(); }, 15);
    ASSERT_NE(repeater.RefreshTimer(), nullptr);
    EXPECT_EQ(repeater.RefreshTimer()->interval(), 15 * 60 * 1000);
    EXPECT_FALSE(repeater.RefreshTimer()->isActive()) << "the beat starts with the first scan";
    ASSERT_TRUE(repeater.ScanNow());
    const TWatchState state = repeater.State();
    EXPECT_EQ(state.LastScan, Now);
    ASSERT_TRUE(state.NextScan);
    EXPECT_NEAR(*state.NextScan, Now + 15 * Minute, Minute / 10);
    EXPECT_EQ(WatchStatusLine(state), "Last scan 2023-Mar-15 21:40 UTC, next at 21:55 UTC");

    repeater.RefreshTimer()->setInterval(1);
    EXPECT_TRUE(Eventually([&scans] { return scans >= 3; }));
}

TEST_F(ScanRepeaterTest, WithoutRefreshOnlyOnDemand)
{
    int scans = 0;
    TScanRepeater repeater([&scans] { return ++scans, QString(); }, std::nullopt);
    EXPECT_EQ(repeater.RefreshTimer(), nullptr);
    EXPECT_EQ(WatchStatusLine(repeater.State()), "");
    EXPECT_TRUE(repeater.ScanNow());
    EXPECT_TRUE(repeater.ScanNow());
    EXPECT_EQ(scans, 2);
    EXPECT_EQ(WatchStatusLine(repeater.State()), "Last scan 2023-Mar-15 21:40 UTC");
}

TEST_F(ScanRepeaterTest, ARequestWhileAScanRunsIsSkippedAndSaid)
{
    int scans = 0;
    TScanRepeater* self = nullptr;
    QString statusDuringScan;
    TScanRepeater repeater(
        [&] {
            // F5 or the beat while the first walk lets events through.
            if (++scans == 1) {
                EXPECT_FALSE(self->ScanNow());
                statusDuringScan = WatchStatusLine(self->State());
            }
            return QString();
        },
        std::nullopt);
    self = &repeater;
    EXPECT_TRUE(repeater.ScanNow());
    EXPECT_EQ(scans, 1);
    EXPECT_EQ(statusDuringScan, "Scanning since 21:40 UTC (the scan asked for at 21:40 UTC was skipped: the one "
                                "before was still running)");
    EXPECT_TRUE(repeater.State().Skipped) << "said until the next scan starts";
    EXPECT_TRUE(repeater.ScanNow());
    EXPECT_FALSE(repeater.State().Skipped);
    EXPECT_EQ(scans, 2);
}

TEST_F(ScanRepeaterTest, AFailedScanIsShownAndTheNextTriesAgain)
{
    const QStringList outcomes{"the data folder /srv/images/ does not exist", "", "boom"};
    int scans = 0;
    TScanRepeater repeater(
        [&] {
            const QString outcome = outcomes[scans++];
            if (outcome == "boom")
                throw std::runtime_error("out of memory");
            return outcome;
        },
        60);
    ASSERT_TRUE(repeater.ScanNow());
    EXPECT_EQ(WatchStatusLine(repeater.State()), "Last scan 2023-Mar-15 21:40 UTC failed: the data folder "
                                                 "/srv/images/ does not exist; next try at 22:40 UTC");
    EXPECT_TRUE(repeater.RefreshTimer()->isActive());
    ASSERT_TRUE(repeater.ScanNow());
    EXPECT_EQ(repeater.LastFailure(), "");
    ASSERT_TRUE(repeater.ScanNow());
    EXPECT_EQ(repeater.LastFailure(), "the scan pass failed: out of memory");
    EXPECT_FALSE(repeater.Scanning());
}

TEST(DataFolderNote, NamesTheSettingToChange)
{
    const QString file = "/home/op/.config/Ashgrove/Datawarden.conf";
    const struct
    {
        TFolderSource Source;
        QString Problem, Note;
    } cases[] = {
        {TFolderSource::Unset, "",
         "No data folder is set.\nSet ImagesPath in " + file + "\nto the station's data folder, then Scan again (F5)."},
        {TFolderSource::Settings, "the data folder /srv/x/ does not exist",
         "The data folder /srv/x/ does not exist.\nChange ImagesPath in " + file + ",\nthen Scan again (F5)."},
        {TFolderSource::Settings, "", ""},
        {TFolderSource::CommandLine, "cannot read the data folder /srv/x/: Permission denied",
         "Cannot read the data folder /srv/x/: Permission denied.\nIt was given on the command line: start lagwatch "
         "with the station's data folder,\nor without one to use ImagesPath in " +
             file + "."},
        {TFolderSource::CommandLine, "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DataFolderNote(c.Source, c.Problem, file), c.Note) << c.Problem.toStdString();
}

}  // namespace
