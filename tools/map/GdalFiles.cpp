#include "map/GdalFiles.h"

#include "map/Text.h"

#include <cstdio>

namespace MapTool {

namespace {

std::string XmlEscaped(const std::string& text)
{
    std::string out;
    for (char c : text)
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    return out;
}

std::string ColourEntry(uint32_t argb)
{
    char text[80];
    std::snprintf(text, sizeof text, "        <Entry c1=\"%u\" c2=\"%u\" c3=\"%u\" c4=\"%u\"/>\n", (argb >> 16) & 0xFF,
                  (argb >> 8) & 0xFF, argb & 0xFF, argb >> 24);
    return text;
}

// Each band of the image handed on as it is.
std::string Bands(const TRasterLayout& layout, const std::string& source, bool relative)
{
    std::string out;
    for (size_t i = 0; i < layout.Bands.size(); ++i) {
        const std::string band = std::to_string(i + 1);
        out += "  <VRTRasterBand dataType=\"" + layout.DataType + "\" band=\"" + band + "\">\n";
        out += "    <ColorInterp>" + layout.Bands[i] + "</ColorInterp>\n";
        if (i < layout.NoData.size())
            out += "    <NoDataValue>" + std::to_string(layout.NoData[i]) + "</NoDataValue>\n";
        if (layout.Bands[i] == "Palette") {
            out += "    <ColorTable>\n";
            for (uint32_t entry : layout.Palette)
                out += ColourEntry(entry);
            out += "    </ColorTable>\n";
        }
        out += "    <SimpleSource>\n      <SourceFilename relativeToVRT=\"" + std::string(relative ? "1" : "0") +
               "\">" + XmlEscaped(source) + "</SourceFilename>\n      <SourceBand>" + band +
               "</SourceBand>\n    </SimpleSource>\n  </VRTRasterBand>\n";
    }
    return out;
}

// The projected plane's axes are east, north: in the order of the data.
std::string SrsElement(const TProjDefinition& d)
{
    return "<SRS dataAxisToSRSAxisMapping=\"1,2\">" + XmlEscaped(d.Definition) + "</SRS>\n";
}

}  // namespace

QByteArray VrtFile(const TPlacement& placement, int width, int height, const TRasterLayout& layout,
                   const std::string& source, bool relative)
{
    std::string out =
        "<VRTDataset rasterXSize=\"" + std::to_string(width) + "\" rasterYSize=\"" + std::to_string(height) + "\">\n";
    if (const TProjDefinition* d = placement.Definition) {
        out += "  " + SrsElement(*d);
        out += "  <GeoTransform>";
        for (size_t i = 0; i < d->GeoTransform.size(); ++i)
            out += (i ? ", " : "") + ExactNumber(d->GeoTransform[i]);
        out += "</GeoTransform>\n";
    } else {
        // Longitude before latitude, whatever the order of EPSG:4326's axes.
        out += "  <GCPList Projection=\"EPSG:4326\" dataAxisToSRSAxisMapping=\"2,1\">\n";
        int id = 0;
        for (const TControlPoint& p : placement.ControlPoints)
            out += "    <GCP Id=\"" + std::to_string(++id) + "\" Pixel=\"" + ExactNumber(p.Pixel) + "\" Line=\"" +
                   ExactNumber(p.Line) + "\" X=\"" + ExactNumber(p.Lon) + "\" Y=\"" + ExactNumber(p.Lat) + "\"/>\n";
        out += "  </GCPList>\n";
    }
    // A transparent colour is no data only where all of its bands match, as GDAL reads it.
    if (layout.NoData.size() > 1) {
        out += "  <Metadata>\n    <MDI key=\"NODATA_VALUES\">";
        for (size_t i = 0; i < layout.NoData.size(); ++i)
            out += (i ? " " : "") + std::to_string(layout.NoData[i]);
        out += "</MDI>\n  </Metadata>\n";
    }
    out += Bands(layout, source, relative) + "</VRTDataset>\n";
    return QByteArray::fromStdString(out);
}

QByteArray AuxFile(const TProjDefinition& definition)
{
    return QByteArray::fromStdString("<PAMDataset>\n  " + SrsElement(definition) + "</PAMDataset>\n");
}

QByteArray WorldFile(const TProjDefinition& definition)
{
    const TAffine& g = definition.GeoTransform;
    const double lines[6] = {g[1], g[4], g[2], g[5], g[0] + (g[1] + g[2]) * 0.5, g[3] + (g[4] + g[5]) * 0.5};
    std::string out;
    for (double v : lines)
        out += ExactNumber(v) + "\n";
    return QByteArray::fromStdString(out);
}

std::string WorldFileName(const std::string& image)
{
    const size_t slash = image.rfind('/');
    const size_t dot = image.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    const std::string stem = hasExtension ? image.substr(0, dot) : image;
    const std::string extension = hasExtension ? image.substr(dot + 1) : "";
    const struct
    {
        const char* Image;
        const char* World;
    } names[] = {{"png", ".pgw"}, {"jpg", ".jgw"}, {"jpeg", ".jgw"}, {"bmp", ".bpw"}};
    for (const auto& n : names)
        if (SameIgnoringCase(extension, n.Image))
            return stem + n.World;
    return stem + ".wld";
}

}  // namespace MapTool
