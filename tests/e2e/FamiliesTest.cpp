// The station of three product families in the real program's window under
// a virtual display: each family's caption and hint printed under its name,
// one chart and one completeness map per family.
#include "tests/common/TempDir.h"
#include "tests/e2e/FamilyStation.h"
#include "tests/e2e/ProgramRun.h"

#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// The sum of a report column, found by its name, over one family's rows.
int ReportSum(const QString& report, const QString& family, const QString& column)
{
    const QStringList lines = report.split('\n', Qt::SkipEmptyParts);
    const qsizetype at = lines.isEmpty() ? -1 : lines[0].split(',').indexOf(column);
    int sum = 0;
    for (const QString& line : lines)
        if (at >= 0 && line.startsWith(family + ','))
            sum += line.split(',').value(at).toInt();
    return at < 0 ? -1 : sum;
}

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
    // The second run lists only the folders that changed and reads the rest from the ledger.
    const TRun run = RunProgram(LAGWATCH_BIN, arguments + QStringList{"-csv=-"}, BareEnvironment());
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(run.Out.count("\nhourly,HR_"), 4) << run.Out.toStdString();
}

// The same tree gives the same report whether it was read in one run or in
// several, whatever arrived late or changed in the families file meanwhile.
TEST(Families, TheSameTreeGivesTheSameReportInOneRunOrInMany)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto file = [&](int daysAgo, const char* hour, const char* suffix) {
        const QDateTime day = now.addDays(-daysAgo);
        return day.toString("yyyy/MM/dd") + "/P" + day.toString("yyyyMMdd") + hour + suffix;
    };
    const QByteArray any = "[crm]\nenabled = false\n[p]\npattern = P{time:%Y%m%d%H}*\nexpect = 00:00,12:00\n";
    const QByteArray narrowed = "[crm]\nenabled = false\n[p]\npattern = P{time:%Y%m%d%H}.nc\nexpect = 00:00,12:00\n";
    const struct
    {
        const char* What;
        QStringList Before, After;  // the files before the later run, and those that arrive for it
        QByteArray FamiliesBefore, FamiliesAfter;
        const char* Told;  // on standard error by the later run
        const char* Slots;  // the older day's expected, received and missing slots
    } cases[] = {
        // A later day is complete before the file arrives into the older one.
        {"a late arrival", {file(3, "00", ".nc"), file(2, "00", ".nc"), file(2, "12", ".nc")},
         {file(3, "12", ".nc")}, any, any, "", ",2,2,0,"},
        {"a narrowed pattern",
         {file(3, "00", ".nc"), file(3, "12", ".tmp"), file(2, "00", ".nc"), file(2, "12", ".nc")}, {}, any, narrowed,
         "lagwatch: 1 product of the family p in the last 31 days no longer matches its pattern", ",2,1,1,"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        for (const QString& name : c.Before)
            dir.Write("data/" + name, "");
        const QString families = dir.Write("families.conf", c.FamiliesBefore);
        const QString data = dir.FilePath("data"), many = dir.Write("many/ledger.txt", "");
        ASSERT_EQ(RunProgram(LAGWATCH_BIN, {data, many, "-families=" + families, "-close"}, BareEnvironment()).ExitCode,
                  0);
        for (const QString& name : c.After)
            dir.Write("data/" + name, "");
        dir.Write("families.conf", c.FamiliesAfter);
        const QStringList report = {"-families=" + families, "-close", "-report=-"};
        const TRun later = RunProgram(LAGWATCH_BIN, QStringList{data, many} + report, BareEnvironment());
        const TRun once =
            RunProgram(LAGWATCH_BIN, QStringList{data, dir.Write("one/ledger.txt", "")} + report, BareEnvironment());
        ASSERT_EQ(later.ExitCode, 0) << c.What;
        EXPECT_TRUE(later.Out.contains("\np," + now.addDays(-3).toString("yyyy-MM-dd") + c.Slots))
            << c.What << later.Out.toStdString();
        EXPECT_EQ(later.Out, once.Out) << c.What;
        EXPECT_EQ(later.Err.left(qstrlen(c.Told)), c.Told) << c.What;
        EXPECT_EQ(once.Err, "") << c.What;
    }
}

