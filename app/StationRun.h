#pragma once
// The two ways a run goes: on the desktop, a window that is a view of the
// station pass; unattended (a scheduler, a monitoring server's check, no
// display), the same pass with no window and, unless a picture is asked
// for, no GUI at all. Both report through the same outputs and return the
// exit status.
#include "app/CommandLine.h"
#include "app/DisplayChoice.h"

// The pass on a QCoreApplication (on an off-screen QApplication when -png is
// given, for the drawing), with the close switch's outputs.
int RunUnattended(int& argc, char** argv, const TCommandLine& line);

// The window on the chosen platform; when that ends up off-screen (a display
// that cannot be opened), the run goes on unattended inside the same
// application, with one line on standard error.
int RunOnDesktop(int& argc, char** argv, TCommandLine line, const TDisplayChoice& display);
