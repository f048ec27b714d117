// lagwatch-map beside PROJ's proj, as a cartographer would run them: the same
// points through a pipe into each, compared line by line. Every kind with a
// PROJ counterpart is described to proj by the definition that gives the same
// pixels: the projection on a sphere (or, for Lambert, the ellipsoid) whose
// radius is the kind's pixels per radian, the image centre as false easting
// and northing, and an axis swap that turns northing into a pixel row.
#include "tests/e2e/ProgramRun.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double DegreesPerRadian = 180.0 / Pi;

double Radians(double degrees) { return degrees * Pi / 180.0; }

// The pixel of plane point (X east, Y north) is (X + x0, y0 - Y): proj adds x0
// and -y0, then the axis swap negates the northing.
QString Pixels(const QString& projection, double x0, double y0)
{
    return QString("+proj=pipeline +step %1 +x_0=%2 +y_0=%3 +step +proj=axisswap +order=1,-2")
        .arg(projection)
        .arg(x0, 0, 'g', 17)
        .arg(-y0, 0, 'g', 17);
}

QString Number(double v) { return QString::number(v, 'g', 17); }

struct TComparison
{
    const char* Name;
    QStringList Parameters;                     // lagwatch-map's
    QString Proj;                               // proj's definition of the same image
    double Lon, Lat, LonReach, LatReach, Step;  // the points: a grid about a centre
};

// The polar stereographic kind: a sphere of radius Height * Scale / 2 about the
// pole, its scale and pole offset from the latitude span.
QString PolarProj(int height, int width, double centreLon, double centreLat, double latSpan, int xOffset, int yOffset)
{
    const double a = Radians(centreLat - latSpan / 2), b = Radians(centreLat + latSpan / 2);
    const double ta = std::tan((Pi / 2 - a) / 2), tb = std::tan((Pi / 2 - b) / 2);
    const double scale = 1 / std::fabs(tb - ta), poleOffset = (tb + ta) * scale / 2;
    return Pixels(QString("+proj=stere +lat_0=90 +R=%1 +lon_0=%2").arg(Number(height * scale / 2), Number(centreLon)),
                  width / 2.0 + xOffset, height / 2 - height * poleOffset - yOffset);
}

