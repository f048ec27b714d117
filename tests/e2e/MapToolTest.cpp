// The mapping converter as a user runs it: text in, text out, a grid image.
#include "tests/common/TempDir.h"
#include "tests/e2e/ProgramRun.h"

#include "platform/PathBytes.h"
#include "tests/common/Faults.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

TRun RunMap(const QStringList& arguments, const QByteArray& input = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return RunWithInput(LAGWATCH_MAP_BIN, arguments, input, env, 60000);
}

const QStringList Lambert = {"--preset", "LambertMapping1K"};
const QStringList Plate = {"--kind", "1", "--width", "360", "--height", "180"};

TEST(MapTool, ConvertsForwardAndBackWithThePresets)
{
    struct Case
    {
        QStringList args;
        QByteArray input;
        QString output;
    };
    const Case cases[] = {
        {{"--preset", "LambertMapping1K", "fwd"}, "128.5 35\n138.5 30\n", "683 324 1\n858 413 1\n"},
        {{"--preset", "discmapping", "fwd"}, "140.5 0\n", "856 849 1\n"},
        {{"--preset", "PolarMapping800", "fwd"}, "135 35.45\n", "537 357 1\n"},
        {{"--preset", "PolarMappingNorth", "fwd"}, "0 90\n", "503 132 1\n"},
        {{"--preset", "LambertMapping1K", "fwdf"}, "128.5 35\n", "683.000 324.381 1\n"},
        // Kind 1 on a 360 x 180 image; the single-precision 1/360 leaves a trace.
        {{"--kind", "1", "--width", "360", "--height", "180", "inv"},
         "180 90\n360 0\n",
         "0.000004 -0.000002 1\n-179.999985 90.000000 1\n"},
        // Decimals as cct -d: none, or every digit of the single-precision value.
        {{"--preset", "PolarMapping800", "fwdf", "--decimals", "15"},
         "135 35.45\n",
         "537.000000000000000 357.478546142578125 1\n"},
        {{"--preset", "PolarMapping800", "fwdf", "--decimals=0"}, "135 35.45\n", "537 357 1\n"},
        {{"--preset", "PolarMapping800", "inv", "--decimals", "2"}, "400 400\n", "125.56 32.28 1\n"},
        // Kind 0 refuses everything: a refused point is stars, whatever the offsets.
        {{"--kind", "0", "--x-offset", "7", "--y-offset", "3", "fwd"}, "10 10\n", "* * 0\n"},
        // The gnomonic kind accepts its own centre, and its inverse gives it back.
        {{"--kind", "gnomonic", "--width", "800", "--height", "600", "--centre-lon", "12", "--centre-lat", "34",
          "--lat-span", "90", "fwd"},
         "12 34\n",
         "400 300 1\n"},
        {{"--kind", "gnomonic", "--width", "800", "--height", "600", "--centre-lon", "12", "--centre-lat", "34",
          "--lat-span", "90", "inv"},
         "400 300\n",
         "12.000000 34.000000 1\n"},
    };
    for (const Case& c : cases) {
        const TRun run = RunMap(c.args, c.input);
        EXPECT_EQ(run.ExitCode, 0) << c.args.join(' ').toStdString() << run.Err.toStdString();
        EXPECT_EQ(run.Out, c.output) << c.args.join(' ').toStdString();
    }
}

TEST(MapTool, AppliesParametersInTheSetterOrderWhateverTheirOrder)
{
    // The centre latitude overwrites the standard parallels, so they must be applied after it.
    const QByteArray input = "128.5 35\n138.5 30\n";
    const QStringList ordered = {"--kind",
                                 "10",
                                 "--height",
                                 "1024",
                                 "--width",
                                 "1024",
                                 "--centre-lon",
                                 "128.5",
                                 "--centre-lat",
                                 "25.7",
                                 "--std-parallel1",
                                 "44.5",
                                 "--std-parallel2",
                                 "44",
                                 "--lat-span",
                                 "46.6",
                                 "--x-offset",
                                 "171",
                                 "fwd"};
    const QStringList shuffled = {
        "--std-parallel2", "44",   "--x-offset", "171",  "--std-parallel1", "44.5",  "--centre-lat", "25.7",
        "--lat-span",      "46.6", "--width",    "1024", "--centre-lon",    "128.5", "--height",     "1024",
        "--kind",          "10",   "fwd"};
    EXPECT_EQ(RunMap(ordered, input).Out, "683 324 1\n858 413 1\n");
    EXPECT_EQ(RunMap(shuffled, input).Out, "683 324 1\n858 413 1\n");
}

