// The two programs: lagwatch, which starts no GUI library, hands a run with a
// window to lagwatch-desktop, which it finds wherever the copy of lagwatch
// the user started lies, under whatever name.
#include "tests/common/TempDir.h"
#include "tests/e2e/ProgramRun.h"

#include <QDateTime>
#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

namespace {

QStringList NeededLibraries(const QString& readelf, const QString& program)
{
    const TRun run = RunProgram(readelf, {"-d", program}, QProcessEnvironment::systemEnvironment());
    QStringList needed;
    for (const QString& line : run.Out.split('\n'))
        if (line.contains("(NEEDED)"))
            needed.append(line.section('[', 1).section(']', 0, 0));
    return needed;
}

TEST(DesktopProgram, OnlyTheDesktopProgramLinksTheGui)
{
    REQUIRE_TOOL(readelf, "readelf");
    const QStringList lagwatch = NeededLibraries(readelf, LAGWATCH_BIN);
    EXPECT_FALSE(lagwatch.filter("libQt6Core").isEmpty()) << lagwatch.join(' ').toStdString();
    EXPECT_TRUE(lagwatch.filter("libQt6Gui").isEmpty()) << lagwatch.join(' ').toStdString();
    EXPECT_TRUE(lagwatch.filter("libQt6Widgets").isEmpty()) << lagwatch.join(' ').toStdString();
    EXPECT_FALSE(NeededLibraries(readelf, LAGWATCH_DESKTOP_BIN).filter("libQt6Widgets").isEmpty());
}

TEST(DesktopProgram, ACopyNamedQuillanOpensItsWindowWithItsOwnSettings)
{
    REQUIRE_TOOL(xvfb, "xvfb-run");
    TempDir dir;
    const QString program = dir.MakeDir("bin") + "/quillan";
    ASSERT_TRUE(QFile::copy(LAGWATCH_BIN, program));
    ASSERT_TRUE(QFile::setPermissions(program, QFile::permissions(LAGWATCH_BIN)));
    // Each company's settings name their own data folder; only Fernleigh's holds a product.
    const QDate today = QDateTime::currentDateTimeUtc().date();
    const QString product = today.toString("yyyyMMdd") + "0000-crm.grb";
    dir.Write("fernleigh/" + today.toString("yyyy/MM/dd/") + product, "GRIB");
    dir.MakeDir("ashgrove");
    for (const QString company : {"Fernleigh", "Ashgrove"})
        dir.Write("config/" + company + "/Datawarden.conf",
                  ("[General]\nImagesPath=" + dir.FilePath(company.toLower()) + "\n").toUtf8());
    QProcessEnvironment env = BareEnvironment();
    env.insert("LC_ALL", "C.UTF-8");
    env.insert("XDG_CONFIG_HOME", dir.FilePath("config"));
    env.insert("XDG_DATA_HOME", dir.FilePath("share"));
    const QString chart = dir.FilePath("chart.png");
    const TRun run = RunProgram(xvfb, {"-a", program, "-close", "-png=" + chart}, env);
    // No word of a missing desktop program or of a display drawn off-screen.
    EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(run.Err, "");
    EXPECT_TRUE(run.Out.startsWith("Lagwatch - latest data was from")) << run.Out.toStdString();
    EXPECT_EQ(QImage(chart).size(), QSize(728, 289));
    // The ledger lies beside the copy, holding the product of Fernleigh's folder.
    QFile ledger(dir.FilePath("bin/CRM-received.txt"));
    ASSERT_TRUE(ledger.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ledger.readAll().startsWith((product + "=").toUtf8()));
}

}  // namespace
