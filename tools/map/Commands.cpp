#include "map/Commands.h"

#include "map/Converter.h"
#include "map/GeorefCommand.h"
#include "map/GridCommand.h"
#include "map/Kinds.h"
#include "map/ProjCommand.h"
#include "map/Report.h"

#include <cstdint>

namespace MapTool {

namespace {

int Convert(const TRequest& r, TConversion conversion)
{
    const int decimals = conversion == TConversion::Inverse ? DegreeDecimals : PixelDecimals;
    return RunConversions(r.Mapping, conversion, r.Line.Decimals.value_or(decimals), r.Line.Operands);
}

const std::vector<TCommandSpec> Table = {
    {"fwd", cbFwd, "", "\"lon lat\" per line  ->  \"x y ok\"      whole pixels (LonLatToXY)", 0, SIZE_MAX, "", nullptr,
     [](const TRequest& r) { return Convert(r, TConversion::Forward); }},
    {"fwdf", cbFwdf, "", "\"lon lat\" per line  ->  \"x y ok\"      real pixels, 3 decimals (LonLatToXYF)", 0, SIZE_MAX,
     "", nullptr, [](const TRequest& r) { return Convert(r, TConversion::ForwardF); }},
    {"inv", cbInv, "",
     "\"x y\" per line      ->  \"lon lat ok\"  degrees, 6 decimals (XYToLonLat)\n"
     "--decimals N (0..15) sets the decimals of fwdf and inv\n"
     "A pixel (x, y) names the centre of column x and row y.",
     0, SIZE_MAX, "", nullptr,
     [](const TRequest& r) {
         const TKindTraits& traits = Traits(r.Mapping.Kind);
         if (traits.Forward && !traits.HasInverse())
             Report(TReport::Note, "kind " + r.KindName + " has no inverse; every point is refused");
         return Convert(r, TConversion::Inverse);
     }},
    {"grid", cbGrid, "IN OUT",
     "draws the latitude/longitude grid over the image IN (\"-\": a black image\n"
     "of the mapping's size) and writes OUT in the format its extension names\n"
     "(.png, .bmp, .jpg, .ppm, ...); the grid is drawn in the mapping's pixels",
     2, 2, "IN and OUT", [](const TRequest& r) { return GridRefusal(r.Mapping, r.Line.Operands[0]); },
     [](const TRequest& r) {
         return RunGridCommand(r.Mapping, r.Line.Operands[0], r.Line.Operands[1], r.Line.Grid, r.Program);
     }},
    {"proj", cbProj, "",
     "prints the mapping's PROJ definition in metres (a sphere of radius\n"
     "6378135 m; Lambert: that equatorial radius, e^2 0.006694318), GDAL's\n"
     "geotransform of the image and a PROJ pipeline to fwdf's pixels;\n"
     "kinds 0 and 8 have none (status 1)",
     0, 0, "", nullptr, [](const TRequest& r) { return RunProjCommand(r.Mapping, r.KindName); }},
    {"georef", cbGeoref, "IMAGE [OUT]",
     "writes OUT (default IMAGE.vrt), a GDAL VRT that opens the PNG, JPEG, BMP\n"
     "or PGM/PPM image IMAGE in place: the PROJ definition and geotransform,\n"
     "or for kind 8 control points in WGS 84 longitude/latitude; IMAGE must\n"
     "have the mapping's size. --world-file also writes IMAGE's world file\n"
     "(.pgw, .jgw, .bpw or .wld) and IMAGE.aux.xml",
     1, 2, "IMAGE", nullptr,
     [](const TRequest& r) {
         const std::vector<std::string>& operands = r.Line.Operands;
         const TGeorefRequest request{operands[0], operands.size() > 1 ? operands[1] : operands[0] + ".vrt",
                                      r.Line.WorldFile};
         return RunGeorefCommand(r.Mapping, r.KindName, request, r.Program);
     }},
};

}  // namespace

const std::vector<TCommandSpec>& CommandTable() { return Table; }

const TCommandSpec* FindCommand(const std::string& Name)
{
    for (const TCommandSpec& c : Table)
        if (Name == c.Name)
            return &c;
    return nullptr;
}

std::string CommandNames(TCommandSet Set, const char* Last)
{
    std::vector<const char*> names;
    for (const TCommandSpec& c : Table)
        if (Set & c.Bit)
            names.push_back(c.Name);
    std::string out;
    for (size_t i = 0; i < names.size(); ++i)
        out += (i == 0 ? "" : i + 1 == names.size() ? Last : ", ") + std::string(names[i]);
    return out;
}

}  // namespace MapTool
