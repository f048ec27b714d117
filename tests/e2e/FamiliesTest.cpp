// The station of three product families in the real program's window under
// a virtual display: each family's caption and hint printed under its name,
// one chart and one completeness map per family.
#include "tests/common/TempDir.h"
#include "tests/e2e/FamilyStation.h"
#include "tests/e2e/ProgramRun.h"

#include <QDateTime>
#include <QImage>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

TEST(Families, ThreeFamiliesInTheWindowUnderAVirtualDisplay)
{
    REQUIRE_TOOL(xvfb, "xvfb-run");
    TempDir dir;
    TFamilyStation station;
    ASSERT_TRUE(WriteFamilyStation(dir.Path(), station));
    const QString maps = dir.FilePath("history.png"), crmMap = dir.FilePath("crm.png");
    const QString charts = dir.FilePath("charts.png");
    const TRun run =
        RunOnDesktop(LAGWATCH_BIN, {station.DataFolder, station.Ledger, "-families=" + station.FamiliesFile, "-close",
                                    "-history-png=" + maps, "-png=" + charts});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(run.Err, "");
    // Each family under its name, in the file's order: the CRM products first.
    const qsizetype crm = run.Out.indexOf("[crm]\nLagwatch - latest data was from ");
    const qsizetype seg = run.Out.indexOf("\n[seg]\nLagwatch - latest data was from ");
    const qsizetype hourly = run.Out.indexOf("\n[hourly]\nLagwatch - latest data was from ");
    EXPECT_EQ(crm, 0) << run.Out.toStdString();
    EXPECT_GT(seg, crm) << run.Out.toStdString();
    EXPECT_GT(hourly, seg) << run.Out.toStdString();
    // The segments' hint: one line per slot, the newest five, each with the
    // slot's time, a minute late each (the slot's latest file).
    EXPECT_EQ(run.Out.mid(seg, hourly - seg + 1).count(QRegularExpression(" \\d\\d:\\d\\d  => 1.0 minutes\n")), 5)
        << run.Out.toStdString();
    EXPECT_EQ(QImage(charts).size(), QSize(728, 3 * 289)) << "each family's chart, one under the other";

    // One map per family, one under the other, each as high as the CRM
    // products' map alone.
    ASSERT_EQ(
        RunOnDesktop(LAGWATCH_BIN, {station.DataFolder, station.Ledger, "-close", "-history-png=" + crmMap}).ExitCode,
        0);
    const QImage all(maps), one(crmMap);
    ASSERT_FALSE(one.isNull());
    EXPECT_EQ(all.height(), 3 * one.height());
    EXPECT_GE(all.width(), one.width());
}

// The figures read a family's last month; the CSV reads every day it keeps.
TEST(Families, TheCsvHoldsEveryDayOfAFamilyNotOnlyTheMonthTheFiguresRead)
{
    TempDir dir;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const int daysAgo : {45, 40, 2, 1}) {
        const QDateTime day = now.addDays(-daysAgo);
        dir.Write("data/" + day.toString("yyyy/MM/dd") + "/HR_" + day.toString("yyyyMMdd") + "1200.dat", "");
    }
    const QString families =
        dir.Write("families.conf", "[crm]\nenabled = false\n[hourly]\npattern = HR_{time:%Y%m%d%H%M}.dat\n"
                                   "delay = name-time\n");
    const QString ledger = dir.Write("ledger.txt", "");
    const QStringList arguments = {dir.FilePath("data"), ledger, "-families=" + families, "-close"};
    ASSERT_EQ(RunProgram(LAGWATCH_BIN, arguments, BareEnvironment()).ExitCode, 0);
    // The second run walks only the newest days and reads the rest from the ledger.
    const TRun run = RunProgram(LAGWATCH_BIN, arguments + QStringList{"-csv=-"}, BareEnvironment());
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(run.Out.count("\nhourly,hr_"), 4) << run.Out.toStdString();
}

}  // namespace
