#pragma once
// Every message of the map tool goes to standard error through Report, after
// the program's name, and gives the exit status its kind calls for.
#include <string>

namespace MapTool {

enum class TReport {
    Note,     // "note: ...", status 0
    Warning,  // "warning: ...", status 0
    Error,    // a file or an image failed, status 1
    Usage,    // the command line cannot be right, status 2; points to --help unless it points elsewhere
};

int Report(TReport Kind, const std::string& Message);

}  // namespace MapTool
