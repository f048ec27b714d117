#pragma once
// What the history map, its report and the monitoring outputs show of a
// pass: each family read with its own limits, schedule and files per slot,
// as the families file and the switches set them. Qt Core only: a run
// without a window assesses it too.
#include "app/CommandLine.h"
#include "platform/DateTime.h"
#include "report/FamilyReading.h"
#include "station/Family.h"

#include <vector>

class TFamilyPass;
class TStationPass;

// The rules the reports read a family by: its limits and schedule, then the
// switches of the command line, each that differs from its built-in default
// (so a run without a families file reads the CRM products as the switches say).
TFamilyRules FamilyRulesOf(const TFamily& family, const TCommandLine& line);

// The completeness of one family of a pass, as of now.
TStationCompleteness FamilyCompletenessOf(const TFamilyPass& family, const TCommandLine& line, TDateTime now);

// One reading of every family of a pass, as of now, in the pass's order.
std::vector<TFamilyReading> ReadFamilies(const TStationPass& pass, const TCommandLine& line, TDateTime now);
