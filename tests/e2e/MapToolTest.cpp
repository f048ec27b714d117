// The mapping converter as a user runs it: text in, text out, a grid image.
#include "tests/common/TempDir.h"

#include <QImage>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

struct TToolRun
{
    int ExitCode = -1;
    QString Out, Err;
};

TToolRun RunMap(const QStringList& arguments, const QByteArray& input = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(env);
    process.start(LAGWATCH_MAP_BIN, arguments);
    process.write(input);
    process.closeWriteChannel();
    TToolRun run;
    if (!process.waitForFinished(60000))
        return run;
    run.ExitCode = process.exitCode();
    run.Out = QString::fromUtf8(process.readAllStandardOutput());
    run.Err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

TEST(MapTool, ConvertsForwardAndBackWithThePresets)
{
    struct Case { QStringList args; QByteArray input; QString output; };
    const Case cases[] = {
        {{"--preset", "LambertMapping1K", "fwd"}, "128.5 35\n138.5 30\n", "683 324 1\n858 413 1\n"},
        {{"--preset", "discmapping", "fwd"}, "140.5 0\n", "856 849 1\n"},
        {{"--preset", "PolarMapping800", "fwd"}, "135 35.45\n", "537 357 1\n"},
        {{"--preset", "PolarMappingNorth", "fwd"}, "0 90\n", "503 132 1\n"},
        {{"--preset", "LambertMapping1K", "fwdf"}, "128.5 35\n", "683.000 324.381 1\n"},
        // Kind 1 on a 360 x 180 image; the single-precision 1/360 leaves a trace.
        {{"--kind", "1", "--width", "360", "--height", "180", "inv"}, "180 90\n360 0\n",
         "0.000004 -0.000002 1\n-179.999985 90.000000 1\n"},
        // Kind 0 refuses; the out values start from 0 and are only shifted by the offsets.
        {{"--x-offset", "7", "--y-offset", "3", "fwd"}, "10 10\n", "7 -3 0\n"},
    };
    for (const Case& c : cases) {
        const TToolRun run = RunMap(c.args, c.input);
        EXPECT_EQ(run.ExitCode, 0) << c.args.join(' ').toStdString() << run.Err.toStdString();
        EXPECT_EQ(run.Out, c.output) << c.args.join(' ').toStdString();
    }
}

TEST(MapTool, AppliesParametersInTheSetterOrderWhateverTheirOrder)
{
    // The centre latitude overwrites the standard parallels, so they must be applied after it.
    const QByteArray input = "128.5 35\n138.5 30\n";
    const QStringList ordered = {"--kind", "10", "--height", "1024", "--width", "1024", "--centre-lon", "128.5",
                                 "--centre-lat", "25.7", "--std-parallel1", "44.5", "--std-parallel2", "44",
                                 "--lat-span", "46.6", "--x-offset", "171", "fwd"};
    const QStringList shuffled = {"--std-parallel2", "44", "--x-offset", "171", "--std-parallel1", "44.5",
                                  "--centre-lat", "25.7", "--lat-span", "46.6", "--width", "1024",
                                  "--centre-lon", "128.5", "--height", "1024", "--kind", "10", "fwd"};
    EXPECT_EQ(RunMap(ordered, input).Out, "683 324 1\n858 413 1\n");
    EXPECT_EQ(RunMap(shuffled, input).Out, "683 324 1\n858 413 1\n");
}

TEST(MapTool, ReportsABadLineAndGoesOn)
{
    const TToolRun run = RunMap({"--preset", "LambertMapping1K", "fwd"}, "128.5 35\nnot a point\n138.5 30\n");
    EXPECT_EQ(run.Out, "683 324 1\n858 413 1\n");
    EXPECT_TRUE(run.Err.contains("line 2")) << run.Err.toStdString();
}

TEST(MapTool, DrawsAGridOverABlankImage)
{
    TempDir dir;
    const QString out = dir.FilePath("grid.png");
    const TToolRun run = RunMap({"--preset", "DiscMapping", "grid", "-", out, "--special-parallels", "2"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    const QImage image(out);
    ASSERT_EQ(image.size(), QSize(1595, 1595));
    int yellow = 0, white = 0;
    for (int y = 0; y < image.height(); y += 1)
        for (int x = 0; x < image.width(); x += 1) {
            const QRgb p = image.pixel(x, y);
            yellow += p == qRgb(255, 255, 0);
            white += p == qRgb(255, 255, 255);
        }
    EXPECT_GT(yellow, 5000);  // lines
    EXPECT_GT(white, 100);    // label text
    EXPECT_NE(RunMap({"--help"}).Out.indexOf("grid"), -1);
}

} // namespace
