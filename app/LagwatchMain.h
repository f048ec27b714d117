#pragma once
// The program from its command line to its exit status. lagwatch holds
// everything a run without a window needs (Qt Core only); the window and the
// drawing of -png and -history-png live in the desktop program, to which
// lagwatch hands a run that needs them (DesktopProgram.h) and which then runs
// this same function with its own runs.
#include "app/CommandLine.h"
#include "app/DisplayChoice.h"

struct TDesktopRuns
{
    int (*RunOnDesktop)(int& argc, char** argv, TCommandLine line, const TDisplayChoice& display);
    int (*RunUnattendedWithChart)(int& argc, char** argv, const TCommandLine& line);
};

// desktop: the desktop program's runs, or null in lagwatch, which then hands
// a run that needs them to the desktop program.
int LagwatchMain(int argc, char** argv, const TDesktopRuns* desktop);
