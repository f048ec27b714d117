// Starts the real program, under Xvfb when it is installed, on a generated
// station tree with known delays, with the close switch and -png=, and checks
// the ledger, the summary on standard output and the colours of the chart.
#include "report/DelaySummary.h"
#include "tests/common/TempDir.h"
#include "tests/e2e/ProgramRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

namespace {

TRun RunProgram(const QString& program, const QStringList& arguments)
{
    if (program.endsWith("/lagwatch"))
        return RunOnDesktop(program, arguments);
    QProcessEnvironment env = BareEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return ::RunProgram(program, arguments, env);
}

std::map<QString, int> ReadLines(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    std::map<QString, int> entries;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QString text = QString::fromUtf8(line).remove('\r');
        const int eq = text.indexOf('=');
        if (eq > 0)
            entries[text.left(eq)] = text.mid(eq + 1).toInt();
    }
    return entries;
}

int CountPixels(const QImage& image, const QColor& colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).rgb() == colour.rgb())
                ++n;
    return n;
}

// libfaketime cannot be preloaded into a sanitized program (its clock calls
// recurse during the sanitizer's start-up and hang): there the clock is the
// real one, and the summary's literal text is checked by the normal build.
#ifdef LAGWATCH_SANITIZED
constexpr bool PinClock = false;
#else
constexpr bool PinClock = true;
#endif

// The generator and the program run with the clock standing at 14:00 UTC on
// 24 June 2021 (both of the day's products made), so the tree, the caption
// and the hint are known text.
QStringList AtPinnedTime(const QString& program, const QStringList& arguments,
                         const QString& at = "2021-06-24 14:00:00")
{
    if (!PinClock)
        return QStringList{program} + arguments;
    return QStringList{"TZ=UTC", "FAKETIME_DONT_FAKE_MONOTONIC=1", "faketime", at, program} + arguments;
}

TEST(EndToEnd, ScheduledRunRecordsPrintsAndDrawsTheKnownDelays)
{
    if (PinClock && QStandardPaths::findExecutable("faketime").isEmpty()) {
        if (MaySkipWithoutSetup())
            GTEST_SKIP() << "faketime is not installed";
        FAIL() << "faketime is not installed";
    }
    TempDir dir;
    const QString data = dir.FilePath("data"), manifest = dir.FilePath("manifest.txt");
    const QString ledger = dir.Write("CRM-received.txt", ""), png = dir.FilePath("chart.png");
    const TRun demo = RunProgram(
        "/usr/bin/env", AtPinnedTime(DEMO_DATA_BIN, {"--days", "40", "--seed", "5", "--manifest", manifest, data}));
    ASSERT_EQ(demo.ExitCode, 0) << demo.Err.toStdString();
    ASSERT_TRUE(!PinClock || QFileInfo::exists(data + "/2021/06/24/202106241315-crm.grb"));

    const TRun run = RunOnDesktop("/usr/bin/env", AtPinnedTime(LAGWATCH_BIN, {data, ledger, "-close", "-png=" + png}));
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();

    // The ledger holds exactly the delays the files were given.
    const std::map<QString, int> expected = ReadLines(manifest);
    // Today's products only where their time has passed.
    if (PinClock)
        ASSERT_EQ(expected.size(), 2u * (40 - 3));
    else
        ASSERT_GE(expected.size(), 2u * (40 - 3) - 2);
    EXPECT_EQ(ReadLines(ledger), expected);
    QFile saved(ledger);
    saved.open(QIODevice::ReadOnly);
    EXPECT_TRUE(saved.readAll().endsWith("\r\n"));

    // The summary on standard output: the caption, then the hint's lines.
    if (PinClock) {
        EXPECT_EQ(run.Out.toStdString(), "Lagwatch - latest data was from 2021-Jun-24, day 175\n"
                                         "Lagwatch:\n"
                                         "  2021-Jun-24  => 28.8 minutes\n"    // 202106241315-crm.grb=1725
                                         "  2021-Jun-24  => 18.7 minutes\n"    // 202106241200-crm.grb=1121
                                         "  2021-Jun-23  => 24.0 minutes\n"    // 202106231315-crm.grb=1437
                                         "  2021-Jun-23  => 4.4 minutes\n"     // 202106231200-crm.grb=263
                                         "  2021-Jun-22  => 13.9 minutes\n");  // 202106221315-crm.grb=832
    } else {
        EXPECT_TRUE(run.Out.startsWith("Lagwatch - latest data was from ")) << run.Out.toStdString();
    }

    std::vector<std::pair<QString, int>> newest(expected.begin(), expected.end());
    newest.erase(newest.begin(), newest.end() - 46);
    // The chart: every lateness colour of the plotted delays, and the dashed 45-minute line.
    const QImage image(png);
    ASSERT_EQ(image.size(), QSize(728, 289));
    std::set<TColor> colours;
    for (const auto& [name, seconds] : newest)
        colours.insert(seconds > 86400 ? TColor(0x0000FF) : DelayColour(float(seconds / 60.0)));
    for (TColor c : colours)
        EXPECT_GT(CountPixels(image, ToQColor(c)), 0) << std::hex << c;
    EXPECT_GT(CountPixels(image, ToQColor(ColourReferenceLine)), 100);
}

