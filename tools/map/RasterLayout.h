#pragma once
// The bands GDAL's own drivers see in an image file, read from the file's
// headers, so that a VRT can hand each of them on unchanged: PNG, JPEG, BMP
// and binary PGM/PPM.
#include <QByteArray>

#include <cstdint>
#include <string>
#include <vector>

namespace MapTool {

struct TRasterLayout
{
    // GDAL's name of the bands' type: "Byte" or "UInt16".
    std::string DataType = "Byte";
    // Each band's colour interpretation in GDAL's words: Gray, Palette, Red, Green, Blue, Alpha.
    std::vector<std::string> Bands;
    // The colour table of a Palette band, as 0xAARRGGBB.
    std::vector<uint32_t> Palette;
    // Each band's no-data value (a PNG's transparent grey or colour), or none.
    std::vector<uint32_t> NoData;
};

// False with the reason in why when the file is none of the formats above,
// or its headers are cut short or broken.
bool ReadRasterLayout(const QByteArray& file, TRasterLayout& layout, std::string& why);

}  // namespace MapTool
