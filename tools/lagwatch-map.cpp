// lagwatch-map: converts points between longitude/latitude and image pixels
// with a TMapping, as a filter that keeps its place beside PROJ's proj (one
// output line per input line), draws the grid of a mapping over an image, and
// states the mapping to PROJ and GDAL (its definition, a georeferenced image).
#include "map/Main.h"

int main(int argc, char** argv) { return MapTool::Main(argc, argv); }
