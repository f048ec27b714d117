// The program's desktop part: the window and the drawing, loaded by the
// program only for a run that needs them (DesktopPart.h), which then runs
// here from start to end.
#include "app/DesktopRun.h"
#include "app/LagwatchMain.h"

// The desktop part's entry, looked up by name when the program loads it.
extern "C" __attribute__((visibility("default"))) int LagwatchDesktopMain(int argc, char** argv)
{
    static const TDesktopPart part{RunOnDesktop, RunUnattendedWithChart};
    return LagwatchMain(argc, argv, &part);
}