// One output line per input line, whatever the line holds.
TEST(MapTool, KeepsItsPlaceLineByLine)
{
    struct Case
    {
        const char* name;
        QStringList args;
        QByteArray input;
        QString output;
        QString err;
    };
    const Case cases[] = {
        {"refused points are stars", Lambert + QStringList{"fwd"}, "128.5 35\n-40 10\n138.5 30\n",
         "683 324 1\n* * 0\n858 413 1\n", ""},
        {"refused by fwdf and inv", Lambert + QStringList{"fwdf"}, "-40 10\n", "* * 0\n", ""},
        {"a pixel beyond the map", {"--preset", "DiscMapping", "inv"}, "0 0\n", "* * 0\n", ""},
        {"garbage is reported, with its line", Lambert + QStringList{"fwd"},
         "128.5 35\nnot a point\n128.5\n0x10 5\n138.5 30\n", "683 324 1\n* * 0\n* * 0\n* * 0\n858 413 1\n",
         "line 2: cannot parse \"not a point\""},
        {"pixels are whole numbers", Lambert + QStringList{"inv"}, "683.5 324\n", "* * 0\n", "line 1:"},
        {"comments and empty lines are copied", Lambert + QStringList{"fwd"},
         "# Seoul\n\n   \n  # indented\n128.5 35\n", "# Seoul\n\n   \n  # indented\n683 324 1\n", ""},
        {"columns after the numbers pass through", Lambert + QStringList{"fwd"},
         "128.5 35 Seoul\tKR  \n-40 10 far away\n128.5\t35\n", "683 324 1 Seoul\tKR  \n* * 0 far away\n683 324 1\n",
         ""},
        {"CR LF lines keep their ending", Lambert + QStringList{"fwd"}, "128.5 35\r\n# c\r\n\r\n138.5 30 x\r\n",
         "683 324 1\r\n# c\r\n\r\n858 413 1 x\r\n", ""},
        {"a last line without its newline", Lambert + QStringList{"fwd"}, "128.5 35", "683 324 1\n", ""},
        {"numbers beyond single precision", Plate + QStringList{"fwdf"}, "1e-50 -1e-50\n+90 1e-400\n1e50 0\n",
         "180.000 90.000 1\n270.000 90.000 1\n* * 0\n", ""},
        {"infinity is a number the projection refuses", Plate + QStringList{"fwd"}, "inf 0\n", "* * 0\n", ""},
    };
    for (const Case& c : cases) {
        const TRun run = RunMap(c.args, c.input);
        EXPECT_EQ(run.ExitCode, 0) << c.name << ": " << run.Err.toStdString();
        EXPECT_EQ(run.Out, c.output) << c.name;
        if (c.err.isEmpty())
            EXPECT_TRUE(run.Err.isEmpty()) << c.name << ": " << run.Err.toStdString();
        else
            EXPECT_TRUE(run.Err.contains(c.err)) << c.name << ": " << run.Err.toStdString();
    }
}

