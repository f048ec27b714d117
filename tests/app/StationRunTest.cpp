// The pass sequence a window runs again while it stays open.
#include "app/StationRun.h"
#include "station/StationPass.h"

#include "tests/common/TempDir.h"
#include "tests/common/TestDates.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

TEST(StationRun, ScanningAgainKeepsWhatWasRecordedAndFindsWhatCameSince)
{
    TempDir dir;
    const TPinnedClock clock(At(2021, 6, 23, 14));
    const QString today = "20210623";
    const QString day = "data/" + today.left(4) + "/" + today.mid(4, 2) + "/" + today.right(2) + "/";
    dir.Write(day + today + "0000-crm.grb", "GRIB");
    const QString ledger = dir.Write("ledger.txt", "");
    TStationRun run(TCommandLine::WithPositional({dir.FilePath("data"), ledger}));
    int summaries = 0;
    const TScanViews views{{}, [&summaries](const std::vector<TFamilyReading>&) { ++summaries; }, {}, {}};
    run.Scan(views);
    EXPECT_EQ(run.Pass().ProductsRecorded(), 1);
    // Another station process saved a product meanwhile; one more arrived.
    QFile other(ledger);
    ASSERT_TRUE(other.open(QIODevice::Append));
    other.write("202001010000-crm.grb=60\r\n");
    other.close();
    dir.Write(day + today + "0015-crm.grb", "GRIB");
    run.ScanAgain(views);
    EXPECT_EQ(summaries, 2);
    EXPECT_EQ(run.Pass().ProductsRecorded(), 1) << "the first product is known from the saved ledger";
    EXPECT_EQ(run.Finish(), 0);
    QFile saved(ledger);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll().count("-crm.grb="), 3);
}

}  // namespace
