#pragma once
// The program from its command line to its exit status. The program itself
// holds everything a run without a window needs (Qt Core only); the window
// and the drawing of -png live in its desktop part, which is loaded only for
// a run that needs them and then runs the whole program itself.
#include "app/CommandLine.h"
#include "app/DisplayChoice.h"

struct TDesktopPart
{
    int (*RunOnDesktop)(int& argc, char** argv, TCommandLine line, const TDisplayChoice& display);
    int (*RunUnattendedWithChart)(int& argc, char** argv, const TCommandLine& line);
};

// desktop: the desktop part's runs, or null in the program itself, which
// then loads the part (DesktopPart.h) when the run needs it.
int LagwatchMain(int argc, char** argv, const TDesktopPart* desktop);
