// Starts the real program, under Xvfb when it is installed, on a generated
// station tree with known delays, with the close switch and -png=, and checks
// the ledger, the summary on standard output and the colours of the chart.
#include "app/DelaySummary.h"
#include "app/Utils.h"
#include "platform/DateFormat.h"
#include "platform/NumberFormat.h"
#include "tests/common/TempDir.h"
#include "tests/e2e/ProgramRun.h"

#include <QFile>
#include <QImage>
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

QColor FromBgr(TColor c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

int CountPixels(const QImage& image, const QColor& colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).rgb() == colour.rgb())
                ++n;
    return n;
}

TEST(EndToEnd, ScheduledRunRecordsPrintsAndDrawsTheKnownDelays)
{
    TempDir dir;
    const QString data = dir.FilePath("data"), manifest = dir.FilePath("manifest.txt");
    const QString ledger = dir.Write("CRM-received.txt", ""), png = dir.FilePath("chart.png");
    const TRun demo = RunProgram(DEMO_DATA_BIN, {"--days", "40", "--seed", "5", "--manifest", manifest, data});
    ASSERT_EQ(demo.ExitCode, 0) << demo.Err.toStdString();

    const TRun run = RunProgram(LAGWATCH_BIN, {data, ledger, "-close", "-png=" + png});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();

    // The ledger holds exactly the delays the files were given.
    const std::map<QString, int> expected = ReadLines(manifest);
    ASSERT_EQ(expected.size(), 2u * (40 - 3));
    EXPECT_EQ(ReadLines(ledger), expected);
    QFile saved(ledger);
    saved.open(QIODevice::ReadOnly);
    EXPECT_TRUE(saved.readAll().endsWith("\r\n"));

    // The summary on standard output: the caption, then the hint's lines.
    std::vector<std::pair<QString, int>> newest(expected.begin(), expected.end());
    newest.erase(newest.begin(), newest.end() - 46);
    const TDateTime lastDay = std::floor(NowUTC());
    QStringList lines = run.Out.split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 6) << run.Out.toStdString();
    EXPECT_EQ(lines[0], "Lagwatch - latest data was from " + FormatDateTime("yyyy-mmm-dd", lastDay) + ", day " +
                            FormatPadded(DayOfYearUTC(lastDay), 3));
    EXPECT_EQ(lines[1], "Lagwatch:");
    QStringList hint;
    for (auto it = newest.rbegin(); it != newest.rend() && hint.size() < 5; ++it) {
        if (it->second > 86400)
            continue;
        TDateTime day = 0;
        TryEncodeDate(it->first.left(4).toInt(), it->first.mid(4, 2).toInt(), it->first.mid(6, 2).toInt(), day);
        hint.append("  " + FormatDateTime("yyyy-mmm-dd", day) + "  => " + FormatFixed(float(it->second / 60.0), 1) +
                    " minutes");
    }
    EXPECT_EQ(lines.mid(2, 5), hint);

    // The chart: every lateness colour of the plotted delays, and the dashed 45-minute line.
    const QImage image(png);
    ASSERT_EQ(image.size(), QSize(728, 289));
    std::set<TColor> colours;
    for (const auto& [name, seconds] : newest)
        colours.insert(seconds > 86400 ? TColor(0x0000FF) : DelayColour(float(seconds / 60.0)));
    for (TColor c : colours)
        EXPECT_GT(CountPixels(image, FromBgr(c)), 0) << std::hex << c;
    EXPECT_GT(CountPixels(image, FromBgr(ColourReferenceLine)), 100);
}

TEST(EndToEnd, HelpAndVersionExitAtOnce)
{
    const TRun help = RunProgram(LAGWATCH_BIN, {"--help"});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_TRUE(help.Out.contains("-close"));
    const TRun version = RunProgram(LAGWATCH_BIN, {"--version"});
    EXPECT_EQ(version.ExitCode, 0);
    EXPECT_TRUE(version.Out.startsWith("Lagwatch checker"));
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
    ASSERT_EQ(RunProgram(DEMO_DATA_BIN, {"--days", "3", data}).ExitCode, 0);
    // `true` exits at once, so every line the program prints meets a closed pipe.
    const QString script = QString("QT_QPA_PLATFORM=offscreen '%1' '%2' '%3' -close | true; exit ${PIPESTATUS[0]}")
                               .arg(LAGWATCH_BIN, data, ledger);
    const TRun run = RunProgram("/bin/bash", {"-c", script});
    EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(ReadLines(ledger).size(), 6u);
}

} // namespace
