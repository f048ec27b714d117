// Program entry of the delay checker.
#include "app/LagwatchMain.h"

int main(int argc, char** argv) { return LagwatchMain(argc, argv, nullptr); }
