// lagwatch-map: converts points between longitude/latitude and image pixels
// with a TMapping, line by line on standard input, and draws the grid of a
// mapping over an image.
#include "mapping/ImageGridCanvas.h"
#include "mapping/Presets.h"
#include "mapping/ormMapping.h"
#include "platform/DegreeSign.h"
#include "platform/QuietMessages.h"

#include <QGuiApplication>
#include <QImage>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

const char* const HelpText =
    "Usage: lagwatch-map [PARAMETERS] COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands (points are read from standard input, one per line):\n"
    "  fwd    \"lon lat\" per line  ->  \"x y ok\"      whole pixels (LonLatToXY)\n"
    "  fwdf   \"lon lat\" per line  ->  \"x y ok\"      real pixels, 3 decimals (LonLatToXYF)\n"
    "  inv    \"x y\" per line      ->  \"lon lat ok\"  degrees, 6 decimals (XYToLonLat)\n"
    "  grid IN.png OUT.png [GRID OPTIONS]\n"
    "         draws the latitude/longitude grid over IN.png (\"-\": a black image of\n"
    "         the mapping's size) and writes OUT.png\n"
    "\n"
    "ok is 1 when the conversion succeeded and 0 when it was refused. The values are\n"
    "printed as the conversion left them either way; each line starts from 0 0, and a\n"
    "refused conversion may only have shifted those by the pixel offsets.\n"
    "Longitudes and latitudes are single-precision numbers, pixels 32-bit integers.\n"
    "Fields are separated by blanks or tabs; blank lines are skipped. A line that does\n"
    "not parse is reported on standard error with its line number and the run goes on.\n"
    "\n"
    "Parameters (a preset, any of the others, or a preset followed by changes):\n"
    "  --preset NAME        LambertMapping1K, LambertMapping4K, PolarMapping800,\n"
    "                       PolarMappingNorth or DiscMapping (any letter case)\n"
    "  --kind K             projection kind 0..14\n"
    "  --height H           image height in pixels\n"
    "  --width W            image width in pixels\n"
    "  --tile T             Van der Grinten sub-image 0..13\n"
    "  --rotation R         plane rotation in degrees (kinds 3, 4, 7, 8, 11)\n"
    "  --lon-span S         longitude extent in degrees\n"
    "  --lat-span S         latitude extent in degrees\n"
    "  --centre-lon L       centre longitude in degrees\n"
    "  --centre-lat L       centre latitude in degrees\n"
    "  --std-parallel1 A    first standard parallel (Lambert)\n"
    "  --std-parallel2 B    second standard parallel (Lambert)\n"
    "  --x-offset X         horizontal pixel shift\n"
    "  --y-offset Y         vertical pixel shift (positive moves up)\n"
    "The parameters are applied in this fixed order whatever their order on the\n"
    "command line: kind, height, width, tile, rotation, lon-span, lat-span,\n"
    "centre-lon, centre-lat, std-parallel1, std-parallel2, x-offset, y-offset.\n"
    "Setting the centre latitude resets both standard parallels to its absolute value.\n"
    "\n"
    "Grid options:\n"
    "  --lon-step N               degrees between meridians (default 10)\n"
    "  --lat-step N               degrees between parallels (default 10)\n"
    "  --line-colour RRGGBB       grid lines (default FFFF00, yellow)\n"
    "  --text-colour RRGGBB       labels (default FFFFFF, white)\n"
    "  --halo-colour RRGGBB       one-pixel halo around labels (default 000000)\n"
    "  --special-parallels LIST   comma list of 0 Arctic circle, 1 Tropic of Cancer,\n"
    "                             2 equator, 3 Tropic of Capricorn, 4 Antarctic circle\n"
    "  --no-labels                lines only\n"
    "\n"
    "Exit status: 0 on success (also when lines were reported), 2 on a usage error,\n"
    "1 when an image could not be read or written.\n";

struct TParameters
{
    std::optional<TPresetMapping> Preset;
    std::optional<int32_t> Kind, Height, Width, Tile, XOffset, YOffset;
    std::optional<float> Rotation, LonSpan, LatSpan, CentreLon, CentreLat, StdParallel1, StdParallel2;
};

bool ParseInt(std::string_view text, int32_t& value)
{
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && !text.empty();
}

bool ParseFloat(std::string_view text, float& value)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && !text.empty();
}

