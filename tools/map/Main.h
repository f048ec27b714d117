#pragma once
// The map tool as one call: lagwatch-map's main.

namespace MapTool {

// Reads the command line, checks it against the tables of options and
// commands, and runs the command; the exit status.
int Main(int argc, char** argv);

}  // namespace MapTool