TEST(MapTool, ReadsFilesInOrderWithStandardInputForDash)
{
    TempDir dir;
    const QString a = dir.Write("a.txt", "128.5 35\nnonsense\n");
    const QString b = dir.Write("b.txt", "# b\n138.5 30\n");
    const TRun run = RunMap(Lambert + QStringList{"fwd", a, "-", b}, "-40 10\n");
    EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(run.Out, "683 324 1\n* * 0\n* * 0\n# b\n858 413 1\n");
    EXPECT_TRUE(run.Err.contains(a + ": line 2: cannot parse \"nonsense\"")) << run.Err.toStdString();

    // A file that cannot be opened is reported, the others are still read, and the status is 1.
    const TRun missing = RunMap(Lambert + QStringList{"fwd", dir.FilePath("none.txt"), b});
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_EQ(missing.Out, "# b\n858 413 1\n");
    EXPECT_TRUE(missing.Err.contains("cannot open " + dir.FilePath("none.txt"))) << missing.Err.toStdString();

    // Options may follow the command, and "--" ends them.
    const QString dashed = dir.Write("--x.txt", "128.5 35\n");
    const TRun late = RunMap({"fwd", "--preset=LambertMapping1K", "--", dashed});
    EXPECT_EQ(late.ExitCode, 0) << late.Err.toStdString();
    EXPECT_EQ(late.Out, "683 324 1\n");
}

// Nonsense is refused with status 2, before any input is read and with nothing on standard output.
TEST(MapTool, RefusesWhatCannotBeRight)
{
    struct Case
    {
        QStringList args;
        QString err;
    };
    const Case cases[] = {
        {{}, "no command given"},
        {{"fwd"}, "no parameters given"},
        {{"--x-offset", "7", "fwd"}, "no --kind or --preset given"},
        {{"--kind", "15", "fwd"}, "kind 15 does not exist"},
        {{"--kind", "-1", "fwd"}, "kind -1 does not exist"},
        {{"--kind", "mercator", "fwd"}, "could be MercatorFull or MercatorZoomed"},
        {{"--kind", "lamberts", "fwd"}, "unknown kind \"lamberts\""},
        {{"--kind", "lambert", "--height", "100", "fwd"}, "needs a positive --width, not 0"},
        {{"--kind", "1", "--width", "100", "--height", "-5", "fwd"}, "needs a positive --height, not -5"},
        {{"--preset", "DiscMapping", "--width", "0", "fwd"}, "needs a positive --width, not 0"},
        {{"--kind", "1", "--width", "10", "--width=20", "--height", "10", "fwd"}, "--width is given twice"},
        {{"--preset", "DiscMapping", "--preset", "DiscMapping", "fwd"}, "--preset is given twice"},
        {{"--preset", "nowhere", "fwd"}, "unknown preset \"nowhere\""},
        {{"--preset", "DiscMapping", "--tile", "14", "fwd"}, "tile 14 does not exist"},
        {{"--preset", "DiscMapping", "--tile=-1", "fwd"}, "tile -1 does not exist"},
        {{"--preset", "DiscMapping", "--centre-lat", "nan", "fwd"}, "not a finite single-precision number"},
        {{"--preset", "DiscMapping", "--lat-span", "1e50", "fwd"}, "not a finite single-precision number"},
        {{"--preset", "DiscMapping", "--width", "1e3", "fwd"}, "not a whole number"},
        {{"--preset", "DiscMapping", "--frobnicate", "fwd"}, "unknown option --frobnicate"},
        {{"--preset", "DiscMapping", "-x", "fwd"}, "unknown option -x"},
        {{"--preset", "DiscMapping", "--centre-lat"}, "missing value after --centre-lat"},
        {{"--preset", "DiscMapping", "fwd", "--lon-step", "5"}, "--lon-step is an option of grid"},
        {{"--preset", "DiscMapping", "frob"}, "unknown command \"frob\""},
        {{"--preset", "DiscMapping", "grid", "-"}, "grid needs IN and OUT"},
        {{"--preset", "DiscMapping", "grid", "-", "a.png", "b.png"}, "unexpected argument \"b.png\""},
        {{"--preset", "DiscMapping", "grid", "-", "a.png", "--lon-step", "0"}, "a positive whole number"},
        {{"--preset", "DiscMapping", "grid", "-", "a.png", "--line-colour", "yellow"}, "RRGGBB"},
        {{"--preset", "DiscMapping", "grid", "-", "a.png", "--special-parallels", "1,5"}, "a comma list of 0..4"},
        {{"--preset", "DiscMapping", "grid", "-", "a.png", "--no-labels=1"}, "--no-labels takes no value"},
        // 30000 x 30000 would take 3.4 GB: refused instead of allocated.
        {{"--kind", "1", "--width", "30000", "--height", "30000", "grid", "-", "a.png"}, "more than the 1 GiB allowed"},
        // Sizes whose bytes overflow 64 bits, and one just over the limit.
        {{"--kind", "1", "--width", "2147483647", "--height", "2147483647", "grid", "-", "a.png"},
         "more than the 1 GiB allowed"},
        {{"--kind", "1", "--width", "16385", "--height", "16384", "grid", "-", "a.png"}, "more than the 1 GiB allowed"},
        {{"--preset", "DiscMapping", "fwdf", "--decimals", "16"}, "a whole number 0..15"},
        {{"--preset", "DiscMapping", "inv", "--decimals=-1"}, "a whole number 0..15"},
        {{"--preset", "DiscMapping", "fwd", "--decimals", "2"}, "--decimals is an option of fwdf and inv"},
        {{"--preset", "DiscMapping", "fwdf", "--world-file"}, "--world-file is an option of georef"},
        {{"--preset", "DiscMapping", "georef"}, "georef needs IMAGE"},
        {{"--preset", "DiscMapping", "georef", "a.png", "a.vrt", "b"}, "unexpected argument \"b\""},
        {{"--preset", "DiscMapping", "proj", "a"}, "unexpected argument \"a\""},
        {{"--list", "things"}, "kinds or presets"},
        {{"--list", "kinds", "fwd"}, "--list stands alone"},
    };
    for (const Case& c : cases) {
        const TRun run = RunMap(c.args, "128.5 35\n");
        EXPECT_EQ(run.ExitCode, 2) << c.args.join(' ').toStdString();
        EXPECT_TRUE(run.Out.isEmpty()) << c.args.join(' ').toStdString() << ": " << run.Out.toStdString();
        EXPECT_TRUE(run.Err.contains(c.err)) << c.args.join(' ').toStdString() << ": " << run.Err.toStdString();
        EXPECT_EQ(run.Err.count('\n'), 1) << c.args.join(' ').toStdString() << ": " << run.Err.toStdString();
    }
}