void ApplyParameters(const TParameters& p, TMapping& mapping)
{
    if (p.Preset)
        BuildPresetMapping(*p.Preset, mapping);
    // The order of AssignFrom, so a mapping described on the command line gets
    // the same derived constants as one copied in a program.
    if (p.Kind) mapping.SetKind(static_cast<uint8_t>(*p.Kind));
    if (p.Height) mapping.SetHeight(*p.Height);
    if (p.Width) mapping.SetWidth(*p.Width);
    if (p.Tile) mapping.Tile = static_cast<uint8_t>(*p.Tile);
    if (p.Rotation) mapping.Rotation = *p.Rotation;
    if (p.LonSpan) mapping.SetLonSpan(*p.LonSpan);
    if (p.LatSpan) mapping.SetLatSpan(*p.LatSpan);
    if (p.CentreLon) mapping.SetCentreLon(*p.CentreLon);
    if (p.CentreLat) mapping.SetCentreLat(*p.CentreLat);
    if (p.StdParallel1) mapping.SetStdParallel1(*p.StdParallel1);
    if (p.StdParallel2) mapping.SetStdParallel2(*p.StdParallel2);
    if (p.XOffset) mapping.SetXOffset(*p.XOffset);
    if (p.YOffset) mapping.SetYOffset(*p.YOffset);
}

// Buffered output without stdio's per-call formatting.
class TOutput
{
public:
    ~TOutput() { Flush(); }
    void Reserve(size_t n)
    {
        if (FBuffer.size() - FUsed < n)
            Flush();
    }
    char* Cursor() { return FBuffer.data() + FUsed; }
    char* End() { return FBuffer.data() + FBuffer.size(); }
    void Advance(char* to) { FUsed = static_cast<size_t>(to - FBuffer.data()); }
    void Flush()
    {
        if (FUsed)
            std::fwrite(FBuffer.data(), 1, FUsed, stdout);
        FUsed = 0;
    }

private:
    std::vector<char> FBuffer = std::vector<char>(1 << 16);
    size_t FUsed = 0;
};

template <typename T>
char* PutValue(char* at, char* end, T value, int decimals)
{
    std::to_chars_result r;
    if constexpr (std::is_floating_point_v<T>)
        r = std::to_chars(at, end, value, std::chars_format::fixed, decimals);
    else
        r = std::to_chars(at, end, value);
    return r.ptr;
}

// One output line: "first second ok".
template <typename T>
char* PutResult(char* at, char* end, T first, T second, int decimals, bool ok)
{
    at = PutValue(at, end, first, decimals);
    *at++ = ' ';
    at = PutValue(at, end, second, decimals);
    *at++ = ' ';
    *at++ = ok ? '1' : '0';
    *at++ = '\n';
    return at;
}

// Splits a line into exactly two blank-separated fields.
bool SplitTwo(std::string_view line, std::string_view& a, std::string_view& b)
{
    auto skip = [&](size_t i) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        return i;
    };
    auto word = [&](size_t i) {
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        return i;
    };
    size_t i = skip(0), j = word(i);
    a = line.substr(i, j - i);
    i = skip(j);
    j = word(i);
    b = line.substr(i, j - i);
    return !a.empty() && !b.empty() && skip(j) == line.size();
}

enum class TCommand { Forward, ForwardF, Inverse };

