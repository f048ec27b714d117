#include "map/RasterLayout.h"

#include <cctype>

namespace MapTool {

namespace {

// Bounds-checked reads of the file's bytes.
class TBytes
{
public:
    explicit TBytes(const QByteArray& Data) : FData(Data) {}
    bool Has(int64_t At, int64_t Count) const { return At >= 0 && Count >= 0 && At + Count <= FData.size(); }
    uint8_t U8(int64_t At) const { return static_cast<uint8_t>(FData[static_cast<qsizetype>(At)]); }
    uint32_t Big32(int64_t At) const
    {
        return uint32_t(U8(At)) << 24 | uint32_t(U8(At + 1)) << 16 | uint32_t(U8(At + 2)) << 8 | U8(At + 3);
    }
    uint32_t Little32(int64_t At) const
    {
        return uint32_t(U8(At + 3)) << 24 | uint32_t(U8(At + 2)) << 16 | uint32_t(U8(At + 1)) << 8 | U8(At);
    }
    uint16_t Little16(int64_t At) const { return static_cast<uint16_t>(U8(At + 1) << 8 | U8(At)); }
    uint16_t Big16(int64_t At) const { return static_cast<uint16_t>(U8(At) << 8 | U8(At + 1)); }
    bool StartsWith(const char* Prefix) const { return FData.startsWith(Prefix); }
    int64_t Size() const { return FData.size(); }

private:
    const QByteArray& FData;
};

const std::vector<std::string> Rgb = {"Red", "Green", "Blue"};

bool Png(const TBytes& b, TRasterLayout& layout, std::string& why)
{
    if (!b.Has(8, 25) || b.Big32(8) != 13 || b.Big32(12) != 0x49484452 /* IHDR */) {
        why = "a PNG without its header";
        return false;
    }
    const uint8_t depth = b.U8(24), colour = b.U8(25);
    layout.DataType = depth == 16 ? "UInt16" : "Byte";
    switch (colour) {
    case 0:
        layout.Bands = {"Gray"};
        break;
    case 2:
        layout.Bands = Rgb;
        break;
    case 3:
        layout.Bands = {"Palette"};
        break;
    case 4:
        layout.Bands = {"Gray", "Alpha"};
        return true;
    case 6:
        layout.Bands = {"Red", "Green", "Blue", "Alpha"};
        return true;
    default:
        why = "a PNG of colour type " + std::to_string(colour);
        return false;
    }
    // The chunks up to the image data: PLTE holds the colours; tRNS their
    // alpha, or the one transparent grey or colour, which GDAL reads as each
    // band's no-data value.
    for (int64_t at = 8; b.Has(at, 12);) {
        const uint32_t length = b.Big32(at), type = b.Big32(at + 4);
        if (!b.Has(at + 8, int64_t(length) + 4))
            break;
        if (type == 0x504C5445 /* PLTE */)
            for (uint32_t i = 0; i + 2 < length; i += 3)
                layout.Palette.push_back(0xFF000000u | uint32_t(b.U8(at + 8 + i)) << 16 |
                                         uint32_t(b.U8(at + 9 + i)) << 8 | b.U8(at + 10 + i));
        else if (type == 0x74524E53 /* tRNS */ && colour == 3)
            for (uint32_t i = 0; i < length && i < layout.Palette.size(); ++i)
                layout.Palette[i] = (layout.Palette[i] & 0xFFFFFFu) | uint32_t(b.U8(at + 8 + i)) << 24;
        else if (type == 0x74524E53 && length == 2 * layout.Bands.size())
            for (uint32_t i = 0; i < length; i += 2)
                layout.NoData.push_back(b.Big16(at + 8 + i));
        else if (type == 0x49444154 /* IDAT */)
            break;
        at += 12 + int64_t(length);
    }
    if (colour == 3 && layout.Palette.empty()) {
        why = "a PNG with a palette but no PLTE chunk";
        return false;
    }
    return true;
}

bool Jpeg(const TBytes& b, TRasterLayout& layout, std::string& why)
{
    // The markers up to the first start of frame, which counts the components.
    for (int64_t at = 2; b.Has(at, 4);) {
        if (b.U8(at) != 0xFF) {
            why = "a JPEG whose markers are broken";
            return false;
        }
        const uint8_t marker = b.U8(at + 1);
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        const uint16_t length = b.Big16(at + 2);
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame && b.Has(at + 4, 6)) {
            const uint8_t precision = b.U8(at + 4), components = b.U8(at + 9);
            if (precision != 8 || (components != 1 && components != 3)) {
                why =
                    "a JPEG of " + std::to_string(components) + " components of " + std::to_string(precision) + " bits";
                return false;
            }
            layout.Bands = components == 1 ? std::vector<std::string>{"Gray"} : Rgb;
            return true;
        }
        if (length < 2)
            break;
        at += 2 + length;
    }
    why = "a JPEG without a frame header";
    return false;
}

bool Bmp(const TBytes& b, TRasterLayout& layout, std::string& why)
{
    if (!b.Has(14, 16)) {
        why = "a BMP without its header";
        return false;
    }
    const uint32_t headerSize = b.Little32(14);
    const uint16_t bits = headerSize == 12 ? b.Little16(24) : b.Little16(28);
    if (bits == 16 || bits == 24 || bits == 32) {
        layout.Bands = Rgb;
        return true;
    }
    if (bits != 1 && bits != 4 && bits != 8) {
        why = "a BMP of " + std::to_string(bits) + " bits a pixel";
        return false;
    }
    layout.Bands = {"Palette"};
    // The colour table follows the header: blue, green, red (and a spare byte
    // unless the header is the old 12-byte one).
    const int entrySize = headerSize == 12 ? 3 : 4;
    uint32_t count = headerSize >= 36 && b.Has(46, 4) ? b.Little32(46) : 0;
    if (count == 0 || count > (1u << bits))
        count = 1u << bits;
    const int64_t table = 14 + int64_t(headerSize);
    if (!b.Has(table, int64_t(count) * entrySize)) {
        why = "a BMP whose colour table is cut short";
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const int64_t at = table + int64_t(i) * entrySize;
        layout.Palette.push_back(0xFF000000u | uint32_t(b.U8(at + 2)) << 16 | uint32_t(b.U8(at + 1)) << 8 | b.U8(at));
    }
    return true;
}

// Binary PGM (P5) and PPM (P6); the largest sample value decides the type.
bool Pnm(const TBytes& b, TRasterLayout& layout, std::string& why)
{
    int64_t at = 2;
    uint32_t fields[3] = {};
    for (uint32_t& field : fields) {
        for (;;) {
            while (b.Has(at, 1) && std::isspace(b.U8(at)))
                ++at;
            if (!b.Has(at, 1) || b.U8(at) != '#')
                break;
            while (b.Has(at, 1) && b.U8(at) != '\n')
                ++at;
        }
        if (!b.Has(at, 1) || !std::isdigit(b.U8(at))) {
            why = "a PGM/PPM whose header is broken";
            return false;
        }
        for (; b.Has(at, 1) && std::isdigit(b.U8(at)) && field < 100000000; ++at)
            field = field * 10 + (b.U8(at) - '0');
    }
    layout.DataType = fields[2] > 255 ? "UInt16" : "Byte";
    layout.Bands = b.U8(1) == '5' ? std::vector<std::string>{"Gray"} : Rgb;
    return true;
}

}  // namespace

bool ReadRasterLayout(const QByteArray& file, TRasterLayout& layout, std::string& why)
{
    const TBytes b(file);
    layout = TRasterLayout();
    if (b.StartsWith("\x89PNG\r\n\x1a\n"))
        return Png(b, layout, why);
    if (b.StartsWith("\xFF\xD8"))
        return Jpeg(b, layout, why);
    if (b.StartsWith("BM"))
        return Bmp(b, layout, why);
    if (b.StartsWith("P5") || b.StartsWith("P6"))
        return Pnm(b, layout, why);
    why = "not a PNG, JPEG, BMP or binary PGM/PPM image, the formats georef describes";
    return false;
}

}  // namespace MapTool
