#pragma once
// What needs the GUI: the window on a desktop, and the pictures of -png and
// -history-png. Built into the desktop program, which lagwatch starts only
// for a run that needs it, so a run without either starts no GUI library.
#include "app/CommandLine.h"
#include "app/DisplayChoice.h"

// The window on the chosen platform; when that ends up off-screen (a display
// that cannot be opened), the run goes on without a window inside the same
// application, with one line on standard error.
int RunOnDesktop(int& argc, char** argv, TCommandLine line, const TDisplayChoice& display);

// A run without a window that draws the chart for -png, on an off-screen
// application made for it.
int RunUnattendedWithChart(int& argc, char** argv, const TCommandLine& line);