int RunConversions(const TMapping& mapping, TCommand command)
{
    TOutput out;
    std::vector<char> buffer(1 << 20);
    std::string carry;
    long long lineNumber = 0;
    auto handleLine = [&](std::string_view line) {
        ++lineNumber;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        size_t first = 0;
        while (first < line.size() && (line[first] == ' ' || line[first] == '\t'))
            ++first;
        if (first == line.size())
            return;
        std::string_view a, b;
        bool parsed = SplitTwo(line, a, b);
        out.Reserve(160);
        char* at = out.Cursor();
        char* end = out.End();
        if (parsed && command == TCommand::Inverse)
        {
            int32_t x = 0, y = 0;
            parsed = ParseInt(a, x) && ParseInt(b, y);
            if (parsed)
            {
                float lon = 0, lat = 0;
                const bool ok = mapping.XYToLonLat(x, y, lon, lat);
                at = PutResult(at, end, lon, lat, 6, ok);
            }
        }
        else if (parsed)
        {
            float lon = 0, lat = 0;
            parsed = ParseFloat(a, lon) && ParseFloat(b, lat);
            if (parsed && command == TCommand::Forward)
            {
                int32_t x = 0, y = 0;
                const bool ok = mapping.LonLatToXY(lon, lat, x, y);
                at = PutResult(at, end, x, y, 0, ok);
            }
            else if (parsed)
            {
                float x = 0, y = 0;
                const bool ok = mapping.LonLatToXYF(lon, lat, x, y);
                at = PutResult(at, end, x, y, 3, ok);
            }
        }
        if (!parsed)
        {
            out.Flush();
            std::fflush(stdout);
            std::fprintf(stderr, "lagwatch-map: line %lld: cannot parse \"%.*s\"\n", lineNumber,
                         static_cast<int>(std::min<size_t>(line.size(), 200)), line.data());
            return;
        }
        out.Advance(at);
    };
    for (;;)
    {
        const size_t n = std::fread(buffer.data(), 1, buffer.size(), stdin);
        if (n == 0)
            break;
        std::string_view chunk(buffer.data(), n);
        size_t start = 0;
        for (;;)
        {
            const size_t nl = chunk.find('\n', start);
            if (nl == std::string_view::npos)
            {
                carry.append(chunk.substr(start));
                break;
            }
            if (!carry.empty())
            {
                carry.append(chunk.substr(start, nl - start));
                handleLine(carry);
                carry.clear();
            }
            else
                handleLine(chunk.substr(start, nl - start));
            start = nl + 1;
        }
    }
    if (!carry.empty())
        handleLine(carry);
    return 0;
}

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "lagwatch-map: %s (see --help)\n", message.c_str());
    return 2;
}

}  // namespace

int RunGridCommand(const TMapping& mapping, const std::vector<std::string>& args, int argc, char** argv);

int main(int argc, char** argv)
{
    InitDegreeSign();
    TParameters p;
    std::string command;
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h")
        {
            std::fputs(HelpText, stdout);
            return 0;
        }
        if (!command.empty())
        {
            rest.push_back(arg);
            continue;
        }
        if (arg.rfind("--", 0) != 0)
        {
            command = arg;
            continue;
        }
        if (i + 1 >= argc)
            return UsageError("missing value after " + arg);
        const std::string value = argv[++i];
        int32_t iv = 0;
        float fv = 0;
        auto needInt = [&](std::optional<int32_t>& target) {
            if (!ParseInt(value, iv))
                return false;
            target = iv;
            return true;
        };
        auto needFloat = [&](std::optional<float>& target) {
            if (!ParseFloat(value, fv))
                return false;
            target = fv;
            return true;
        };
        bool ok = true;
        if (arg == "--preset")
        {
            TPresetMapping preset{};
            ok = FindPresetMapping(QString::fromStdString(value), preset);
            if (ok)
                p.Preset = preset;
        }
        else if (arg == "--kind") ok = needInt(p.Kind) && iv >= 0 && iv <= 255;
        else if (arg == "--height") ok = needInt(p.Height);
        else if (arg == "--width") ok = needInt(p.Width);
        else if (arg == "--tile") ok = needInt(p.Tile) && iv >= 0 && iv <= 255;
        else if (arg == "--rotation") ok = needFloat(p.Rotation);
        else if (arg == "--lon-span") ok = needFloat(p.LonSpan);
        else if (arg == "--lat-span") ok = needFloat(p.LatSpan);
        else if (arg == "--centre-lon") ok = needFloat(p.CentreLon);
        else if (arg == "--centre-lat") ok = needFloat(p.CentreLat);
        else if (arg == "--std-parallel1") ok = needFloat(p.StdParallel1);
        else if (arg == "--std-parallel2") ok = needFloat(p.StdParallel2);
        else if (arg == "--x-offset") ok = needInt(p.XOffset);
        else if (arg == "--y-offset") ok = needInt(p.YOffset);
        else
            return UsageError("unknown option " + arg);
        if (!ok)
            return UsageError("bad value \"" + value + "\" for " + arg);
    }
    TMapping mapping;
    ApplyParameters(p, mapping);
    // A new mapping's centre has sine and cosine 0 until its latitude is set,
    // which flattens every projection centred on it.
    const bool centred =
        p.Kind && (*p.Kind == pkAzimuthalEqui || *p.Kind == pkAzimuthalEquiWide || *p.Kind == pkOrthographic ||
                   *p.Kind == pkLinearOrthographic || *p.Kind == pkPolarStereographic ||
                   *p.Kind == pkLambertConformal || *p.Kind == pkGnomonic || *p.Kind == pkGreatCircle);
    if (centred && !p.Preset && !p.CentreLat)
        std::fprintf(stderr, "lagwatch-map: note: no --centre-lat given; kind %d needs it (use --centre-lat 0 for the equator)\n",
                     static_cast<int>(*p.Kind));
    if (command == "fwd" || command == "fwdf" || command == "inv")
    {
        if (!rest.empty())
            return UsageError("unexpected argument " + rest.front());
        return RunConversions(mapping, command == "fwd" ? TCommand::Forward
                                       : command == "fwdf" ? TCommand::ForwardF
                                                           : TCommand::Inverse);
    }
    if (command == "grid")
        return RunGridCommand(mapping, rest, argc, argv);
    if (command.empty())
        return UsageError("no command given");
    return UsageError("unknown command " + command);
}