std::vector<TComparison> Comparisons()
{
    // Kinds 4, 7, 11: the latitude span fills the height, Scale = (H / W) / (2 sin(span / 2)).
    auto spanRadius = [](int height, double latSpan) { return height / (2 * std::sin(Radians(latSpan / 2))); };
    auto mercator = [](double lat) { return std::log(std::tan(Pi / 4 + Radians(lat) / 2)); };
    // Zoomed Mercator: x and y scales differ, so an affine step places the points.
    const double mercRows = 600 / (mercator(55) - mercator(25));
    const QString zoomedMercator =
        QString("+proj=pipeline +step +proj=merc +R=1 +lon_0=10 +step +proj=affine +xoff=300 +s11=%1 +yoff=%2 +s22=%3")
            .arg(Number(20 * DegreesPerRadian), Number(300 + mercRows * mercator(40)), Number(-mercRows));
    const QStringList zoomed = {"--width",      "800", "--height",   "400", "--centre-lon", "10",
                                "--centre-lat", "45",  "--lon-span", "40",  "--lat-span",   "20"};
    return {
        {"1 CylEquiFull",
         {"--kind", "1", "--width", "720", "--height", "360"},
         Pixels("+proj=eqc +R=" + Number(2 * DegreesPerRadian), 360, 180),
         0,
         0,
         170,
         80,
         10},
        {"2 CylEquiZoomed", QStringList{"--kind", "2"} + zoomed,
         Pixels("+proj=eqc +lon_0=10 +R=" + Number(20 * DegreesPerRadian), 400, 1100), 10, 45, 20, 10, 2.5},
        {"3 AzimuthalEqui",
         {"--kind", "3", "--width", "800", "--height", "600", "--centre-lon", "20", "--centre-lat", "40"},
         Pixels("+proj=aeqd +R=600 +lon_0=20 +lat_0=40", 400, 300),
         20,
         40,
         60,
         45,
         7.5},
        {"4 AzimuthalEquiWide",
         {"--kind", "4", "--width", "800", "--height", "600", "--centre-lon", "20", "--centre-lat", "40", "--lat-span",
          "90"},
         Pixels("+proj=aeqd +lon_0=20 +lat_0=40 +R=" + Number(spanRadius(600, 90)), 400, 300),
         20,
         40,
         60,
         45,
         7.5},
        {"5 MercatorFull",
         {"--kind", "5", "--width", "720", "--height", "720", "--centre-lon", "30"},
         Pixels("+proj=merc +lon_0=30 +R=" + Number(2 * DegreesPerRadian), 360, 360),
         30,
         0,
         170,
         80,
         10},
        {"6 MercatorZoomed",
         {"--kind", "6", "--width", "600", "--height", "600", "--centre-lon", "10", "--centre-lat", "40", "--lon-span",
          "30", "--lat-span", "30"},
         zoomedMercator,
         10,
         40,
         14,
         12,
         2},
        {"7 Orthographic (DiscMapping)",
         {"--preset", "DiscMapping"},
         Pixels("+proj=ortho +R=797.5 +lon_0=140.5 +lat_0=0", 797.5 + 58, 797 + 52),
         140.5,
         0,
         40,
         40,
         5},
        {"9 PolarStereographic (PolarMapping800)",
         {"--preset", "PolarMapping800"},
         PolarProj(800, 800, 135, 35.45, 46.6, 137, 0),
         135,
         35,
         40,
         30,
         5},
        {"9 PolarStereographic (PolarMappingNorth)",
         {"--preset", "PolarMappingNorth"},
         PolarProj(877, 1078, -45, 90, 101.68, -36, 306),
         0,
         60,
         180,
         25,
         10},
        // The standard parallels enter as 90 degrees minus the stored values, the
        // radius is 1.095 widths, the ellipsoid's e squared is 0.006694318.
        {"10 LambertConformal (LambertMapping1K)",
         {"--preset", "LambertMapping1K"},
         Pixels("+proj=lcc +lat_1=45.5 +lat_2=46 +lat_0=25.7 +lon_0=128.5 +a=" + Number(1.095 * 1024) +
                    " +es=0.006694318",
                512 + 171, 512),
         128.5,
         25,
         25,
         20,
         5},
        {"11 Gnomonic",
         {"--kind", "11", "--width", "800", "--height", "800", "--centre-lon", "10", "--centre-lat", "50", "--lat-span",
          "60"},
         Pixels("+proj=gnom +lon_0=10 +lat_0=50 +R=" + Number(spanRadius(800, 60)), 400, 400),
         10,
         50,
         30,
         30,
         5},
        // Van der Grinten's radius is 0.155 widths.
        {"12 VanDerGrinten",
         {"--kind", "12", "--width", "800", "--height", "400", "--centre-lon", "30"},
         Pixels("+proj=vandg +R=124 +lon_0=30", 400, 200),
         30,
         0,
         170,
         80,
         10},
        // Great circle: azimuthal equidistant, the latitude span filling the height.
        {"13 GreatCircle",
         {"--kind", "13", "--width", "800", "--height", "600", "--centre-lon", "20", "--centre-lat", "30", "--lat-span",
          "120"},
         Pixels("+proj=aeqd +lon_0=20 +lat_0=30 +R=" + Number(600 / Radians(120)), 400, 300),
         20,
         30,
         90,
         55,
         10},
        {"14 LinearBased", QStringList{"--kind", "14"} + zoomed,
         Pixels("+proj=eqc +lon_0=10 +R=" + Number(20 * DegreesPerRadian), 400, 1100), 10, 45, 20, 10, 2.5},
    };
}

