#pragma once
// What the history map, its report and the monitoring outputs show of a
// pass: the completeness of the last 30 UTC days against the schedule
// -expect gives, or else the one learned from the ledger, with the limits the
// switches set. Qt Core only: a run without a window assesses it too.
#include "app/CommandLine.h"
#include "platform/DateTime.h"
#include "report/Completeness.h"
#include "station/LedgerEntries.h"

TStationCompleteness StationCompletenessOf(const TCommandLine& line, TLedgerEntries& entries, TDateTime now);
