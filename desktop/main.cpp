// The desktop program: the window and the pictures. lagwatch hands it a run
// that needs them with execv, and it runs the whole program from there.
#include "app/LagwatchMain.h"
#include "desktop/DesktopRun.h"
#include "station/StartupConfig.h"

int main(int argc, char** argv)
{
    TakeHandedOverProgram();
    static const TDesktopRuns runs{RunOnDesktop, RunUnattendedWithChart};
    return LagwatchMain(argc, argv, &runs);
}