namespace {

bool ParseColour(const std::string& text, TColor& colour)
{
    if (text.size() != 6)
        return false;
    uint32_t rgb = 0;
    const auto r = std::from_chars(text.data(), text.data() + 6, rgb, 16);
    if (r.ec != std::errc() || r.ptr != text.data() + 6)
        return false;
    // RRGGBB on the command line, 0x00BBGGRR inside.
    colour = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
    return true;
}

}  // namespace

int RunGridCommand(const TMapping& source, const std::vector<std::string>& args, int argc, char** argv)
{
    if (args.size() < 2)
        return UsageError("grid needs IN.png and OUT.png");
    const std::string input = args[0], output = args[1];
    int32_t lonStep = 10, latStep = 10;
    TColor lineColour = 0x00FFFF, textColour = 0xFFFFFF, haloColour = 0;
    uint8_t special = 0;
    bool noLabels = false;
    for (size_t i = 2; i < args.size(); ++i)
    {
        const std::string& arg = args[i];
        if (arg == "--no-labels")
        {
            noLabels = true;
            continue;
        }
        if (i + 1 >= args.size())
            return UsageError("missing value after " + arg);
        const std::string& value = args[++i];
        bool ok = true;
        if (arg == "--lon-step") ok = ParseInt(value, lonStep);
        else if (arg == "--lat-step") ok = ParseInt(value, latStep);
        else if (arg == "--line-colour") ok = ParseColour(value, lineColour);
        else if (arg == "--text-colour") ok = ParseColour(value, textColour);
        else if (arg == "--halo-colour") ok = ParseColour(value, haloColour);
        else if (arg == "--special-parallels")
        {
            size_t start = 0;
            while (ok && start <= value.size())
            {
                size_t comma = value.find(',', start);
                if (comma == std::string::npos)
                    comma = value.size();
                int32_t element = 0;
                ok = ParseInt(std::string_view(value).substr(start, comma - start), element) && element >= 0 &&
                     element <= 4;
                if (ok)
                    special |= static_cast<uint8_t>(1u << element);
                start = comma + 1;
            }
        }
        else
            return UsageError("unknown grid option " + arg);
        if (!ok)
            return UsageError("bad value \"" + value + "\" for " + arg);
    }
    // Painting needs a GUI application; without a display use the off-screen platform.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    InstallQuietMessageHandler();
    QGuiApplication app(argc, argv);
    QImage image;
    if (input == "-")
    {
        if (source.Width <= 0 || source.Height <= 0 || source.Width > 30000 || source.Height > 30000)
        {
            std::fprintf(stderr, "lagwatch-map: the mapping's size %dx%d is no image size\n", source.Width,
                         source.Height);
            return 1;
        }
        image = QImage(source.Width, source.Height, QImage::Format_RGB32);
        image.fill(Qt::black);
    }
    else if (!image.load(QString::fromStdString(input)))
    {
        std::fprintf(stderr, "lagwatch-map: cannot read %s\n", input.c_str());
        return 1;
    }
    else
        image = image.convertToFormat(QImage::Format_ARGB32);
    TMapping mapping = source;  // an exact copy, derived constants included
    {
        TImageGridBitmap bitmap(image);
        mapping.DrawGridOnBitmap(&bitmap, lonStep, latStep, textColour, lineColour, 0, 0, noLabels, special,
                                 haloColour);
    }
    if (!image.save(QString::fromStdString(output), "PNG"))
    {
        std::fprintf(stderr, "lagwatch-map: cannot write %s\n", output.c_str());
        return 1;
    }
    return 0;
}
