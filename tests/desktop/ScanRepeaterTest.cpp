// What the window says of its scans, and a request while a scan runs:
// skipped and said (the scans themselves: WatchingWindowTest).
#include "desktop/ScanRepeater.h"
#include "desktop/WatchStatus.h"

#include <gtest/gtest.h>

namespace {

const TDateTime At2140 = 45000 + (21 * 60 + 40) / 1440.0;  // 2023-03-15 21:40 UTC
const TDateTime Minute = 1 / 1440.0;

TEST(WatchStatusLine, TellsLastAndNextScanFailureAndSkip)
{
    const QString failure = "the data folder /srv/x/ does not exist";
    const struct
    {
        TWatchState State;
        QString Line;
    } cases[] = {
        {{}, ""},
        {{false, At2140, "", std::nullopt, std::nullopt}, "Last scan 2023-Mar-15 21:40 UTC"},
        {{false, At2140, "", At2140 + 15 * Minute, std::nullopt}, "Last scan 2023-Mar-15 21:40 UTC, next at 21:55 UTC"},
        {{false, At2140, failure, At2140 + 60 * Minute, std::nullopt},
         "Last scan 2023-Mar-15 21:40 UTC failed: " + failure + "; next try at 22:40 UTC"},
        {{true, At2140, failure, At2140 + 5 * Minute, At2140 + 5 * Minute},
         "Scanning since 21:40 UTC, next at 21:45 UTC (the scan asked for at 21:45 UTC was skipped: the one before "
         "was still running)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WatchStatusLine(c.State), c.Line) << c.Line.toStdString();
}

TEST(ScanRepeater, ARequestWhileAScanRunsIsSkippedAndSaidUntilTheNext)
{
    int scans = 0;
    TScanRepeater* self = nullptr;
    TScanRepeater repeater(
        [&] {
            // F5 or the beat while the first walk lets events through.
            if (++scans == 1) {
                EXPECT_FALSE(self->ScanNow());
            }
            return scans == 1 ? QString() : QString("failed");
        },
        std::nullopt);
    self = &repeater;
    EXPECT_TRUE(repeater.ScanNow());
    EXPECT_EQ(scans, 1);
    EXPECT_TRUE(repeater.State().Skipped);
    EXPECT_TRUE(repeater.ScanNow());
    EXPECT_FALSE(repeater.State().Skipped);
    EXPECT_EQ(repeater.LastFailure(), "failed");
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
        {TFolderSource::CommandLine, "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DataFolderNote(c.Source, c.Problem, file), c.Note) << c.Problem.toStdString();
}

}  // namespace
