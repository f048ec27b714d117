#pragma once
// A run nobody watches (a scheduler, a monitoring server's check, no
// display): the pass sequence (StationRun.h) with no window. It needs Qt Core
// only; the pictures of -png and -history-png are drawn by the desktop
// program, which hands its drawing in.
#include "app/CommandLine.h"
#include "app/StationRun.h"

// The pass on the application object there is. saveChart: for -png,
// saveHistory: for -history-png (a run without them cannot draw: the picture
// fails, the rest runs). Returns the exit status.
int RunPassWithoutWindow(const TCommandLine& line, const TSaveChart& saveChart = {},
                         const TSaveHistory& saveHistory = {});