// The options --help names are the ones the tool takes, each with its own
// commands only: any other refuses it before reading anything.
TEST(MapTool, TakesEachOptionWithItsOwnCommandsOnly)
{
    const QStringList commands = {"fwd", "fwdf", "inv", "grid", "proj", "georef"};
    const struct
    {
        QStringList Options;  // each with a value it takes
        QStringList Commands;
    } groups[] = {
        {{"--preset DiscMapping", "--kind 1", "--height 1", "--width 1", "--tile 1", "--rotation 1", "--lon-span 1",
          "--lat-span 1", "--centre-lon 1", "--centre-lat 1", "--std-parallel1 1", "--std-parallel2 1", "--x-offset 1",
          "--y-offset 1"},
         commands},
        {{"--lon-step 5", "--lat-step 5", "--line-colour FF0000", "--text-colour FF0000", "--halo-colour FF0000",
          "--special-parallels 2", "--no-labels"},
         {"grid"}},
        {{"--decimals 3"}, {"fwdf", "inv"}},
        {{"--world-file"}, {"georef"}},
        {{"--list kinds"}, {}},
    };
    QStringList named, listed;
    const QRegularExpression option("--[a-z][a-z0-9-]*");
    for (auto m = option.globalMatch(RunMap({"--help"}).Out); m.hasNext();)
        named << m.next().captured();
    for (const char* skip : {"--help", "--version", "--option"})
        named.removeAll(skip);
    named.removeDuplicates();
    for (const auto& g : groups)
        for (const QString& o : g.Options) {
            const QStringList args = o.split(' ');
            listed << args.front();
            for (const QString& command : commands) {
                const TRun run = RunMap(args + QStringList{command});
                const std::string what = (o + " " + command).toStdString();
                const QString refusal = g.Commands.isEmpty() ? args.front() + " stands alone, without a command"
                                                             : args.front() + " is an option of " +
                                                                   g.Commands.join(" and ") + ", not of " + command;
                if (g.Commands.contains(command))
                    EXPECT_FALSE(run.Err.contains(", not of ") || run.Err.contains("stands alone")) << what;
                else {
                    EXPECT_EQ(run.ExitCode, 2) << what;
                    EXPECT_TRUE(run.Err.contains(refusal)) << what << ": " << run.Err.toStdString();
                }
            }
        }
    named.sort();
    listed.sort();
    EXPECT_EQ(named, listed);
}

