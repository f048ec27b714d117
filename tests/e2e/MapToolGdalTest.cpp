// lagwatch-map's georeferenced images opened by GDAL's own programs, and its
// PROJ definitions run through PROJ's: every kind and preset lands where
// fwdf puts it. A pixel (x, y) of fwdf is GDAL's (x + 0.5, y + 0.5).
#include "tests/common/TempDir.h"
#include "tests/e2e/ProgramRun.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

// Runs a program on input lines; its output lines, one per input line.
QStringList Lines(const QString& program, const QStringList& arguments, const QStringList& input = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    const TRun run = RunWithInput(program, arguments, input.join('\n').toUtf8() + "\n", env, 120000);
    EXPECT_EQ(run.ExitCode, 0) << program.toStdString() << " " << arguments.join(' ').toStdString() << ": "
                               << run.Err.toStdString();
    QStringList lines = run.Out.split('\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList Map(const QStringList& arguments, const QStringList& input = {})
{
    return Lines(LAGWATCH_MAP_BIN, arguments, input);
}

// The first two numbers of a line; false for a line without them ("* * 0", "transformation failed.").
bool Pair(const QString& line, double& a, double& b)
{
    const QStringList f = line.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
    bool okA = false, okB = false;
    if (f.size() >= 2) {
        a = f[0].toDouble(&okA);
        b = f[1].toDouble(&okB);
    }
    return okA && okB && std::isfinite(a) && std::isfinite(b);
}

// A line of fwd, fwdf or inv that converted its point.
bool Converted(const QString& line) { return line.section(' ', 2, 2) == "1"; }

QJsonObject Info(const QString& file, const QStringList& extra = {})
{
    return QJsonDocument::fromJson(
               Lines("gdalinfo", QStringList{"-json"} + extra + QStringList{file}).join('\n').toUtf8())
        .object();
}

struct TMappingCase
{
    const char* Name;
    QStringList Parameters;
};

// Each kind on a parameter set that turns, offsets or tiles where it can, and the presets.
const TMappingCase Cases[] = {
    {"LambertMapping1K", {"--preset", "LambertMapping1K"}},
    {"LambertMapping4K", {"--preset", "LambertMapping4K"}},
    {"PolarMapping800", {"--preset", "PolarMapping800"}},
    {"PolarMappingNorth", {"--preset", "PolarMappingNorth"}},
    {"DiscMapping", {"--preset", "DiscMapping"}},
    {"1", {"--kind=1", "--width=700", "--height=300", "--x-offset=5", "--y-offset=7"}},
    {"2",
     {"--kind=2", "--width=800", "--height=400", "--centre-lon=170", "--centre-lat=45", "--lon-span=40",
      "--lat-span=20", "--x-offset=3", "--y-offset=-4"}},
    {"3", {"--kind=3", "--width=800", "--height=600", "--centre-lon=20", "--centre-lat=40", "--rotation=30"}},
    {"4",
     {"--kind=4", "--width=800", "--height=600", "--centre-lon=20", "--centre-lat=40", "--lat-span=90",
      "--rotation=-12.5", "--x-offset=9"}},
    {"5", {"--kind=5", "--width=720", "--height=720", "--centre-lon=30"}},
    {"6",
     {"--kind=6", "--width=600", "--height=500", "--centre-lon=10", "--centre-lat=40", "--lon-span=30", "--lat-span=30",
      "--y-offset=3"}},
    {"7",
     {"--kind=7", "--width=800", "--height=800", "--centre-lon=10", "--centre-lat=-30", "--lat-span=120",
      "--rotation=45"}},
    {"8",
     {"--kind=8", "--width=800", "--height=800", "--centre-lon=20", "--centre-lat=30", "--lat-span=120",
      "--rotation=10"}},
    {"9",
     {"--kind=9", "--width=800", "--height=700", "--centre-lon=10", "--centre-lat=-60", "--lat-span=40", "--x-offset=3",
      "--y-offset=5"}},
    {"10",
     {"--kind=10", "--width=1000", "--height=800", "--centre-lon=10", "--centre-lat=-30", "--std-parallel1=20",
      "--std-parallel2=50", "--y-offset=4"}},
    {"11",
     {"--kind=11", "--width=800", "--height=800", "--centre-lon=10", "--centre-lat=50", "--lat-span=60",
      "--rotation=90"}},
    {"12", {"--kind=12", "--width=800", "--height=600", "--centre-lon=30", "--tile=10", "--y-offset=6"}},
    {"13", {"--kind=13", "--width=800", "--height=600", "--centre-lon=20", "--centre-lat=30", "--lat-span=120"}},
    {"14",
     {"--kind=14", "--width=800", "--height=400", "--centre-lon=-100", "--centre-lat=45", "--lon-span=40",
      "--lat-span=20"}},
};

// Largest distance between GDAL's pixels and fwdf's (shifted by a half), over
// the lines where both converted; count gets their number.
double Worst(const QStringList& gdal, const QStringList& fwdf, int& count)
{
    double worst = 0;
    count = 0;
    for (int i = 0; i < std::min(gdal.size(), fwdf.size()); ++i) {
        double gx, gy, fx, fy;
        if (!Pair(gdal[i], gx, gy) || !Pair(fwdf[i], fx, fy) || !Converted(fwdf[i]))
            continue;
        worst = std::max({worst, std::fabs(gx - 0.5 - fx), std::fabs(gy - 0.5 - fy)});
        ++count;
    }
    return worst;
}

// Every kind and preset: the VRT, PROJ's definition and GDAL's transformer
// agree with fwdf to a hundredth of a pixel (half a pixel through the
// thin-plate spline of the control points).
TEST(MapToolBesideGdal, EveryKindAndPresetLandsWhereFwdfPutsIt)
{
    REQUIRE_TOOL(gdaltransform, "gdaltransform");
    REQUIRE_TOOL(proj, "proj");
    REQUIRE_TOOL(cct, "cct");
    TempDir dir;
    for (const TMappingCase& c : Cases) {
        SCOPED_TRACE(c.Name);
        // The mapping's own image, from grid.
        const QString image = dir.FilePath(QString("image%1.png").arg(&c - Cases));
        Map(c.Parameters + QStringList{"grid", "-", image, "--no-labels"});
        const QSize size = QImageReader(image).size();
        const int width = size.width(), height = size.height();
        Map(c.Parameters + QStringList{"georef", image});
        const QString vrt = image + ".vrt";
        const QJsonObject info = Info(vrt);
        EXPECT_EQ(info["size"].toArray(), QJsonArray({width, height}));
        const bool controlPoints = c.Parameters.contains("--kind=8");
        const double tolerance = controlPoints ? 0.5 : 0.01;
        if (controlPoints)
            EXPECT_GE(info["gcps"]["gcpList"].toArray().size(), 256);
        else
            EXPECT_TRUE(info["coordinateSystem"]["wkt"].toString().startsWith("PROJCRS"));
        const QStringList tps = controlPoints ? QStringList{"-tps"} : QStringList{};

        // A grid of pixel positions to longitudes and latitudes, and fwdf back.
        // Inside a margin: the spline of the control points only extrapolates
        // beyond the last of them, where the kind stops 60 degrees from its centre.
        QStringList pixels;
        for (int i = 0; i < 10; ++i)
            for (int j = 0; j < 10; ++j)
                pixels
                    << QString("%1 %2").arg(width * (0.1 + 0.08 * (j + 0.43))).arg(height * (0.1 + 0.08 * (i + 0.57)));
        const QStringList lonLat = Lines(gdaltransform, tps + QStringList{"-t_srs", "EPSG:4326", vrt}, pixels);
        const QStringList back = Map(c.Parameters + QStringList{"fwdf", "--decimals", "6"}, lonLat);
        int count = 0;
        double worst = Worst(pixels, back, count);
        EXPECT_LE(worst, tolerance);
        EXPECT_GE(count, 50);

        // Other points (never a control point) from longitude and latitude to pixels.
        QStringList near;
        for (const QString& line : lonLat) {
            double lon, lat;
            if (Pair(line, lon, lat))
                near << QString("%1 %2").arg(std::round(lon * 10) / 10 + 0.037).arg(std::round(lat * 10) / 10 + 0.037);
        }
        // Only those on the image that fwdf converts.
        QStringList points, fwdf;
        const QStringList converted = Map(c.Parameters + QStringList{"fwdf", "--decimals", "6"}, near);
        for (int i = 0; i < converted.size(); ++i)
            if (Converted(converted[i]))
                points << near[i], fwdf << converted[i];
        worst = Worst(Lines(gdaltransform, tps + QStringList{"-i", "-t_srs", "EPSG:4326", vrt}, points), fwdf, count);
        EXPECT_LE(worst, tolerance);
        EXPECT_GE(count, 50);
        if (controlPoints)
            continue;

        // The proj command's definition through proj and the geotransform, its
        // pipeline through cct, and its geotransform the VRT's.
        const QStringList stated = Map(c.Parameters + QStringList{"proj"});
        ASSERT_EQ(stated.size(), 4);
        const QStringList g = stated[1].mid(QString("geotransform: ").size()).split(' ');
        ASSERT_EQ(g.size(), 6);
        const QJsonArray vrtGeo = info["geoTransform"].toArray();
        for (int i = 0; i < 6; ++i)
            EXPECT_NEAR(vrtGeo[i].toDouble(), g[i].toDouble(), 1e-9 * std::fabs(g[1].toDouble() + g[2].toDouble()));
        const double det = g[1].toDouble() * g[5].toDouble() - g[2].toDouble() * g[4].toDouble();
        QStringList fromProj;
        for (const QString& line : Lines(proj, stated[0].mid(12).split(' ') + QStringList{"-f", "%.6f"}, points)) {
            double e, n;
            if (!Pair(line, e, n)) {
                fromProj << "*";
                continue;
            }
            e -= g[0].toDouble();
            n -= g[3].toDouble();
            fromProj << QString("%1 %2")
                            .arg((g[5].toDouble() * e - g[2].toDouble() * n) / det, 0, 'f', 6)
                            .arg((g[1].toDouble() * n - g[4].toDouble() * e) / det, 0, 'f', 6);
        }
        EXPECT_LE(Worst(fromProj, fwdf, count), 0.01);
        EXPECT_GE(count, 50);
        QStringList cctPoints, cctPixels;
        for (const QString& p : points)
            cctPoints << p + " 0 0";
        for (const QString& line : Lines(cct, QStringList{"-d", "6"} + stated[3].mid(8).split(' '), cctPoints)) {
            double x, y;
            cctPixels << (Pair(line, x, y) ? QString("%1 %2").arg(x + 0.5, 0, 'f', 6).arg(y + 0.5, 0, 'f', 6) : "*");
        }
        EXPECT_LE(Worst(cctPixels, fwdf, count), 0.01);
        EXPECT_GE(count, 50);
    }
}

// An RGB PNG whose one colour (r, g, b) is transparent: a tRNS chunk after the header.
QByteArray WithTransparentColour(const QImage& image, uint8_t r, uint8_t g, uint8_t b)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.convertToFormat(QImage::Format_RGB888).save(&buffer, "PNG");
    const QByteArray chunk =
        QByteArray("tRNS") + QByteArray::fromRawData("\0", 1) + char(r) + '\0' + char(g) + '\0' + char(b);
    uint32_t crc = 0xFFFFFFFF;
    for (const char c : chunk) {
        crc ^= uint8_t(c);
        for (int k = 0; k < 8; ++k)
            crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
    }
    crc = ~crc;
    QByteArray whole = QByteArray::fromHex("00000006") + chunk;
    for (int shift = 24; shift >= 0; shift -= 8)
        whole += char(crc >> shift);
    return png.insert(33, whole);
}

// An image of each format GDAL reads through the VRT as it is, band by band,
// and through its world file and .aux.xml at the same place.
TEST(MapToolBesideGdal, OpensEachFormatUnchangedAndItsWorldFileAgrees)
{
    REQUIRE_TOOL(gdalinfo, "gdalinfo");
    TempDir dir;
    QImage palette(800, 800, QImage::Format_Indexed8);
    palette.setColorTable({qRgb(10, 20, 30), qRgba(200, 100, 0, 128), qRgb(0, 255, 0)});
    for (int y = 0; y < 800; ++y)
        for (int x = 0; x < 800; ++x)
            palette.setPixel(x, y, (x / 7 + y / 13) % 3);
    const QImage rgb = palette.convertToFormat(QImage::Format_RGB32);
    const struct
    {
        const char* Name;
        QImage Image;
        const char* World;
    } formats[] = {
        {"palette.png", palette, "palette.pgw"},
        {"rgba.png", palette.convertToFormat(QImage::Format_ARGB32), "rgba.pgw"},
        {"gray16.png", rgb.convertToFormat(QImage::Format_Grayscale16), "gray16.pgw"},
        {"rgb.jpg", rgb, "rgb.jgw"},
        {"gray.jpeg", rgb.convertToFormat(QImage::Format_Grayscale8), "gray.jgw"},
        {"palette.bmp", palette, "palette.bpw"},
        {"rgb.ppm", rgb, "rgb.wld"},
        {"gray.pgm", rgb.convertToFormat(QImage::Format_Grayscale8), "gray.wld"},
        {"transparent.png", {}, "transparent.pgw"},
    };
    for (const auto& f : formats) {
        SCOPED_TRACE(f.Name);
        const QString image = dir.FilePath(f.Name);
        if (f.Image.isNull())
            dir.Write(f.Name, WithTransparentColour(rgb, 10, 20, 30));
        else
            ASSERT_TRUE(f.Image.save(image));
        Map({"--preset", "PolarMapping800", "georef", image, "--world-file"});
        EXPECT_TRUE(QFile::exists(dir.FilePath(f.World)));
        const QJsonObject direct = Info(image, {"-checksum"}), wrapped = Info(image + ".vrt", {"-checksum"});
        ASSERT_FALSE(direct["bands"].toArray().isEmpty());
        for (const char* key : {"type", "colorInterpretation", "checksum", "colorTable", "noDataValue", "mask"})
            for (int b = 0; b < direct["bands"].toArray().size(); ++b)
                EXPECT_EQ(direct["bands"][b][key], wrapped["bands"][b][key]) << key << " of band " << b + 1;
        EXPECT_EQ(direct["bands"].toArray().size(), wrapped["bands"].toArray().size());
        EXPECT_EQ(direct["coordinateSystem"]["wkt"], wrapped["coordinateSystem"]["wkt"]);
        for (const char* corner : {"upperLeft", "lowerRight"})
            for (int axis = 0; axis < 2; ++axis)
                EXPECT_NEAR(direct["cornerCoordinates"][corner][axis].toDouble(),
                            wrapped["cornerCoordinates"][corner][axis].toDouble(), 1e-6)
                    << corner;
    }
}

// Where grid draws a meridian's vertex, GDAL puts that point of the meridian
// within half a pixel of the pixel's centre, across and along.
TEST(MapToolBesideGdal, AGridMeridianLiesWithinHalfAPixelOfItsPixels)
{
    REQUIRE_TOOL(gdaltransform, "gdaltransform");
    TempDir dir;
    const QStringList polar = {"--preset", "PolarMapping800"};
    const QString image = dir.FilePath("grid.png");
    Map(polar + QStringList{"grid", "-", image, "--no-labels", "--lat-step", "90"});
    Map(polar + QStringList{"georef", image});
    const QImage drawn(image);
    QStringList vertices, drawnAt;
    for (const int lon : {120, 130, 140})
        for (int lat = 25; lat <= 52; lat += 3)
            vertices << QString("%1 %2").arg(lon).arg(lat);
    for (const QString& line : Map(polar + QStringList{"fwd"}, vertices)) {
        const int x = line.section(' ', 0, 0).toInt(), y = line.section(' ', 1, 1).toInt();
        ASSERT_TRUE(drawn.valid(x, y)) << line.toStdString();
        EXPECT_EQ(drawn.pixel(x, y), qRgb(255, 255, 0)) << line.toStdString();
        drawnAt << QString("%1 %2 1").arg(x).arg(y);
    }
    int count = 0;
    EXPECT_LE(Worst(Lines(gdaltransform, {"-i", "-t_srs", "EPSG:4326", image + ".vrt"}, vertices), drawnAt, count),
              0.5);
    EXPECT_EQ(count, vertices.size());
}

// A polar image warped to longitude and latitude covers what the mapping's
// inverse says its edge pixels show.
TEST(MapToolBesideGdal, WarpsAPolarImageToLongitudeAndLatitude)
{
    REQUIRE_TOOL(gdalwarp, "gdalwarp");
    TempDir dir;
    const QString image = dir.FilePath("polar.png");
    Map({"--preset", "PolarMapping800", "grid", "-", image, "--no-labels"});
    Map({"--preset", "PolarMapping800", "georef", image});
    const QString warped = dir.FilePath("warped.tif");
    Lines(gdalwarp, {"-q", "-t_srs", "EPSG:4326", image + ".vrt", warped});
    const QJsonObject info = Info(warped);
    QStringList edge;
    for (int i = 0; i < 800; ++i)
        edge << QString("%1 0").arg(i) << QString("%1 799").arg(i) << QString("0 %1").arg(i)
             << QString("799 %1").arg(i);
    double west = 1e9, east = -1e9, south = 1e9, north = -1e9;
    for (const QString& line : Map({"--preset", "PolarMapping800", "inv"}, edge)) {
        double lon, lat;
        ASSERT_TRUE(Pair(line, lon, lat)) << line.toStdString();
        west = std::min(west, lon), east = std::max(east, lon), south = std::min(south, lat),
        north = std::max(north, lat);
    }
    // The warped image reaches half a source pixel beyond the edge pixels' centres.
    const double cell = std::fabs(info["geoTransform"][1].toDouble()) * 2;
    const QJsonObject corners = info["cornerCoordinates"].toObject();
    EXPECT_NEAR(corners["upperLeft"][0].toDouble(), west, cell);
    EXPECT_NEAR(corners["upperLeft"][1].toDouble(), north, cell);
    EXPECT_NEAR(corners["lowerRight"][0].toDouble(), east, cell);
    EXPECT_NEAR(corners["lowerRight"][1].toDouble(), south, cell);
}

}  // namespace
