#pragma once
// Loading the program's desktop part (the window, the drawing): a module
// beside the program in its build folder, or in the installed library folder
// (lib/lagwatch/ beside bin/).
#include <QString>

// Runs the whole program in the desktop part and returns its exit status;
// false, with error set, when the part cannot be loaded.
bool RunDesktopPart(int argc, char** argv, int& status, QString& error);