TEST(MapTool, NamesKindsAnyWayAndTakesOptionValuesAfterAnEqualsSign)
{
    const QStringList rest = {
        "--width",         "1024", "--height=1024",      "--centre-lon",   "128.5", "--centre-lat=25.7",
        "--std-parallel1", "44.5", "--std-parallel2=44", "--x-offset=171", "fwd"};
    for (const char* kind : {"10", "LambertConformal", "lambertconformal", "LAMBERT", "lam"}) {
        const TRun run = RunMap(QStringList{"--kind", kind} + rest, "128.5 35\n");
        EXPECT_EQ(run.Out, "683 324 1\n") << kind << ": " << run.Err.toStdString();
        EXPECT_EQ(RunMap(QStringList{QString("--kind=") + kind} + rest, "128.5 35\n").Out, "683 324 1\n") << kind;
    }
    // An exact name wins over a longer one that begins with it.
    const TRun exact =
        RunMap({"--kind", "azimuthalequi", "--width", "800", "--height", "800", "--centre-lat", "0", "fwd"}, "100 0\n");
    EXPECT_EQ(exact.Out, "1447 400 1\n");
    // 1e-50 is a number as a parameter too.
    EXPECT_EQ(RunMap(Plate + QStringList{"--centre-lon", "1e-50", "fwd"}, "0 0\n").Out, "180 90 1\n");
}

TEST(MapTool, ListsKindsAndPresetsWithTheirParameters)
{
    const TRun kinds = RunMap({"--list", "kinds"});
    EXPECT_EQ(kinds.ExitCode, 0);
    const QStringList lines = kinds.Out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 30) << kinds.Out.toStdString();
    EXPECT_TRUE(lines[20].startsWith("10  LambertConformal")) << lines[20].toStdString();
    EXPECT_EQ(lines[21].trimmed(),
              "--height --width --centre-lon --centre-lat --std-parallel1 --std-parallel2 --x-offset --y-offset");
    EXPECT_TRUE(lines[24].startsWith("12  VanDerGrinten"));
    EXPECT_TRUE(lines[25].contains("--tile"));

    // Each preset is listed as the options that give the same mapping.
    const TRun presets = RunMap({"--list=presets"});
    EXPECT_EQ(presets.ExitCode, 0);
    const QStringList plines = presets.Out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(plines.size(), 10) << presets.Out.toStdString();
    const QByteArray points = "128.5 35\n138.5 30\n135 35.45\n0 90\n140.5 0\n-45 60\n";
    for (int i = 0; i < 10; i += 2) {
        const QString name = plines[i].section(' ', 0, 0);
        const QStringList options = plines[i + 1].trimmed().split(' ');
        const TRun byPreset = RunMap({"--preset", name, "fwdf"}, points);
        const TRun byOptions = RunMap(options + QStringList{"fwdf"}, points);
        EXPECT_EQ(byOptions.ExitCode, 0) << name.toStdString() << ": " << byOptions.Err.toStdString();
        EXPECT_EQ(byOptions.Out, byPreset.Out) << name.toStdString();
    }
    EXPECT_EQ(RunMap({"--version"}).Out, QString("lagwatch-map (Lagwatch) " LAGWATCH_VERSION "\n"));
    EXPECT_EQ(RunMap({"fwd", "--bogus", "--version"}).ExitCode, 0);
    // --help answers even after nonsense.
    const TRun help = RunMap({"--kind", "99", "--help"});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_FALSE(help.Out.isEmpty());
}

