#pragma once
// A run nobody watches (a scheduler, a monitoring server's check, no
// display): the station pass with no window, the close switch's summary on
// standard output, the save and the outputs. It needs Qt Core only; the
// pictures of -png and -history-png are drawn by the desktop program, which
// hands its drawing in.
#include "app/CommandLine.h"
#include "report/DelaySummary.h"
#include "report/FamilyReading.h"

#include <QString>
#include <functional>

// Writes the chart of a summary to a file as -png asks; false (reported) when it cannot.
using TSaveChart = std::function<bool(const QString& dataFolder, const TDelaySummary& summary, const QString& file)>;
// Writes the completeness maps of the families as -history-png asks; false (reported) when it cannot.
using TSaveHistory =
    std::function<bool(const QString& dataFolder, const std::vector<TFamilyReading>& families, const QString& file)>;

// One line for standard error, after "lagwatch: "; a path's bytes that are
// not UTF-8 are given back as they were.
void ReportRunFailure(const QString& message);

// The pass on the application object there is. saveChart: for -png,
// saveHistory: for -history-png (a run without them cannot draw: the picture
// fails, the rest runs). Returns the exit status.
int RunPassWithoutWindow(const TCommandLine& line, const TSaveChart& saveChart = {},
                         const TSaveHistory& saveHistory = {});