// A product's name is its nominal time: at 12:30 UTC the demo tree holds the
// day's 12:00 product and none of 13:15 or later.
TEST(EndToEnd, TheDemoTreeHoldsNoProductFromTheFuture)
{
    if (!PinClock)
        GTEST_SKIP() << "the clock of a sanitized program cannot be pinned";
    TempDir dir;
    const QString data = dir.FilePath("data");
    const TRun demo =
        RunProgram("/usr/bin/env", AtPinnedTime(DEMO_DATA_BIN, {"--days", "2", data}, "2021-06-24 12:30:00"));
    ASSERT_EQ(demo.ExitCode, 0) << demo.Err.toStdString();
    const QString today = data + "/2021/06/24/";
    EXPECT_TRUE(QFileInfo::exists(today + "202106241200-crm.grb"));
    for (const QString& name : QDir(today).entryList(QDir::Files))
        EXPECT_LE(name.mid(8, 4).toInt(), 1230) << name.toStdString();
    EXPECT_TRUE(QFileInfo::exists(data + "/2021/06/23/202106231315-crm.grb"));
}

// (--help: ScheduledRun.ATypoEndsAtOnceAndTouchesNothing.)
TEST(EndToEnd, VersionExitsAtOnce)
{
    const TRun version = RunProgram(LAGWATCH_BIN, {"--version"});
    EXPECT_EQ(version.ExitCode, 0);
    EXPECT_TRUE(version.Out.contains(LAGWATCH_VERSION)) << version.Out.toStdString();
}

TEST(EndToEnd, AScheduledRunWhoseSaveFailedExitsWithStatusOne)
{
    TempDir dir;
    dir.MakeDir("data");
    // A file that exists and reads, but that nobody can replace or rewrite.
    const TRun run = RunProgram(LAGWATCH_BIN, {dir.FilePath("data"), "/proc/version", "-close"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.Err.contains("cannot save the ledger")) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.startsWith("Lagwatch - ")) << run.Out.toStdString();
}

TEST(EndToEnd, AReaderThatWentAwayDoesNotCostTheLedger)
{
    TempDir dir;
    const QString data = dir.FilePath("data"), ledger = dir.Write("ledger.txt", "");
    const QString manifest = dir.FilePath("manifest.txt");
    ASSERT_EQ(RunProgram(DEMO_DATA_BIN, {"--days", "3", "--manifest", manifest, data}).ExitCode, 0);
    // `true` exits at once, so every line the program prints meets a closed pipe.
    const QString script = QString("QT_QPA_PLATFORM=offscreen '%1' '%2' '%3' -close | true; exit ${PIPESTATUS[0]}")
                               .arg(LAGWATCH_BIN, data, ledger);
    const TRun run = RunProgram("/bin/bash", {"-c", script});
    EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(static_cast<int>(ReadLines(ledger).size()), ManifestProducts(manifest));
}

}  // namespace