TEST(MapTool, DrawsAGridOverABlankImage)
{
    TempDir dir;
    const QString out = dir.FilePath("grid.png");
    const TRun run = RunMap({"--preset", "DiscMapping", "grid", "-", out, "--special-parallels", "2"});
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
}

TEST(MapTool, GridWarnsOfAnotherImageSizeAndWritesTheFormatItsNameSays)
{
    TempDir dir;
    QImage small(200, 100, QImage::Format_RGB32);
    small.fill(Qt::darkBlue);
    const QString in = dir.FilePath("small.png");
    ASSERT_TRUE(small.save(in));
    const QString out = dir.FilePath("out.bmp");
    const TRun run = RunMap(Plate + QStringList{"grid", in, out});
    EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Err.contains("warning: " + in + " is 200x100, the mapping 360x180")) << run.Err.toStdString();
    QFile bmp(out);
    ASSERT_TRUE(bmp.open(QIODevice::ReadOnly));
    EXPECT_EQ(bmp.read(2), "BM");
    EXPECT_EQ(QImage(out).size(), QSize(200, 100));

    const TRun ppm = RunMap(Plate + QStringList{"grid", "-", dir.FilePath("out.PPM")});
    EXPECT_EQ(ppm.ExitCode, 0) << ppm.Err.toStdString();
    EXPECT_TRUE(ppm.Err.isEmpty()) << ppm.Err.toStdString();
    QFile ppmFile(dir.FilePath("out.PPM"));
    ASSERT_TRUE(ppmFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(ppmFile.read(2), "P6");

    // An extension no image writer knows, or none at all, is refused and nothing is written.
    for (const QString name : {"out.txt", "out"}) {
        const TRun refused = RunMap(Plate + QStringList{"grid", "-", dir.FilePath(name)});
        EXPECT_EQ(refused.ExitCode, 1) << name.toStdString();
        EXPECT_TRUE(refused.Err.contains("cannot write the image " + dir.FilePath(name))) << refused.Err.toStdString();
        EXPECT_FALSE(QFile::exists(dir.FilePath(name))) << name.toStdString();
    }
    // An unreadable input image is named.
    const TRun unreadable = RunMap(Plate + QStringList{"grid", dir.FilePath("none.png"), out});
    EXPECT_EQ(unreadable.ExitCode, 1);
    EXPECT_TRUE(unreadable.Err.contains("cannot read " + dir.FilePath("none.png"))) << unreadable.Err.toStdString();
}

// The PROJ definition of a preset, and the kinds that have none.
TEST(MapTool, StatesTheMappingInProjsTerms)
{
    const TRun polar = RunMap({"--preset", "PolarMapping800", "proj"});
    EXPECT_EQ(polar.ExitCode, 0) << polar.Err.toStdString();
    const QStringList lines = polar.Out.split('\n');
    ASSERT_EQ(lines.size(), 5) << polar.Out.toStdString();
    EXPECT_EQ(lines[0], "definition: +proj=stere +lat_0=90 +lon_0=135 +R=6378135 +units=m +no_defs");
    EXPECT_TRUE(lines[1].startsWith("geotransform: -4524802.66")) << lines[1].toStdString();
    EXPECT_EQ(lines[2], "size: 800 800");
    EXPECT_TRUE(lines[3].startsWith("pixels: +proj=pipeline +step +proj=stere")) << lines[3].toStdString();
    const struct
    {
        QStringList Args;
        const char* Err;
    } none[] = {
        {{"--kind", "0"}, "kind 0 (Unknown) has no PROJ definition"},
        {{"--kind", "8", "--width", "10", "--height", "10", "--centre-lat", "0"}, "has no PROJ definition"},
        {{"--kind", "2", "--width", "360", "--height", "180"}, "has no image plane with these parameters"},
        {{"--preset", "LambertMapping1K", "--std-parallel1", "90", "--std-parallel2", "90"}, "has no image plane"},
    };
    for (const auto& c : none) {
        const TRun run = RunMap(c.Args + QStringList{"proj"});
        EXPECT_EQ(run.ExitCode, 1) << c.Args.join(' ').toStdString();
        EXPECT_TRUE(run.Out.isEmpty());
        EXPECT_TRUE(run.Err.contains(c.Err)) << run.Err.toStdString();
    }
}

