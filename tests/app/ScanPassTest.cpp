#include "app/LagwatchPlotForm.h"

#include "platform/Clock.h"
#include "platform/FileTimes.h"
#include "tests/common/ScopedEnvironment.h"
#include "tests/common/TempDir.h"

#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

TDateTime At(int y, int m, int d, double hours)
{
    TDateTime t = 0;
    EXPECT_TRUE(TryEncodeDate(y, m, d, t));
    return t + hours / 24;
}

// Writes a product whose last-write time lies exactly `delayMs` before the
// creation time the file system recorded.
void WriteProduct(const TempDir& dir, const QString& relative, int64_t delayMs)
{
    const QString path = dir.Write(relative, "GRIB");
    const auto times = ReadFileTimes(QFile::encodeName(path));
    ASSERT_TRUE(times.has_value());
    ASSERT_TRUE(SetLastWriteMs(path, times->CreationMs - delayMs));
}

class ScanPassTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FLedger = FDir.Write("ledger.txt", "");
        FData = FDir.MakeDir("data");
    }
    void TearDown() override
    {
        SetClockForTesting({});
    }

    QStringList RunPass(TDateTime now)
    {
        SetClockForTesting([now] { return now; });
        TFormLagwatchPlot form(TCommandLine::WithPositional({FData, FLedger}));
        form.TimerOnStartTimer();
        FLabelHint = form.LabelOnOpen()->toolTip();
        FLabelVisible = form.LabelOnOpen()->isVisibleTo(&form);
        return form.ReceivedList().ToStringList();
    }

    TempDir FDir;
    TScopedEnvironment FConfigHome{"XDG_CONFIG_HOME", QFile::encodeName(FDir.Path() + "config")};
    QString FLedger, FData;
    QString FLabelHint;
    bool FLabelVisible = false;
};

TEST_F(ScanPassTest, RecordsEveryMatchingFileWithItsExactDelay)
{
    WriteProduct(FDir, "data/2021/06/23/202106231200-CRM.GRB", 413000);  // 12:20:00.000 - 12:13:07.000
    WriteProduct(FDir, "data/2021/06/23/202106230000-crm.grb", 1500);    // a half: to even
    WriteProduct(FDir, "data/2021/06/23/202106231315-crm.grb", -60000);  // written after it was created
    WriteProduct(FDir, "data/2021/06/23/2=9crm.grb", 5000);              // would forge a ledger line
    WriteProduct(FDir, "data/2021/06/23/202106231200-crm.txt", 5000);    // not a CRM product
    WriteProduct(FDir, "data/2021/06/22/202106221200-crm.grb", 7000);
    const QStringList lines = RunPass(At(2021, 6, 23, 12.5));
    EXPECT_EQ(lines, QStringList({"202106221200-crm.grb=7", "202106230000-crm.grb=2", "202106231200-crm.grb=413",
                                  "202106231315-crm.grb=-60"}));
    EXPECT_TRUE(FLabelVisible);
    EXPECT_TRUE(QRegularExpression("^\\d+\\.\\d{3} milliseconds$").match(FLabelHint).hasMatch()) << FLabelHint.toStdString();
}

TEST_F(ScanPassTest, SearchesTheNewestRecordedDayOnceMoreAndStopsThere)
{
    FLedger = FDir.Write("ledger.txt", "202106211200-crm.grb=100\r\n");
    WriteProduct(FDir, "data/2021/06/23/202106231200-crm.grb", 60000);
    WriteProduct(FDir, "data/2021/06/21/202106211200-crm.grb", 999000);  // recorded before: not measured again
    WriteProduct(FDir, "data/2021/06/21/202106211315-crm.grb", 120000);  // arrived after that run
    WriteProduct(FDir, "data/2021/06/20/202106201200-crm.grb", 180000);  // beyond the recorded day
    const QStringList lines = RunPass(At(2021, 6, 23, 11.99));
    EXPECT_EQ(lines, QStringList({"202106211200-crm.grb=100", "202106211315-crm.grb=120", "202106231200-crm.grb=60"}));
}

TEST_F(ScanPassTest, ReachesBack88DaysBeforeNoonAnd89From)
{
    // 2021-03-27 is 88 days before 2021-06-23.
    WriteProduct(FDir, "data/2021/03/27/202103271200-crm.grb", 60000);
    WriteProduct(FDir, "data/2021/03/26/202103261200-crm.grb", 60000);
    EXPECT_EQ(RunPass(At(2021, 6, 23, 11 + 59 / 60.0)).size(), 1);
    FLedger = FDir.Write("ledger.txt", "");
    EXPECT_EQ(RunPass(At(2021, 6, 23, 12)).size(), 2);
}

} // namespace