QString Pipe(const QString& program, const QStringList& arguments, const QByteArray& input, int& exitCode)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    const TRun run = RunWithInput(program, arguments, input, env, 60000);
    exitCode = run.ExitCode;
    return run.Out;
}

TEST(MapToolBesideProj, ForwardPixelsAgreeLineByLine)
{
    const QString proj = QStandardPaths::findExecutable("proj");
    if (proj.isEmpty()) {
        if (MaySkipWithoutSetup())
            GTEST_SKIP() << "proj (Debian package proj-bin) is not installed";
        FAIL() << "proj (Debian package proj-bin) is needed: scripts/install-deps.sh installs it";
    }
    for (const TComparison& c : Comparisons()) {
        // A comment, then the points with a name column that both tools pass through.
        QByteArray input = "# lon lat name\n";
        int count = 0;
        for (double lat = c.Lat - c.LatReach; lat <= c.Lat + c.LatReach + 1e-9; lat += c.Step)
            for (double lon = c.Lon - c.LonReach; lon <= c.Lon + c.LonReach + 1e-9; lon += c.Step)
                input += QString("%1 %2 p%3\n").arg(lon, 0, 'g', 10).arg(lat, 0, 'g', 10).arg(++count).toUtf8();
        int ourStatus = -1, projStatus = -1;
        const QStringList ours =
            Pipe(LAGWATCH_MAP_BIN, c.Parameters + QStringList{"fwd"}, input, ourStatus).split('\n');
        const QStringList theirs =
            Pipe(proj, c.Proj.split(' ') + QStringList{"-f", "%.4f"}, input, projStatus).split('\n');
        ASSERT_EQ(ourStatus, 0) << c.Name;
        ASSERT_EQ(projStatus, 0) << c.Name << ": proj " << c.Proj.toStdString();
        const QStringList inputLines = QString::fromUtf8(input).split('\n');
        ASSERT_EQ(ours.size(), inputLines.size()) << c.Name;
        ASSERT_EQ(theirs.size(), inputLines.size()) << c.Name;
        EXPECT_EQ(ours[0], inputLines[0]) << c.Name;
        EXPECT_EQ(theirs[0], inputLines[0]) << c.Name;
        double worst = 0;
        for (int i = 1; i <= count; ++i) {
            // Ours "x y ok name", whole pixels; proj's "x<TAB>y name".
            const QStringList o = ours[i].split(' ');
            const QStringList t = theirs[i].split(QRegularExpression("[ \t]"));
            ASSERT_EQ(o.size(), 4) << c.Name << " line " << i + 1 << ": " << ours[i].toStdString();
            ASSERT_EQ(t.size(), 3) << c.Name << " line " << i + 1 << ": " << theirs[i].toStdString();
            EXPECT_EQ(o[2], "1") << c.Name << " refuses " << inputLines[i].toStdString();
            EXPECT_EQ(o[3], t[2]) << c.Name << " line " << i + 1;
            EXPECT_EQ(o[3], QString("p%1").arg(i)) << c.Name << " line " << i + 1;
            // Rounded to whole pixels, ours lies within half a pixel of proj's value (and a hair
            // for the single-precision constants and proj's four decimals).
            for (int axis = 0; axis < 2; ++axis) {
                const double difference = std::fabs(o[axis].toDouble() - t[axis].toDouble());
                worst = std::max(worst, difference);
                EXPECT_LE(difference, 0.5 + 2e-3) << c.Name << ": " << inputLines[i].toStdString() << " gives "
                                                  << ours[i].toStdString() << ", proj " << theirs[i].toStdString();
            }
        }
        EXPECT_GT(count, 50) << c.Name;
        std::printf("%-42s %4d points, largest difference %.4f pixels\n", c.Name, count, worst);
    }
}

}  // namespace