// The demo station as a newcomer meets it: a families file the program takes,
// every family in the summary, and in the figures exactly the slots the tool
// planned: one very late by a file that does not sort last, one short of files.
TEST(Families, TheDemoStationShowsItsPlannedLateAndIncompleteSlot)
{
    TempDir dir;
    const QString data = dir.FilePath("data"), families = dir.FilePath("families.conf");
    const TRun demo = RunProgram(DEMO_DATA_BIN, {"--days", "4", "--families", families, data}, BareEnvironment());
    ASSERT_EQ(demo.ExitCode, 0) << demo.Err.toStdString();
    const auto late = QRegularExpression("segments slot (\\S+) (\\S+) is late: (\\S+) came").match(demo.Out);
    const auto partial = QRegularExpression("segments slot (\\S+) (\\S+) is incomplete: 10 of 12").match(demo.Out);
    ASSERT_TRUE(late.hasMatch() && partial.hasMatch()) << demo.Out.toStdString();

    const QString ledger = dir.Write("ledgers/CRM-received.txt", ""), csv = dir.FilePath("ledger.csv"),
                  report = dir.FilePath("report.csv");
    const TRun run =
        RunProgram(LAGWATCH_BIN, {data, ledger, "-families=" + families, "-close", "-csv=" + csv, "-report=" + report},
                   BareEnvironment());
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(run.Out.indexOf("[crm]\n"), 0) << run.Out.toStdString();
    EXPECT_GT(run.Out.indexOf("\n[hourly]\n"), run.Out.indexOf("\n[segments]\n")) << run.Out.toStdString();
    EXPECT_GT(run.Out.indexOf("\n[segments]\n"), 0);

    // The ledger: the late file's delay as planned, another file of its slot
    // sorting after it, and the incomplete slot's 10 files.
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString lines = QString::fromUtf8(file.readAll());
    auto slotFiles = [&](const QRegularExpressionMatch& slot) {
        return QRegularExpression(
                   QStringLiteral("\nsegments,([^,]+),%1T%2:00Z,(\\d+)").arg(slot.captured(1), slot.captured(2)))
            .globalMatch(lines);
    };
    QString lastName;
    int lateDelay = -1, slotSize = 0;
    for (auto it = slotFiles(late); it.hasNext(); ++slotSize) {
        const auto line = it.next();
        lastName = std::max(lastName, line.captured(1).toLower());
        if (line.captured(1).compare(late.captured(3), Qt::CaseInsensitive) == 0)
            lateDelay = line.captured(2).toInt();
    }
    EXPECT_EQ(slotSize, 12);
    EXPECT_GE(lateDelay, 900);
    EXPECT_NE(lastName.toStdString(), late.captured(3).toLower().toStdString());
    int partialSize = 0;
    for (auto it = slotFiles(partial); it.hasNext(); it.next())
        ++partialSize;
    EXPECT_EQ(partialSize, 10);

    // The report: nothing late or missing but the planned slots.
    QFile reportFile(report);
    ASSERT_TRUE(reportFile.open(QIODevice::ReadOnly));
    const QString rows = QString::fromUtf8(reportFile.readAll());
    const struct
    {
        const char* Family;
        const char* Column;
        int Sum;
    } cases[] = {
        {"segments", "missing", 1}, {"segments", "late", 0}, {"segments", "very_late", 1}, {"hourly", "missing", 0}};
    for (const auto& c : cases)
        EXPECT_EQ(ReportSum(rows, c.Family, c.Column), c.Sum) << c.Family << " " << c.Column << "\n"
                                                              << rows.toStdString();
}

}  // namespace
