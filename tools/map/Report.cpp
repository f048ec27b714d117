#include "map/Report.h"

#include <cstdio>

namespace MapTool {

int Report(TReport Kind, const std::string& Message)
{
    std::string line = "lagwatch-map: ";
    int status = 0;
    switch (Kind) {
    case TReport::Note:
        line += "note: " + Message;
        break;
    case TReport::Warning:
        line += "warning: " + Message;
        break;
    case TReport::Error:
        line += Message;
        status = 1;
        break;
    case TReport::Usage:
        line += Message + (Message.find("(see ") != std::string::npos ? "" : " (see --help)");
        status = 2;
        break;
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    return status;
}

}  // namespace MapTool