// georef refuses with status 2 before reading, or 1 when a file fails, and
// leaves no file behind either way.
TEST(MapTool, GeorefWritesEveryFileOrNone)
{
    TempDir dir;
    QImage image(360, 180, QImage::Format_Grayscale8);
    image.fill(7);
    const QString png = dir.FilePath("plate.png"), small = dir.FilePath("small.png");
    ASSERT_TRUE(image.save(png));
    ASSERT_TRUE(image.scaled(100, 50).save(small));
    ASSERT_TRUE(image.save(dir.FilePath("plate.xpm")));
    const QStringList before = QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden);
    const struct
    {
        QStringList Args;
        int Status;
        QString Err;
    } cases[] = {
        {Plate + QStringList{"georef", small}, 2, small + " is 100x50, the mapping 360x180"},
        {{"--kind", "0", "georef", png}, 2, "kind 0 (Unknown) converts nothing"},
        {{"--kind", "8", "--width", "360", "--height", "180", "--centre-lat", "0", "georef", png, "--world-file"},
         2,
         "a world file cannot hold"},
        {Plate + QStringList{"georef", png, png}, 2, "would replace the image itself"},
        {Plate + QStringList{"georef", dir.FilePath("none.png")}, 1, "cannot read " + dir.FilePath("none.png")},
        {Plate + QStringList{"georef", dir.FilePath("plate.xpm")}, 1, "not a PNG, JPEG, BMP or binary PGM/PPM"},
        // The world file and sidecar are written, then taken back when the VRT fails.
        {Plate + QStringList{"georef", png, dir.FilePath("no/such/folder.vrt"), "--world-file"}, 1,
         "cannot write the VRT " + dir.FilePath("no/such/folder.vrt")},
    };
    for (const auto& c : cases) {
        const TRun run = RunMap(c.Args);
        EXPECT_EQ(run.ExitCode, c.Status) << c.Args.join(' ').toStdString();
        EXPECT_TRUE(run.Err.contains(c.Err)) << run.Err.toStdString();
        EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden), before) << c.Args.join(' ').toStdString();
    }
    const TRun written = RunMap(Plate + QStringList{"georef", png, "--world-file"});
    EXPECT_EQ(written.ExitCode, 0) << written.Err.toStdString();
    QStringList after = before + QStringList({"plate.pgw", "plate.png.aux.xml", "plate.png.vrt"});
    after.sort();
    EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden), after);
}

// Another user's link planted in a shared sticky folder is not followed, and
// nothing is written through it or beside it.
TEST(MapTool, GeorefRefusesALinkPlantedByAnotherUser)
{
    REQUIRE_ROOT("a second user needs root");
    TempDir dir;
    const QString target = dir.Write("etc/some-file", "root's own\n");
    const QString shared = dir.MakeDir("shared");
    ::chmod(EncodePath(shared).constData(), 01777);
    QImage image(360, 180, QImage::Format_Grayscale8);
    image.fill(7);
    ASSERT_TRUE(image.save(shared + "/plate.png"));
    for (const QString name : {"plate.png.vrt", "plate.pgw"}) {
        const QString link = shared + "/" + name;
        ASSERT_TRUE(QFile::link(target, link));
        ASSERT_EQ(::lchown(EncodePath(link).constData(), NobodyUid, NobodyGid), 0);
        const TRun run = RunMap(Plate + QStringList{"georef", shared + "/plate.png", "--world-file"});
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_TRUE(run.Err.contains(link + " is another user's symbolic link in a shared folder"))
            << run.Err.toStdString();
        QStringList left = {"plate.png", name};
        left.sort();
        EXPECT_EQ(QDir(shared).entryList(QDir::Files | QDir::System), left);
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), "root's own\n");
        QFile::remove(link);
    }
}

}  // namespace
